// SPDX-License-Identifier: MIT
// One picture, five programs: the viewer's loader, quillet-convert on the
// file, --extract-all on a container that holds it, the image plugin and
// the thumbnailer give the same pixels for the same file, member path and
// mode option, since all of them open it through the core's one door.

#include "PluginTestSupport.h"
#include "app/DocumentLoader.h"
#include "app/SettingsOwner.h"
#include "core/ConvertRunner.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"
#include "thumbnailer/Thumbnail.h"
#include "tools/PictureGen.h"

#include <QFile>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace quillet;
using namespace quillet::test;

namespace {

QString qpath(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The loader's window, keeping only the picture it is given.
struct PictureHost : app::LoaderHost {
    QImage prepared, shown;
    std::string failure;
    void showDebugMessage(const QString&) override {}
    void rememberOpenedFile(const QString&) override {}
    int openDialogFilterIndex() const override { return 1; }
    void showListing(const app::ListingFiles&) override {}
    void preparePicture(const QString& bmpPath) override { prepared = QImage(bmpPath, "BMP"); }
    void showPreparedPicture() override { shown = prepared; }
    void showContainer(const QString&, const Container&) override {}
    void showPage(int) override {}
    void documentLoaded(const QString&, std::string_view, const std::vector<LeftOutCompanion>&) override {}
    void loadFailed(const QString&, const std::exception& error) override { failure = error.what(); }
};

QImage viewer(const ScratchDir& dir, const std::string& name, std::optional<int> mode)
{
    app::SettingsOwner settings((dir / "Quillet.ini").string());
    settings.set(&Settings::isAutoDetectScreenMode, !mode);
    settings.set(&Settings::screenMode, mode.value_or(5));
    app::DocumentState state;
    app::TempFiles temps;
    fs::create_directories(dir / "tmp");
    temps.setTempNameDir((dir / "tmp").string() + "/");
    temps.makeBmpTempName();
    PictureHost host;
    app::DocumentLoader loader(settings, state, temps, app::RecentDocuments(qpath(dir / "recent.xbel")), host);
    EXPECT_TRUE(loader.openDocument(QFile::decodeName(QByteArray::fromStdString(name)))) << host.failure;
    return host.shown.convertToFormat(QImage::Format_RGB888);
}

QImage converted(const ScratchDir& dir, const std::string& name, std::optional<int> mode)
{
    const fs::path out = dir / "converted.png";
    std::vector<std::string> args;
    if (mode)
        args = {"--screen", std::to_string(*mode)};
    args.insert(args.end(), {name, out.string()});
    const ConvertResult result = runConvert(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return QImage(qpath(out), "PNG").convertToFormat(QImage::Format_RGB888);
}

QImage extracted(const ScratchDir& dir, const std::string& container, const std::string& png)
{
    const fs::path out = dir / "extracted";
    const ConvertResult result = runConvert({"--extract-all", container, out.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    return QImage(qpath(out / png), "PNG").convertToFormat(QImage::Format_RGB888);
}

QImage plugin(const std::string& name)
{
    return QImage(QFile::decodeName(QByteArray::fromStdString(name))).convertToFormat(QImage::Format_RGB888);
}

QImage thumbnail(const ScratchDir& dir, const std::string& name)
{
    const fs::path out = dir / "thumbnail.png";
    QProcess process;
    process.start(
        QStringLiteral(QUILLET_THUMBNAILER),
        {QStringLiteral("-s"), QStringLiteral("256"), QFile::decodeName(QByteArray::fromStdString(name)), qpath(out)});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QImage(qpath(out), "PNG").convertToFormat(QImage::Format_RGB888);
}

::testing::AssertionResult sameBytes(const QImage& got, const QImage& expected)
{
    if (got.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << got.width() << "x" << got.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    for (int y = 0; y < got.height(); ++y) {
        if (std::memcmp(got.constScanLine(y), expected.constScanLine(y), static_cast<std::size_t>(got.width()) * 3))
            return ::testing::AssertionFailure() << "line " << y << " differs";
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(OnePicture, EveryProgramReadsItAlike)
{
    guiApp();
    ScratchDir dir;
    // Colour 3 of the palette file is pure red: the palette shows if read.
    const std::string drawing = gen::bsaveFile(0, std::string(212 * 128, '\x33'));
    std::string palette(32, '\0');
    palette[6] = '\x70';
    writeFile(dir / "ART.SR5", drawing);
    writeFile(dir / "ART.PL5", palette);
    writeFile(dir / "PIC.S05", gen::bsaveFile(0, std::string(212 * 128, '\x12')));
    writeFile(dir / "PIC.S15", gen::bsaveFile(0, std::string(212 * 128, '\x34')));
    const std::string title = gen::sampleScreen5();
    writeFile(dir / "TITLE.SC5", title);
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "TITLE.SC5", title);
    writeFile(dir / "games.zip", zipOf({{"DISK.DSK", disk.bytes()}}));
    const auto in = [&](const char* name) { return (dir / name).string(); };

    struct Case {
        std::string name;
        std::optional<int> mode;    // a mode the user gave, else detection
        bool onDisk;                // the plugin and the thumbnailer read files only
        std::string container, png; // --extract-all of a container, and where the picture lands
    };
    const Case cases[] = {
        {in("TITLE.SC5"), {}, true, {}, {}},
        {in("TITLE.SC5"), 8, false, {}, {}},
        {in("ART.SR5"), {}, true, {}, {}},
        {in("PIC.S15"), {}, true, {}, {}},
        {in("games.zip") + "::DISK.DSK::DIR/TITLE.SC5", {}, false, in("games.zip"), "DISK.DSK/DIR/TITLE.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (c.mode ? " SCREEN " + std::to_string(*c.mode) : std::string()));
        const QImage reference = converted(dir, c.name, c.mode);
        ASSERT_FALSE(reference.isNull());
        EXPECT_TRUE(sameBytes(viewer(dir, c.name, c.mode), reference));
        if (!c.container.empty())
            EXPECT_TRUE(sameBytes(extracted(dir, c.container, c.png), reference));
        if (c.onDisk) {
            EXPECT_TRUE(sameBytes(plugin(c.name), reference));
            EXPECT_TRUE(sameBytes(thumbnail(dir, c.name),
                                  thumb::fitPicture(reference, 256).convertToFormat(QImage::Format_RGB888)));
        }
    }
    // What the companions did: the palette file's red, and both pages.
    EXPECT_EQ(converted(dir, in("ART.SR5"), {}).pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(converted(dir, in("PIC.S15"), {}).height(), 424);
}
