// SPDX-License-Identifier: MIT
// quillet-convert on BSAVE images: the mode from --screen or the name, and
// modes without a picture.

#include "ConvertRunner.h"
#include "common/ByteStream.h"
#include "convert/ConvertCli.h"
#include "image/BsaveConverter.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"
#include "test_image_bmp.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::string viewerBmp(const std::string& file, int mode)
{
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(std::string_view(file).substr(1));
    StringSink sink;
    converter->convert(source, mode, sink);
    return sink.str();
}

std::size_t entriesIn(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(ConvertImage, SamplesBecomeTheViewersPicture)
{
    ScratchDir dir;
    ASSERT_EQ(runConvert({samplePath("sample.sc5").string(), (dir / "five.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "five.bmp"), viewerBmp(readFile(samplePath("sample.sc5")), 5));
    ASSERT_EQ(runConvert({samplePath("sample.s12").string(), (dir / "twelve.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "twelve.bmp"), viewerBmp(readFile(samplePath("sample.s12")), 12));
}

TEST(ConvertImage, ScreenOptionWinsOverTheName)
{
    ScratchDir dir;
    const std::string sample = readFile(samplePath("sample.sc5"));
    ASSERT_EQ(runConvert({"--screen", "7", samplePath("sample.sc5").string(), (dir / "out").string()}).status,
              cli::ExitOk);
    EXPECT_EQ(readFile(dir / "out"), viewerBmp(sample, 7));
    EXPECT_EQ(readFile(dir / "out").size(), 54390u);
}

TEST(ConvertImage, NameDecidesWithoutTheOption)
{
    ScratchDir dir;
    const std::string file = readFile(samplePath("sample.s12"));
    const std::pair<const char*, int> cases[] = {
        {"PIC.S12", 12}, {"PIC.SCC", 12}, {"PIC.SC8", 8}, {"PIC.SCA", 10},
        {"PIC.S11", 11}, {"PIC.BIN", 5},  {"pic.scc", 5}, // lower-case letters say nothing: SCREEN 5
    };
    for (const auto& [name, mode] : cases) {
        writeFile(dir / name, file);
        ASSERT_EQ(runConvert({(dir / name).string(), (dir / "out.bmp").string()}).status, cli::ExitOk) << name;
        EXPECT_EQ(readFile(dir / "out.bmp"), viewerBmp(file, mode)) << name;
    }
}

TEST(ConvertImage, ModesWithoutPictureFailAndWriteNothing)
{
    ScratchDir dir;
    writeFile(dir / "PIC.SC9", readFile(samplePath("sample.sc5")));
    writeFile(dir / "PIC.SC5", readFile(samplePath("sample.sc5")));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{(dir / "PIC.SC9").string()}, "SCREEN 9"},
        {{"--screen", "9", (dir / "PIC.SC5").string()}, "SCREEN 9"},
        {{"--screen", "13", (dir / "PIC.SC5").string()}, "SCREEN 13"},
        {{"--screen", "0", (dir / "PIC.SC5").string()}, "SCREEN 0"},
        {{"--screen", "-1", (dir / "PIC.SC5").string()}, "SCREEN -1"},
    };
    for (auto [args, mode] : cases) {
        args.push_back((dir / "out.bmp").string());
        const ConvertResult result = runConvert(args);
        EXPECT_EQ(result.status, cli::ExitFailed) << mode;
        EXPECT_NE(result.err.find("no picture layout"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(mode), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(fs::exists(dir / "out.bmp")) << mode;
        EXPECT_EQ(entriesIn(dir.path()), 2u) << "a temporary file was left behind";
    }

    // An existing output stays as it was.
    writeFile(dir / "out.bmp", "old");
    EXPECT_EQ(runConvert({"--screen", "9", (dir / "PIC.SC5").string(), (dir / "out.bmp").string()}).status,
              cli::ExitFailed);
    EXPECT_EQ(readFile(dir / "out.bmp"), "old");
}

// What the user asked for is checked in each mode: a picture output of a
// file that is none, a listing of a picture, a file named as a picture that
// is none (a batch names its outputs by content, an extraction keeps every
// member as it is), and a picture in a mode without a layout. The cause is
// named with the input, nothing is written for it, the others go on, and
// the exit status says something failed.
TEST(ConvertImage, APictureAskedOfAFileThatIsNoneFailsAndWritesNothing)
{
    ScratchDir dir;
    const std::string text = "10 PRINT \"HI\"\r\n", program = readFile(samplePath("sample.bas"));
    const std::string picture = readFile(samplePath("sample.sc5"));
    const std::string packed = hexBytes("FD 00 00 10 00 00 00 44 11"); // compressed, its data cut short
    writeFile(dir / "TEXT.SC5", text);
    writeFile(dir / "PACKED.SR5", packed);
    writeFile(dir / "TITLE.SC5", picture);
    writeFile(dir / "NOTE.SC9", picture);
    writeFile(dir / "GAME.BAS", program);
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "TEXT.SC5", text);
    disk.addFile("", "NOTE.SC9", picture);
    disk.addFile("", "GAME.BAS", program);
    writeFile(dir / "disk.dsk", disk.bytes());
    const auto in = [&](const char* name) { return (dir / name).string(); };
    const fs::path out = dir / "out";

    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> causes; // one line each, in this order
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {{in("TEXT.SC5"), (out / "out.png").string()}, {"TEXT.SC5: not an MSX picture: first byte 0x31"}, {}},
        {{in("PACKED.SR5"), (out / "out.bmp").string()},
         {"PACKED.SR5: the picture cannot be read: compressed picture: the data is cut short"},
         {}},
        {{"--png", in("GAME.BAS"), (out / "game.asc").string()}, {"GAME.BAS: not an MSX picture: first byte 0xFF"}, {}},
        {{"--utf8", in("TITLE.SC5"), (out / "title.txt").string()}, {"TITLE.SC5: --utf8 takes a listing"}, {}},
        {{"--output-dir", out.string(), in("TEXT.SC5"), in("GAME.BAS"), in("NOTE.SC9"), in("PACKED.SR5")},
         {"TEXT.SC5: not an MSX picture: first byte 0x31", "NOTE.SC9: the screen mode has no picture layout: SCREEN 9",
          "PACKED.SR5: the picture cannot be read: compressed picture: the data is cut short"},
         {"GAME.asc"}},
        {{"--extract-all", in("disk.dsk"), out.string()},
         {": TEXT.SC5: not an MSX picture: first byte 0x31: written as it is",
          "NOTE.png: the screen mode has no picture layout: SCREEN 9"},
         {"GAME.asc", "GAME.bas", "NOTE.SC9", "TEXT.SC5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        fs::remove_all(out);
        fs::create_directory(out);
        const ConvertResult result = runConvert(c.args);
        EXPECT_EQ(result.status, cli::ExitFailed);
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = result.err.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(result.err.substr(start, end - start));
        ASSERT_EQ(lines.size(), c.causes.size()) << result.err;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with("quillet-convert: ")) << lines[i];
            EXPECT_NE(lines[i].find(c.causes[i]), std::string::npos) << lines[i];
        }
        EXPECT_EQ(namesIn(out), c.written);
    }
}

// A file beside a picture named like its palette file or other page that
// cannot be used is left out: the picture is what it is without it, the
// conversion succeeds, and one line names the file and why.
TEST(ConvertImage, ACompanionThatCannotBeUsedIsLeftOutWithANotice)
{
    ScratchDir dir;
    writeFile(dir / "ART.SR7", gen::bsaveFile(0, std::string(212 * 256, '\x35')));
    writeFile(dir / "PIC.S05", gen::bsaveFile(0, std::string(212 * 128, '\x12')));
    const auto file = [](std::string bytes) { return [bytes](const fs::path& at) { writeFile(at, bytes); }; };
    const auto folder = [](const fs::path& at) { fs::create_directory(at); };
    // Nothing writes to it: reading it would wait for ever.
    const auto fifo = [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); };

    struct Case {
        const char* picture;
        const char* companion;
        std::function<void(const fs::path&)> make;
        const char* why;
    };
    const Case cases[] = {
        {"ART.SR7", "ART.PL7", file("abc"), "holds no palette"},
        {"ART.SR7", "ART.PL7", file(gen::bsaveFile(0x7680, std::string(20, '\x77'))), "holds no palette"},
        {"ART.SR7", "ART.pl7", folder, "not a regular file"},
        {"ART.SR7", "ART.PL7", fifo, "not a regular file"},
        {"PIC.S05", "PIC.S15", file(readFile(samplePath("sample.bas"))), "not a BSAVE picture"},
        {"PIC.S05", "PIC.S15", file("10 PRINT \"HI\"\r\n"), "not a BSAVE picture"},
        {"PIC.S05", "PIC.S15", file(hexBytes("FE 00 00")), "not a BSAVE picture"},
        {"PIC.S05", "PIC.S15", file(hexBytes("FE 00 00 00 00 00 00")), "not a BSAVE picture"},
        {"PIC.S05", "PIC.S15", file(hexBytes("FE 00 10 00 00 00 00 77")), "not a BSAVE picture"},
        {"PIC.S05", "PIC.S15", folder, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.companion) + ": " + c.why);
        const std::string picture = (dir / c.picture).string();
        const std::string alone = (dir / "alone.bmp").string(), beside = (dir / "beside.bmp").string();
        ASSERT_EQ(runConvert({picture, alone}).status, cli::ExitOk);
        c.make(dir / c.companion);
        const ConvertResult result = runConvert({picture, beside});
        EXPECT_EQ(result.status, cli::ExitOk) << result.err;
        EXPECT_EQ(result.err, "quillet-convert: " + (dir / c.companion).string() + ": not used: " + c.why + "\n");
        EXPECT_EQ(readFile(beside), readFile(alone)) << "drawn as if it were not there";
        fs::remove_all(dir / c.companion);
    }
}

// --palette-index picks a palette of the file given or of the one beside
// the picture; a file given that does not hold it fails and writes
// nothing, one beside that does not is left out. --msx2-colours draws a
// SCREEN 2 dump without a palette table in the MSX2's colours.
TEST(ConvertImage, PaletteIndexAndMsx2Colours)
{
    ScratchDir dir;
    // Every pixel colour 1; palette n of the file gives colour 1 red n + 1.
    writeFile(dir / "ART.SR5", gen::bsaveFile(0, std::string(212 * 128, '\x11')));
    std::string three;
    for (int n = 0; n < 3; ++n) {
        std::string table(32, '\0');
        table[2] = static_cast<char>((n + 1) << 4);
        three += table;
    }
    writeFile(dir / "THREE.PAL", three);
    const std::string art = (dir / "ART.SR5").string(), pal = (dir / "THREE.PAL").string();
    const std::string out = (dir / "out.bmp").string();
    const auto red = [](int level) { return Rgb{PaletteLevels3[static_cast<std::size_t>(level)], 0, 0}; };
    struct Case {
        std::vector<std::string> args;
        bool beside; // ART.PL5 holds the three palettes
        int status;
        Rgb colour1;
        std::string err;
    };
    const Case cases[] = {
        {{"--palette", pal}, false, cli::ExitOk, red(1), ""},
        {{"--palette", pal, "--palette-index", "2"}, false, cli::ExitOk, red(3), ""},
        {{"--palette-index", "1"}, true, cli::ExitOk, red(2), ""},
        {{"--palette-index", "7", "--palette", pal},
         false,
         cli::ExitFailed,
         {},
         "quillet-convert: " + art + ": the picture cannot be read: " + pal + ": holds 3 palettes, no palette 7\n"},
        // Left out: the picture's own colours, colour 1 of the power-on palette.
        {{"--palette-index", "5"},
         true,
         cli::ExitOk,
         {0, 0, 0},
         "quillet-convert: " + (dir / "ART.PL5").string() + ": not used: holds no palette\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        fs::remove(out);
        if (c.beside)
            writeFile(dir / "ART.PL5", three);
        std::vector<std::string> args = c.args;
        args.push_back(art);
        args.push_back(out);
        const ConvertResult result = runConvert(args);
        fs::remove(dir / "ART.PL5");
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, c.err);
        if (c.status != cli::ExitOk) {
            EXPECT_FALSE(fs::exists(out));
            continue;
        }
        EXPECT_EQ(BmpPicture(readFile(out)).pixel(0, 0), c.colour1);
    }

    // A SCREEN 2 dump whose palette table holds the zeros of an MSX1: colour 5 everywhere.
    std::string screen2(0x3800, '\0');
    std::fill_n(screen2.begin() + 0x2000, 0x1800, '\x55');
    writeFile(dir / "MSX1.SC2", gen::bsaveFile(0, screen2));
    for (const bool msx2 : {false, true}) {
        std::vector<std::string> args{(dir / "MSX1.SC2").string(), out};
        if (msx2)
            args.insert(args.begin(), "--msx2-colours");
        ASSERT_EQ(runConvert(args).status, cli::ExitOk);
        EXPECT_EQ(BmpPicture(readFile(out)).pixel(100, 100), msx2 ? (Rgb{0x49, 0x6D, 0xFF}) : (Rgb{122, 122, 237}));
    }

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--palette-index", "8", art},
                                               {"--palette-index", "-1", art},
                                               {"--palette-index"},
                                               {"--msx2-colours", "--list", art},
                                               {"--palette-index", "1", "--rtf", art}}) {
        SCOPED_TRACE(wrong.front() + " " + wrong.back());
        EXPECT_EQ(runConvert(wrong).status, cli::ExitUsage);
    }
}
