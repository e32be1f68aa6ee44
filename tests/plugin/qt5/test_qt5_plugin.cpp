// SPDX-License-Identifier: MIT
// The image-format plugin as Qt 5 programs (image viewers, KDE's
// thumbnails) load it: through Qt 5's QImageReader, with QT_PLUGIN_PATH at
// the Qt 5 build's plugin folder. It must give the core's pictures and
// claim what the Qt 6 build claims.

#include "PluginTestSupport.h"
#include "document/Kinds.h"
#include "support/TestSupport.h"
#include "tools/PictureGen.h"

#include <QBuffer>
#include <QImageReader>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using quillet::test::coreDecode;
using quillet::test::hexBytes;
using quillet::test::samePixels;
using quillet::test::ScratchDir;
using quillet::test::writeFile;

namespace {

static_assert(QT_VERSION_MAJOR == 5, "this test is the Qt 5 one");

QString qpath(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

std::string goldenFile(int mode)
{
    const auto pictures = quillet::gen::goldenPictures();
    const auto found = std::ranges::find(pictures, mode, &quillet::gen::GoldenPicture::mode);
    return found == pictures.end() ? std::string() : found->file;
}

std::string pngFile()
{
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "png");
    return bytes.toStdString();
}

// The claims of `plugin` as `printer` (the Qt 5 or the Qt 6 build) prints them.
QString claimsOf(const char* printer, const char* plugin)
{
    QProcess run;
    run.start(QString::fromLocal8Bit(printer), {QString::fromLocal8Bit(plugin)});
    if (!run.waitForFinished(60000) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(run.readAllStandardError());
    return QString::fromLocal8Bit(run.readAllStandardOutput());
}

class Qt5ImagePlugin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { quillet::test::guiApp(); }
    ScratchDir scratch_;
};

} // namespace

TEST_F(Qt5ImagePlugin, ReadsPicturesAsTheCoreDecodesThemAndLeavesOtherFiles)
{
    struct Row {
        const char* name;
        std::string bytes;
        QByteArray format; // the reader Qt 5 chooses; empty: none reads the file
        int mode;          // the core's decoding to compare with; 0: not ours
    };
    const Row rows[] = {
        {"SUNSET.SC5", quillet::gen::sampleScreen5(), "sc5", 5},        // palette colours
        {"FIELD.S12", quillet::gen::sampleScreen12(), "s12", 12},       // YJK colours
        {"PATTERNS.SC2", goldenFile(2), "sc2", 2},                      // a pattern mode
        {"PICTURE", quillet::gen::sampleScreen5(), "msx", 5},           // no suffix: the content decides
        {"disguised.sc5", pngFile(), "png", 0},                         // Qt's PNG reader takes it
        {"PROGRAM.SC5", hexBytes("FF 0B 80 0A 00 91 00 00 00"), "", 0}, // a tokenized program
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.bytes.empty());
        const fs::path path = scratch_ / row.name;
        writeFile(path, row.bytes);
        QImageReader reader(qpath(path));
        if (row.format.isEmpty()) {
            EXPECT_FALSE(reader.canRead());
            EXPECT_TRUE(reader.read().isNull());
            continue;
        }
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format(), row.format);
        if (row.mode == 0) {
            EXPECT_EQ(reader.read().size(), QSize(4, 3));
            continue;
        }
        const quillet::DecodedPicture expected = coreDecode(row.bytes, row.mode);
        EXPECT_EQ(reader.size(), QSize(expected.width, expected.height));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_TRUE(samePixels(image, expected));
    }
}

TEST_F(Qt5ImagePlugin, ClaimsTheFormatsAndMimeTypesOfTheQt6Build)
{
    const QString qt5 = claimsOf(QUILLET_CLAIMS_QT5, QUILLET_PLUGIN_FILE_QT5);
    const QString qt6 = claimsOf(QUILLET_CLAIMS_QT6, QUILLET_PLUGIN_FILE_QT6);
    EXPECT_EQ(qt5.toStdString(), qt6.toStdString());
    // Every picture name and the generic one, read only.
    const QStringList lines = qt5.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), static_cast<int>(std::size(quillet::PictureSuffixes)) + 1);
    for (const char* line : {"msx image/x-msx-bsave read -", "sc5 image/x-msx-bsave read -",
                             "sr7 image/x-msx-paint read -", "s1c image/x-msx-bsave read -"})
        EXPECT_TRUE(lines.contains(QLatin1String(line))) << line;
}
