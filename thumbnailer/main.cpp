// quillet-thumbnailer -s SIZE INPUT OUTPUT: the freedesktop thumbnailer of
// MSX pictures and tokenized BASIC programs (packaging/quillet.thumbnailer).

#include "fonts/BundledFonts.h"
#include "thumbnailer/Thumbnail.h"

#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: quillet-thumbnailer -s SIZE INPUT OUTPUT.png\n", stderr);
    return 2;
}

int fail(const QString& input, const char* why)
{
    std::fprintf(stderr, "quillet-thumbnailer: %s: %s\n", input.toLocal8Bit().constData(), why);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // File managers run thumbnailers without a display, often in a sandbox
    // that hides it; drawing needs none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5 || args[1] != QStringLiteral("-s"))
        return usage();
    bool isNumber = false;
    const int size = args[2].toInt(&isNumber);
    if (!isNumber || size < 1 || size > quillet::thumb::MaxThumbnailSize)
        return usage();
    const QString& input = args[3];
    const QString& output = args[4];

    using namespace quillet;
    fonts::loadBundledFonts(fonts::bundledFontFolders());
    const QImage thumbnail = thumb::makeThumbnail(input, size, fonts::bundledFamily(msx::CharacterSet::Japanese));
    if (thumbnail.isNull())
        return fail(input, "not an MSX picture or program");

    // Written beside OUTPUT and renamed over it, so a reader never sees
    // half a file and a failure leaves none.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return fail(output, "cannot be written");
    QImageWriter writer(&file, "png");
    if (!writer.write(thumbnail)) {
        file.cancelWriting();
        return fail(output, "cannot be written");
    }
    if (!file.commit())
        return fail(output, "cannot be written");
    return 0;
}
