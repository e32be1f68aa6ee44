// SPDX-License-Identifier: MIT
#include "ui/ViewerStartup.h"

#include "app/LocalPath.h"
#include "app/SettingsStore.h"
#include "app/TerminationSignals.h"
#include "app/ViewerFiles.h"
#include "common/Version.h"
#include "fonts/BundledFonts.h"
#include "ui/AppIcon.h"
#include "ui/InterfaceFontAndColour.h"
#include "ui/QuilletUnit.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <string_view>

namespace quillet::ui {

namespace {

constexpr std::string_view Usage = "usage: quillet [FILE]...\n"
                                   "       quillet --help | --version\n"
                                   "\n"
                                   "Shows MSX BASIC programs and plain-text listings as listings, BSAVE screen\n"
                                   "images as pictures, and the files inside disk images, cassette images and\n"
                                   "archives. The first FILE opens in this window, each further one in a\n"
                                   "window of its own. A FILE may be a file:// URI, or a file inside a\n"
                                   "container as CONTAINER::MEMBER (disk1.dsk::GAME.BAS).\n"
                                   "\n"
                                   "  --help     show this text\n"
                                   "  --version  show the program's name and version\n"
                                   "  --         what follows is a FILE, also when it begins with -\n"
                                   "\n"
                                   "Qt's own options (-platform, -style, ...) are taken as in any Qt program.\n";

// Whether `arg` is taken as an option: it begins with "-" and names no file.
bool looksLikeOption(const QString& arg)
{
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'))
           && !app::viewerFiles().isFile(app::viewerPath(app::localPath(arg)).file);
}

// --help and --version, answered on `out` before anything else is made;
// the exit code, or nullopt when neither was asked for.
std::optional<int> answerInfoOptions(int argc, char** argv, std::FILE* out)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            std::fwrite(Usage.data(), 1, Usage.size(), out);
            return 0;
        }
        if (arg == "--version") {
            std::fprintf(out, "quillet %s\n", ProgramVersion);
            return 0;
        }
    }
    return std::nullopt;
}

// The files of the viewer's arguments (after the program's name, without
// Qt's own options), or nullopt after a usage message for an unknown option.
std::optional<QStringList> fileArguments(QStringList args, std::FILE* err)
{
    args.removeFirst();
    QStringList files;
    bool options = true;
    for (const QString& arg : args) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && looksLikeOption(arg)) {
            std::fprintf(err, "quillet: unknown option %s\n%.*s", app::localPath(arg).c_str(),
                         static_cast<int>(Usage.size()), Usage.data());
            return std::nullopt;
        } else {
            files << arg;
        }
    }
    return files;
}

} // namespace

int runViewer(int& argc, char** argv, const std::function<void(TForm1&)>& afterCreate)
{
    // Before any window, and without a display.
    if (const auto answered = answerInfoOptions(argc, argv, stdout))
        return *answered;
    QApplication app(argc, argv);
    // Qt has taken its own options out by now.
    const std::optional<QStringList> args = fileArguments(QApplication::arguments(), stderr);
    if (!args)
        return 2;
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(quilletIcon());
    fonts::loadBundledFonts(fonts::bundledFontFolders());
    // Before any window: every text is made in the chosen language, and
    // drawn in a font of that language.
    const std::string language = storedInterfaceLanguage(app::SettingsStore::defaultPath());
    installTranslations(app, language);
    applyInterfaceFont(language);
    TForm1 window;
    // A signal to end the program closes the window first, so that its
    // temporary files go as they do on an ordinary close.
    app::TerminationSignals terminations;
    QObject::connect(&terminations, &app::TerminationSignals::terminationRequested, &window, [&window] {
        window.close();
        QApplication::quit();
    });
    window.show();
    // Inside the event loop, so that a signal during a long first load can
    // end the program: a quit before the loop runs would be lost.
    QTimer::singleShot(0, &window, [&window, files = *args, afterCreate] {
        window.FormCreate(files);
        if (afterCreate)
            afterCreate(window);
    });
    return QApplication::exec();
}

} // namespace quillet::ui
