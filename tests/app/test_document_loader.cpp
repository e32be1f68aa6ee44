// SPDX-License-Identifier: MIT
// Document loading through a stand-in for the main window.

#include "app/DocumentLoader.h"
#include "app/SettingsOwner.h"
#include "app/SettingsStore.h"
#include "app/SettingsTable.h"
#include "app/ViewerFiles.h"
#include "common/Errors.h"
#include "container/Container.h"
#include "document/HexView.h"
#include "document/Open.h"
#include "render/RtfListing.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace quillet;
using namespace quillet::app;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

struct FakeHost : LoaderHost {
    std::vector<std::string> calls;
    std::string shownListing;
    std::string shownRtf;
    std::string shownStatus;
    std::vector<LeftOutCompanion> leftOut;
    int failure = -1; // the ErrorKind of the last failed load; -2 for another exception
    std::int64_t shownLineCount = 0;
    std::size_t shownRoles = 0; // characters with a role
    std::string preparedPicture;
    std::function<void()> onPrepare; // runs once, between reading the picture and its rename
    std::string shownPicture;
    int filterIndex = 2;
    bool failListing = false;
    bool failPicture = false;

    void showDebugMessage(const QString& text) override { calls.push_back("debug " + text.toStdString()); }
    void rememberOpenedFile(const QString& path) override { calls.push_back("remember " + path.toStdString()); }
    int openDialogFilterIndex() const override { return filterIndex; }
    // As the window's indicator, told by the owner of the settings.
    void indicateScreenMode(int mode) { calls.push_back("screen " + std::to_string(mode)); }
    void showListing(const ListingFiles& listing) override
    {
        const std::string text = readFile(QFile::encodeName(listing.asciiPath).toStdString());
        shownRtf = readFile(QFile::encodeName(listing.rtfPath).toStdString());
        if (failListing)
            throw QuilletError(ErrorKind::NotRtf);
        shownListing = text;
        shownLineCount = listing.lineCount;
        shownRoles = listing.roles.roles.size();
        calls.push_back("listing");
    }
    void preparePicture(const QString& bmpPath) override
    {
        if (onPrepare)
            std::exchange(onPrepare, nullptr)();
        if (failPicture)
            throw QuilletError(ErrorKind::DamagedPicture);
        preparedPicture = readFile(QFile::encodeName(bmpPath).toStdString());
    }
    void showPreparedPicture() override
    {
        shownPicture = preparedPicture;
        calls.push_back("picture");
    }
    void showContainer(const QString& path, const Container& container) override
    {
        std::string line = "container " + path.toStdString() + ":";
        for (const MemberInfo& member : container.members())
            line += " " + member.path;
        calls.push_back(line);
    }
    void showPage(int index) override { calls.push_back("page " + std::to_string(index)); }
    void documentLoaded(const QString& path, std::string_view status,
                        const std::vector<LeftOutCompanion>& leftOutNow) override
    {
        calls.push_back("loaded " + path.toStdString());
        shownStatus = status;
        leftOut = leftOutNow;
        failure = -1;
    }
    void loadFailed(const QString&, const std::exception& error) override
    {
        const auto* named = dynamic_cast<const QuilletError*>(&error);
        failure = named ? static_cast<int>(named->kind()) : -2;
    }
};

class DocumentLoaderTest : public ::testing::Test {
protected:
    DocumentLoaderTest()
        : store((dir / "Quillet.ini").string()), settings(store),
          loader(settings, state, temps, RecentDocuments(QString::fromStdString((dir / "recent.xbel").string())), host)
    {
        QObject::connect(&settings, &SettingsOwner::changed, [this](const SettingNames& names) {
            if (names.contains(setting::ScreenMode))
                host.indicateScreenMode(settings.values().screenMode);
        });
        fs::create_directory(dir / "tmp");
        temps.setTempNameDir((dir / "tmp").string() + "/");
        temps.makeAsciiTempName();
        temps.makeRtfTempName();
        temps.makeBmpTempName();
    }

    QString file(const std::string& name, std::string_view bytes)
    {
        writeFile(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    }

    // The three names and the picture file's, as they are made at start.
    std::size_t tempFileCount() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir / "tmp"), fs::directory_iterator()));
    }

    ScratchDir dir;
    std::string store;
    SettingsOwner settings;
    DocumentState state;
    TempFiles temps;
    FakeHost host;
    DocumentLoader loader;
};

const std::string Program = hexBytes("FF 01 80 0A 00 91 00 01 80 14 00 81 00 00 00");

} // namespace

TEST_F(DocumentLoaderTest, TokenizedProgramBecomesTheListing)
{
    const QString path = file("game.bas", Program);
    host.filterIndex = 3;
    ASSERT_TRUE(loader.openDocument(path)) << loader.lastError().toStdString();

    EXPECT_EQ(host.shownListing, "10 PRINT\r\n20 END\r\n");
    EXPECT_EQ(readFile(temps.asciiTempPath()), host.shownListing) << "the ASCII save copies what is shown";
    EXPECT_EQ(state.listingSourcePath, path.toStdString());
    EXPECT_TRUE(state.listingLoaded);
    EXPECT_FALSE(state.imageLoaded);
    const std::vector<std::string> expected = {"remember " + path.toStdString(), "listing", "page 0",
                                               "loaded " + path.toStdString()};
    EXPECT_EQ(host.calls, expected);

    SettingsStore stored(store);
    EXPECT_EQ(stored.readString(SettingsSection, "Last Open Dir", ""), dir.path().string() + "/");
    EXPECT_EQ(stored.readInteger(SettingsSection, "Last Open Filter Index", 0), 3);
    EXPECT_EQ(tempFileCount(), 4u) << "the fresh listing file replaced the old one";
}

TEST_F(DocumentLoaderTest, PlainAndEmptyFilesAreListingsCopiedWhole)
{
    const std::string text = "10 CLS\n\x01\x41\xAD";
    ASSERT_TRUE(loader.openDocument(file("list.asc", text)));
    EXPECT_EQ(host.shownListing, text);
    EXPECT_EQ(readFile(temps.asciiTempPath()), text);

    ASSERT_TRUE(loader.openDocument(file("empty", "")));
    EXPECT_EQ(host.shownListing, "");
    EXPECT_EQ(readFile(temps.asciiTempPath()), "");
    EXPECT_TRUE(state.listingLoaded);
}

TEST_F(DocumentLoaderTest, MachineCodeAndOtherBytesAreShownAsTheirHexViewWithoutRoles)
{
    const std::string machineCode = hexBytes("FE 00 C0 02 C0 00 C0 C9 00 C9");
    const std::string rom = hexBytes("41 42 10 40 00 00");
    for (const auto& [name, bytes, first, status] :
         {std::tuple{"game.bin", machineCode, "BSAVE binary\r\n", status::OpenedBsaveBinary},
          std::tuple{"game.rom", rom, "Binary file\r\n", status::OpenedBinary}}) {
        SCOPED_TRACE(name);
        state = DocumentState{};
        ASSERT_TRUE(loader.openDocument(file(name, bytes))) << loader.lastError().toStdString();
        Opened document = openBytes(name, bytes);
        StringSink view;
        writeHexView(document.head(), document.rest(), view);
        EXPECT_EQ(host.shownListing.substr(0, std::string_view(first).size()), first);
        EXPECT_EQ(host.shownListing, view.str());
        EXPECT_EQ(readFile(temps.asciiTempPath()), host.shownListing) << "the ASCII save copies what is shown";
        EXPECT_EQ(host.shownRoles, 0u) << "colours and links are a program's";
        EXPECT_EQ(host.shownStatus, status);
        EXPECT_TRUE(state.listingLoaded);
        EXPECT_FALSE(state.imageLoaded);
        EXPECT_EQ(host.calls.at(host.calls.size() - 2), "page 0");
    }
}

TEST_F(DocumentLoaderTest, PictureIsWrittenToThePictureFile)
{
    settings.set(&Settings::screenMode, 5);
    const QString path = file("title.bin", hexBytes("FE 00 00 00 00 00 00"));
    ASSERT_TRUE(loader.openDocument(path)) << loader.lastError().toStdString();
    const std::string picture = readFile(temps.bmpPicturePath());
    EXPECT_EQ(picture.size(), 27254u);
    EXPECT_EQ(picture, host.shownPicture);
    EXPECT_EQ(state.imageSourcePath, path.toStdString());
    EXPECT_TRUE(state.imageLoaded);
    EXPECT_FALSE(state.listingLoaded);
    EXPECT_EQ(host.calls.at(host.calls.size() - 2), "page 1");
}

TEST_F(DocumentLoaderTest, PictureWithoutDataIsShownBlackAndSaysSo)
{
    settings.set(&Settings::screenMode, 5);
    // Only the header, less than a header, and a header with one byte.
    for (const auto& [bytes, expected] : {std::pair{std::string("FE 00 00 00 00 00 00"), status::OpenedHeaderOnly},
                                          std::pair{std::string("FE 00 80"), status::OpenedHeaderOnly},
                                          std::pair{std::string("FE 00 00 00 00 00 00 11"), status::Opened}}) {
        ASSERT_TRUE(loader.openDocument(file("p.sc5", hexBytes(bytes)))) << loader.lastError().toStdString();
        EXPECT_EQ(host.shownStatus, expected) << bytes;
        EXPECT_EQ(host.shownPicture.size(), 27254u) << bytes;
    }
}

TEST_F(DocumentLoaderTest, ReloadKeepsThePage)
{
    ASSERT_TRUE(loader.loadDocument(file("game.bas", Program), true));
    ASSERT_TRUE(loader.loadDocument(file("pic.sc5", hexBytes("FE 00 00")), true));
    for (const auto& call : host.calls)
        EXPECT_NE(call.rfind("page", 0), 0u) << call;
}

TEST_F(DocumentLoaderTest, FailedConversionChangesNothingShownOrSaved)
{
    const QString good = file("good.bas", Program);
    ASSERT_TRUE(loader.openDocument(good));
    const std::string asciiPath = temps.asciiTempPath();
    const std::string listing = readFile(asciiPath);
    host.calls.clear();

    // A program lists whatever its bytes, as MSX BASIC does; a load fails
    // when the file cannot be read.
    const QString bad = QStringLiteral("/proc/self/mem");
    EXPECT_FALSE(loader.openDocument(bad));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::ReadFailed));
    EXPECT_EQ(temps.asciiTempPath(), asciiPath);
    EXPECT_EQ(readFile(asciiPath), listing);
    EXPECT_EQ(state.listingSourcePath, good.toStdString()) << "a reload must reopen the file shown";
    EXPECT_EQ(host.calls, std::vector<std::string>{"remember /proc/self/mem"});
    EXPECT_EQ(tempFileCount(), 4u) << "the failed conversion's file was left behind";
}

TEST_F(DocumentLoaderTest, ViewRefusingTheListingChangesNothing)
{
    const QString good = file("good.asc", "10 OLD\r\n");
    ASSERT_TRUE(loader.openDocument(good));
    host.failListing = true;
    EXPECT_FALSE(loader.openDocument(file("new.asc", "10 NEW\r\n")));
    EXPECT_EQ(readFile(temps.asciiTempPath()), "10 OLD\r\n");
    EXPECT_EQ(state.listingSourcePath, good.toStdString());
    EXPECT_EQ(tempFileCount(), 4u);
}

TEST_F(DocumentLoaderTest, UnreadablePathIsRememberedButLoadsNothing)
{
    const std::string missing = (dir / "sub/missing.bas").string();
    EXPECT_FALSE(loader.openDocument(QString::fromStdString(missing)));
    EXPECT_EQ(host.calls, std::vector<std::string>{"remember " + missing});
    EXPECT_FALSE(state.listingLoaded);
    EXPECT_TRUE(state.listingSourcePath.empty());
}

TEST_F(DocumentLoaderTest, DetectedModeWithoutLayoutKeepsThePicture)
{
    const QString first = file("a.sc5", hexBytes("FE 00 00 00 00 00 00 11 22"));
    settings.set(&Settings::isAutoDetectScreenMode, true);
    ASSERT_TRUE(loader.openDocument(first));
    const std::string picture = readFile(temps.bmpPicturePath());
    host.calls.clear();

    EXPECT_FALSE(loader.openDocument(file("b.sc9", hexBytes("FE 00 00 00 00 00 00 33"))));
    EXPECT_EQ(host.calls.back(), "screen 9") << "the detected mode is shown even without a picture";
    EXPECT_EQ(settings.values().screenMode, 9);
    EXPECT_EQ(readFile(temps.bmpPicturePath()), picture);
    EXPECT_EQ(state.imageSourcePath, first.toStdString());

    host.failPicture = true;
    EXPECT_FALSE(loader.openDocument(file("c.sc7", hexBytes("FE 00 00 00 00 00 00 44"))));
    EXPECT_EQ(readFile(temps.bmpPicturePath()), picture);
    EXPECT_EQ(tempFileCount(), 4u) << "three names and the picture file, nothing more";
}

TEST_F(DocumentLoaderTest, DetectionWeighsTheContentAndNeverPicksAModeTheDataCannotFit)
{
    // A SCREEN 2 save: the 14 KB from 0 to 37FF, here under a name that
    // says nothing and with SCREEN 12 stored from the last picture.
    const std::string screen2 = hexBytes("FE 00 00 FF 37 00 00") + std::string(0x3800, '\x11');
    settings.set(&Settings::isAutoDetectScreenMode, true);
    settings.set(&Settings::screenMode, 12);
    ASSERT_TRUE(loader.openDocument(file("title.bin", screen2))) << loader.lastError().toStdString();
    EXPECT_EQ(settings.values().screenMode, 2);
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "screen 2"), host.calls.end());
    // 256 x 192 at four bits a pixel, after the headers and 16 colours.
    EXPECT_EQ(readFile(temps.bmpPicturePath()).size(), 14u + 40 + 16 * 4 + 128u * 192);

    ASSERT_TRUE(loader.openDocument(file("LUX.SC4", screen2)));
    EXPECT_EQ(settings.values().screenMode, 4) << "the name, where the content allows it";
    ASSERT_TRUE(loader.openDocument(file("big.sc2", hexBytes("FE 00 00 FF D3 00 00") + std::string(0xD400, '\0'))));
    EXPECT_EQ(settings.values().screenMode, 5) << "data past 16 KB fits neither SCREEN 2 nor the stored 4";

    settings.set(&Settings::isAutoDetectScreenMode, false);
    settings.set(&Settings::screenMode, 8);
    ASSERT_TRUE(loader.openDocument(file("again.sc2", screen2)));
    EXPECT_EQ(settings.values().screenMode, 8) << "without detection the setting holds";
}

TEST_F(DocumentLoaderTest, PaletteFilesAndSecondPagesBesideAPictureTakePart)
{
    // 32 bits of little-endian BMP header at `at`.
    const auto field = [](const std::string& bmp, std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bmp.at(at)))
               | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bmp.at(at + 1))) << 8
               | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bmp.at(at + 2))) << 16
               | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bmp.at(at + 3))) << 24;
    };
    settings.set(&Settings::isAutoDetectScreenMode, true);
    const std::string picture = hexBytes("FE 00 00 00 00 00 00 11");
    ASSERT_TRUE(loader.openDocument(file("ART.SR5", picture)));
    const std::uint32_t colour1 = 54 + 4; // blue, green, red, 0
    EXPECT_EQ(field(readFile(temps.bmpPicturePath()), colour1), 0u) << "the default palette's black";

    // The paint program's palette: colour 1 pure red.
    file("ART.PL5", hexBytes("00 00  70 00") + std::string(28, '\0'));
    ASSERT_TRUE(loader.openDocument(file("ART.SR5", picture)));
    EXPECT_EQ(field(readFile(temps.bmpPicturePath()), colour1), 0x00FF0000u);

    EXPECT_TRUE(host.leftOut.empty());

    // One that holds no palette is passed over, not a failure, and told.
    file("ART.PL5", "x");
    ASSERT_TRUE(loader.openDocument(file("ART.SR5", picture))) << loader.lastError().toStdString();
    EXPECT_EQ(field(readFile(temps.bmpPicturePath()), colour1), 0u);
    EXPECT_EQ(host.leftOut, (std::vector<LeftOutCompanion>{{(dir / "ART.PL5").string(), CompanionFault::NoPalette}}));
    EXPECT_EQ(host.shownStatus, status::Opened);

    // Two pages of an interlaced picture: one picture of twice the lines.
    file("PIC.S15", picture);
    ASSERT_TRUE(loader.openDocument(file("PIC.S05", picture)));
    EXPECT_EQ(field(readFile(temps.bmpPicturePath()), 22), 424u);
    fs::remove(dir / "PIC.S15");
    ASSERT_TRUE(loader.openDocument(file("PIC.S05", picture)));
    EXPECT_EQ(field(readFile(temps.bmpPicturePath()), 22), 212u) << "alone, one page";
}

TEST_F(DocumentLoaderTest, ListingAndPictureAreIndependent)
{
    const QString listing = file("p.bas", Program);
    const QString picture = file("p.sc8", hexBytes("FE 00 00 00 00 00 00 FF"));
    ASSERT_TRUE(loader.openDocument(listing));
    ASSERT_TRUE(loader.openDocument(picture));
    EXPECT_TRUE(state.listingLoaded);
    EXPECT_TRUE(state.imageLoaded);
    EXPECT_EQ(state.listingSourcePath, listing.toStdString());
    EXPECT_EQ(state.imageSourcePath, picture.toStdString());
    EXPECT_EQ(readFile(temps.asciiTempPath()), "10 PRINT\r\n20 END\r\n");
}

TEST_F(DocumentLoaderTest, FileIsDispatchedByItsFirstByteAlone)
{
    // A BSAVE file named like a program is still a picture.
    ASSERT_TRUE(loader.openDocument(file("looks.bas", hexBytes("FE 00 00"))));
    EXPECT_TRUE(state.imageLoaded);
    EXPECT_FALSE(state.listingLoaded);
}

TEST_F(DocumentLoaderTest, ListingIsShownAsTheRtfOfTheSettings)
{
    settings.set(&Settings::isAnkMode, false);
    settings.set(&Settings::fontCharset, 128);
    settings.set(&Settings::mapCodeFrom0xAD, 300); // a hand-edited store
    ASSERT_TRUE(loader.openDocument(file("game.bas", Program))) << loader.lastError().toStdString();
    MemorySource listing(std::string_view("10 PRINT\r\n20 END\r\n"));
    StringSink expected;
    writeRtfListing(listing, expected, RtfListingOptions::fromSettings(settings.values()));
    EXPECT_EQ(host.shownRtf, expected.str());
    EXPECT_EQ(host.shownLineCount, 2);
    EXPECT_EQ(readFile(temps.rtfTempPath()), expected.str()) << "written through the temporary-file service";
}

TEST_F(DocumentLoaderTest, FailedRtfWriteLeavesTheViewUnloaded)
{
    ASSERT_TRUE(loader.openDocument(file("keep.asc", "10 KEEP\r\n")));
    host.calls.clear();
    // Room for the listing and the settings, none for its RTF.
    const std::string line = "10 " + std::string(600, 'A') + "\r\n";
    const QString path = file("long.asc", line);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1500;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool loaded = loader.openDocument(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(loaded) << "writing beyond the size limit was taken for success";
    EXPECT_NE(loader.lastError().toStdString().find(errorText(ErrorKind::WriteFailed)), std::string::npos)
        << loader.lastError().toStdString();
    EXPECT_EQ(host.calls, std::vector<std::string>{"remember " + path.toStdString()});
    EXPECT_EQ(host.shownListing, "10 KEEP\r\n");
    EXPECT_EQ(readFile(temps.asciiTempPath()), "10 KEEP\r\n");
    EXPECT_EQ(tempFileCount(), 4u);
}

TEST_F(DocumentLoaderTest, PictureThatCannotTakeTheFileNameIsNotShown)
{
    const QString first = file("a.sc5", hexBytes("FE 00 00 00 00 00 00 11 22"));
    ASSERT_TRUE(loader.openDocument(first));
    const std::string picture = host.shownPicture;
    host.calls.clear();

    // Something the new picture cannot be renamed over, put there while the
    // picture is being read.
    host.onPrepare = [this] {
        fs::remove(temps.bmpPicturePath());
        fs::create_directories(fs::path(temps.bmpPicturePath()) / "in-the-way");
    };
    EXPECT_FALSE(loader.openDocument(file("b.sc5", hexBytes("FE 00 00 00 00 00 00 33 44"))));
    EXPECT_EQ(host.shownPicture, picture) << "the view shows a picture the BMP save does not copy";
    for (const auto& call : host.calls)
        EXPECT_NE(call, "picture");
    EXPECT_EQ(state.imageSourcePath, first.toStdString());
    EXPECT_EQ(tempFileCount(), 4u) << "the new picture's file was left behind";
    fs::remove_all(temps.bmpPicturePath());
}

TEST_F(DocumentLoaderTest, FailedLoadSaysWhyAndWaitsOnNothing)
{
    EXPECT_FALSE(loader.openDocument(QString::fromStdString((dir / "missing.bas").string())));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::FileNotFound));
    EXPECT_FALSE(loader.openDocument(QString::fromStdString(dir.path().string())));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::NotRegularFile));
    // A program lists whatever its bytes, as MSX BASIC does; what fails is reading it.
    EXPECT_FALSE(loader.openDocument(QStringLiteral("/proc/self/mem")));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::ReadFailed));
    settings.set(&Settings::screenMode, 9);
    EXPECT_FALSE(loader.openDocument(file("b.sc9", hexBytes("FE 00 00 00 00 00 00"))));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::UnsupportedScreenMode));

    // A pipe nobody writes to: refused at once, not waited on.
    const fs::path fifo = dir / "pipe.bas";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(loader.openDocument(QString::fromStdString(fifo.string())));
    EXPECT_EQ(host.failure, static_cast<int>(ErrorKind::NotRegularFile));
    EXPECT_FALSE(state.listingLoaded);

    ASSERT_TRUE(loader.openDocument(file("good.bas", Program)));
    EXPECT_EQ(host.failure, -1);
    EXPECT_EQ(host.shownStatus, status::Opened);
}

TEST_F(DocumentLoaderTest, TruncatedProgramShowsWhatCouldBeReadAndSaysSo)
{
    const std::string cut = Program.substr(0, Program.size() - 3); // before "20 END"'s line end
    ASSERT_TRUE(loader.openDocument(file("cut.bas", cut))) << loader.lastError().toStdString();
    EXPECT_EQ(host.shownListing, "10 PRINT\r\n20 END\r\n");
    EXPECT_EQ(host.shownStatus, status::OpenedTruncated);
    EXPECT_TRUE(state.listingLoaded);
}

TEST_F(DocumentLoaderTest, SomethingPlantedAtThePictureNameIsPassedOver)
{
    const std::string planted = temps.bmpPicturePath();
    ASSERT_TRUE(fs::is_regular_file(planted)) << "the picture's name is made with the others";
    fs::remove(planted);
    fs::create_directories(fs::path(planted) / "in-the-way");

    for (const char* name : {"a.sc5", "b.sc5"}) {
        ASSERT_TRUE(loader.openDocument(file(name, hexBytes("FE 00 00 00 00 00 00 11 22"))))
            << loader.lastError().toStdString();
        EXPECT_NE(temps.bmpPicturePath(), planted);
        EXPECT_EQ(readFile(temps.bmpPicturePath()), host.shownPicture) << "the BMP save copies what is shown";
    }
    EXPECT_TRUE(fs::is_directory(fs::path(planted) / "in-the-way")) << "what was planted is not ours to remove";
    fs::remove_all(planted);
}

TEST_F(DocumentLoaderTest, RemovedTemporaryFolderIsMadeAgainOrReplacedAndSaysSo)
{
    fs::remove_all(dir / "tmp");
    ASSERT_TRUE(loader.openDocument(file("game.bas", Program))) << loader.lastError().toStdString();
    EXPECT_EQ(host.shownStatus, status::TempFolderMadeAgain);
    EXPECT_TRUE(fs::is_directory(dir / "tmp"));
    ASSERT_TRUE(loader.openDocument(file("a.sc5", hexBytes("FE 00 00 00 00 00 00 11"))))
        << loader.lastError().toStdString();
    EXPECT_EQ(host.shownStatus, status::Opened) << "said once, when it happened";
    EXPECT_EQ(fs::path(temps.bmpPicturePath()).parent_path(), dir / "tmp");

    // A folder that cannot be made again: the system's from now on.
    const fs::path system = dir / "system";
    fs::create_directory(system);
    setenv("TMPDIR", system.c_str(), 1);
    fs::remove_all(dir / "tmp");
    writeFile(dir / "tmp", "a file in the way");
    const bool loaded = loader.openDocument(file("b.sc5", hexBytes("FE 00 00 00 00 00 00 22")));
    unsetenv("TMPDIR");
    ASSERT_TRUE(loaded) << loader.lastError().toStdString();
    EXPECT_EQ(host.shownStatus, status::TempFolderFellBack);
    EXPECT_EQ(temps.tempNameDir(), system.string() + "/");
    EXPECT_EQ(fs::path(temps.bmpPicturePath()).parent_path(), system);
    EXPECT_EQ(readFile(temps.bmpPicturePath()), host.shownPicture);
}

// Containers: a disk image in a ZIP, as collections hold them.
class ContainerLoadTest : public DocumentLoaderTest {
protected:
    ContainerLoadTest()
    {
        image = gamesDisk(Program);
        zip = file("games.zip", zipOf({{"DISK1.DSK", image}, {"README.TXT", "hello\r\n"}}));
    }

    std::string member(const std::string& inside) const { return zip.toStdString() + "::" + inside; }
    QString at(const std::string& inside) const { return QString::fromStdString(member(inside)); }

    std::string image;
    QString zip;
};

TEST_F(ContainerLoadTest, ContainersAreListedAndTheirMembersOpenLikeFiles)
{
    ASSERT_TRUE(loader.openDocument(zip)) << loader.lastError().toStdString();
    EXPECT_EQ(host.calls.at(1), "container " + zip.toStdString() + ": DISK1.DSK README.TXT");
    EXPECT_EQ(host.shownStatus, status::ContainerOpened);
    EXPECT_EQ(state.containerPath, zip.toStdString());
    EXPECT_FALSE(state.listingLoaded || state.imageLoaded) << "a list is no document to save";

    // A container inside opens in the list; its damage is said.
    host.calls.clear();
    ASSERT_TRUE(loader.openDocument(at("DISK1.DSK"))) << loader.lastError().toStdString();
    EXPECT_EQ(host.calls.at(0), "remember " + zip.toStdString()) << "the open dialog goes to the file on disk";
    EXPECT_EQ(host.calls.at(1), "container " + member("DISK1.DSK") + ": GAME.BAS PICS PICS/TITLE.SC7 LOOP.BAS");
    EXPECT_EQ(host.shownStatus, status::ContainerDamaged);
    EXPECT_EQ(state.containerPath, member("DISK1.DSK"));

    // Members go the file's road; names in a disk image match in any case.
    ASSERT_TRUE(loader.openDocument(at("DISK1.DSK::game.bas"))) << loader.lastError().toStdString();
    EXPECT_EQ(host.shownListing, "10 PRINT\r\n20 END\r\n");
    EXPECT_EQ(state.listingSourcePath, member("DISK1.DSK::game.bas"));
    EXPECT_EQ(host.calls.back(), "loaded " + member("DISK1.DSK::game.bas"));

    settings.set(&Settings::isAutoDetectScreenMode, true);
    ASSERT_TRUE(loader.openDocument(at("DISK1.DSK::PICS/TITLE.SC7"))) << loader.lastError().toStdString();
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "screen 7"), host.calls.end())
        << "the mode comes from the member's name";
    EXPECT_EQ(readFile(temps.bmpPicturePath()), host.shownPicture);
    EXPECT_EQ(state.imageSourcePath, member("DISK1.DSK::PICS/TITLE.SC7"));
    EXPECT_EQ(state.listingSourcePath, member("DISK1.DSK::game.bas")) << "the listing stays";

    // A reload, as after the settings dialog, reads the member again.
    ASSERT_TRUE(loader.loadDocument(at("DISK1.DSK::game.bas"), true)) << loader.lastError().toStdString();
}

TEST_F(ContainerLoadTest, MembersThatCannotBeHadChangeNothing)
{
    ASSERT_TRUE(loader.openDocument(at("DISK1.DSK::GAME.BAS")));
    const std::string shown = readFile(temps.asciiTempPath());
    const struct {
        std::string inside;
        ErrorKind expected;
    } cases[] = {
        {"DISK1.DSK::NONE.BAS", ErrorKind::UnknownMember},
        {"DISK1.DSK::LOOP.BAS", ErrorKind::DamagedMember},
        {"README.TXT::X", ErrorKind::NotAContainer},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(loader.openDocument(at(c.inside))) << c.inside;
        EXPECT_EQ(host.failure, static_cast<int>(c.expected)) << c.inside;
        EXPECT_EQ(state.listingSourcePath, member("DISK1.DSK::GAME.BAS"));
        EXPECT_EQ(readFile(temps.asciiTempPath()), shown);
    }
}

TEST_F(ContainerLoadTest, RecentDocumentsGetTheFileOnDisk)
{
    ASSERT_TRUE(loader.openDocument(at("DISK1.DSK::GAME.BAS")));
    const std::string recent = readFile(dir / "recent.xbel");
    EXPECT_NE(recent.find(QUrl::fromLocalFile(zip).toEncoded().toStdString() + "\""), std::string::npos) << recent;
    EXPECT_EQ(recent.find("::"), std::string::npos) << "no entry the desktop could not open";
    EXPECT_NE(recent.find("application/zip"), std::string::npos);
}

TEST(MemberPath, SplitsAtTheFileOnDiskAndWalksUp)
{
    ScratchDir dir;
    const std::string odd = (dir / "a::b.dsk").string(); // a name of its own with "::"
    FatImageBuilder disk(FatLayout::singleSided360k());
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "GAME.BAS", Program);
    writeFile(odd, disk.bytes());

    const MemberPath where = viewerPath(odd + "::DIR/GAME.BAS");
    EXPECT_EQ(where.file, odd);
    EXPECT_EQ(where.members, std::vector<std::string>{"DIR/GAME.BAS"});
    EXPECT_EQ(where.text(), odd + "::DIR/GAME.BAS");
    EXPECT_EQ(where.leafName(), "GAME.BAS");
    EXPECT_EQ(viewerPath(odd).leafName(), "a::b.dsk");
    EXPECT_EQ(where.parentText(), odd);
    EXPECT_EQ(viewerPath(odd).parentText(), "");
    EXPECT_EQ(readMember(viewerPath(odd + "::dir/game.bas"), viewerFiles()), Program);
    EXPECT_THROW(readMember(viewerPath(odd), viewerFiles()), QuilletError) << "a file on disk is no member";
}
