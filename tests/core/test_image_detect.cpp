// SPDX-License-Identifier: MIT
// Choosing the mode from name and content, PNG output read back by libpng,
// interlaced pictures, and paint programs' palette files.

#include "ConvertRunner.h"
#include "image/BsaveConverter.h"
#include "image/ScreenMode.h"
#include "support/TestSupport.h"
#include "test_image_bmp.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <tuple>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

// The PNG read with libpng's simplified reader, as 8-bit RGB.
struct PngPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    Rgb pixel(int x, int y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

PngPicture readPng(const std::string& bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw std::runtime_error(std::string("not a PNG: ") + image.message);
    image.format = PNG_FORMAT_RGB;
    PngPicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr))
        throw std::runtime_error(std::string("damaged PNG: ") + image.message);
    return picture;
}

std::string convertAs(BsaveConverter& converter, const std::string& file, int mode, PictureFormat format,
                      const PictureOptions& options = {})
{
    MemorySource source(std::string_view(file).substr(1));
    StringSink sink;
    converter.convert(source, mode, options, format, sink);
    return sink.str();
}

} // namespace

TEST(DetectScreenMode, PictureNamesOfEveryKind)
{
    const std::pair<const char*, int> cases[] = {
        {"LUX.SC2", 2},   {"lux.sc2", 2},  {"FONT.sc1", 1}, {"CAT.SC3", 3},   {"FIELD.SC4", 4},
        {"TITLE.GRP", 2}, {"ART.SR5", 5},  {"ART.SR7", 7},  {"ART.sr8", 8},   {"ART.SRS", 12},
        {"ART.GE5", 5},   {"art.ge7", 7},  {"PIC.S05", 5},  {"PIC.S15", 5},   {"PIC.S1C", 12},
        {"pic.s0a", 10},  {"GAME.SC5", 5}, {"x.S12", 12},   {"DATA.BIN", -1}, {"dir.SC2/DATA.BIN", -1},
        {"x.SC9", 9},     {"x.SC0", -1},   {"x.S25", 5}, // the last-character rule still holds
    };
    for (const auto& [name, mode] : cases)
        EXPECT_EQ(detectScreenModeFromPictureName(name), mode) << name;
}

TEST(DetectScreenMode, ContentRulesOutModesItPlainlyDoesNotFit)
{
    const BsaveShape screen2{0, 0x3801};  // BSAVE 0 to &H3800: the usual SCREEN 2 save
    const BsaveShape screen4{0, 0x4000};  // 0 to &H3FFF
    const BsaveShape screen5{0, 0x76A0};  // lines and palette
    const BsaveShape font{0, 0x801};      // a SCREEN 1 pattern table alone
    const BsaveShape palette{0x7680, 32}; // a SCREEN 5 palette alone
    const BsaveShape empty{0, 0};
    for (const int mode : {5, 6, 7, 8, 10, 11, 12}) {
        EXPECT_TRUE(contentRulesOut(mode, screen2)) << mode;
        EXPECT_TRUE(contentRulesOut(mode, screen4)) << mode;
        EXPECT_FALSE(contentRulesOut(mode, screen5)) << mode;
        EXPECT_FALSE(contentRulesOut(mode, font)) << mode;
        EXPECT_FALSE(contentRulesOut(mode, palette)) << mode;
        EXPECT_FALSE(contentRulesOut(mode, empty)) << mode;
    }
    for (const int mode : {1, 2, 3, 4}) {
        EXPECT_FALSE(contentRulesOut(mode, screen2)) << mode;
        EXPECT_FALSE(contentRulesOut(mode, screen4)) << mode;
        EXPECT_TRUE(contentRulesOut(mode, screen5)) << mode;
        EXPECT_TRUE(contentRulesOut(mode, palette)) << mode << ": a table past 16 KB";
        EXPECT_FALSE(contentRulesOut(mode, font)) << mode;
    }
    // One byte past &H4000 is already no MSX1 screen.
    EXPECT_TRUE(contentRulesOut(2, BsaveShape{0, 0x4002}));
    EXPECT_TRUE(contentRulesOut(2, BsaveShape{0x3000, 0x1002}));
}

TEST(DetectScreenMode, NameThenContentThenTheStoredMode)
{
    const BsaveShape screen2{0, 0x3801};
    const BsaveShape screen8{0, 0xD400};
    const BsaveShape tiny{0, 100};
    // The 14 KB SCREEN 2 dump is never SCREEN 12, whatever the name or setting.
    EXPECT_EQ(detectScreenMode("LUX.SC2", screen2, 12), 2);
    EXPECT_EQ(detectScreenMode("LUX.S12", screen2, 12), 2);
    EXPECT_EQ(detectScreenMode("LUX.BIN", screen2, 12), 2);
    EXPECT_EQ(detectScreenMode("FIELD.SC4", screen2, 5), 4);
    // A bitmap-sized file named as a pattern mode takes the setting, or SCREEN 5.
    EXPECT_EQ(detectScreenMode("PIC.SC2", screen8, 8), 8);
    EXPECT_EQ(detectScreenMode("PIC.SC2", screen8, 3), 5);
    EXPECT_EQ(detectScreenMode("PIC.SC8", screen8, 5), 8);
    // What the content leaves open the name decides, then the setting.
    EXPECT_EQ(detectScreenMode("PIC.SC7", tiny, 5), 7);
    EXPECT_EQ(detectScreenMode("PIC.DAT", tiny, 3), 3);
    EXPECT_EQ(detectScreenMode("NOTE.SC9", screen8, 5), 9);

    // Detection off: the setting holds, content or not.
    EXPECT_EQ(selectScreenMode(12, false, "LUX.SC2", screen2).mode, 12);
    EXPECT_FALSE(selectScreenMode(12, false, "LUX.SC2", screen2).indicate);
    const ModeSelection on = selectScreenMode(12, true, "LUX.SC2", screen2);
    EXPECT_EQ(on.mode, 2);
    EXPECT_TRUE(on.indicate);
}

TEST(DetectScreenMode, InterlacedPairsAndPaletteFiles)
{
    EXPECT_EQ(interlacedPageOfName("a/PIC.S05"), 0);
    EXPECT_EQ(interlacedPageOfName("a/PIC.s17"), 1);
    EXPECT_EQ(interlacedPageOfName("PIC.S1C"), 1);
    for (const char* name : {"PIC.S10", "PIC.S11", "PIC.S12", "PIC.S25", "PIC.SC1", "S05", "PIC.S09"})
        EXPECT_EQ(interlacedPageOfName(name), -1) << name;
    EXPECT_EQ(interlacedPartnerName("dir/PIC.S05"), "dir/PIC.S15");
    EXPECT_EQ(interlacedPartnerName("pic.s1a"), "pic.s0a");
    EXPECT_EQ(interlacedPartnerName("PIC.SC2"), "");

    EXPECT_EQ(paletteFileNames("d/ART.SR5"), (std::vector<std::string>{"d/ART.PL5", "d/ART.pl5"}));
    EXPECT_EQ(paletteFileNames("art.ge7"), (std::vector<std::string>{"art.PL7", "art.pl7"}));
    EXPECT_TRUE(paletteFileNames("ART.SC5").empty()) << "a BSAVE picture carries its own";
    EXPECT_TRUE(paletteFileNames("ART.SR8").empty()) << "SCREEN 8 has fixed colours";

    // The table: bare, or after a BSAVE header.
    std::string table(32, '\0');
    table[0] = 0x70;
    const auto bytes = [](const std::string& s) {
        return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    EXPECT_EQ(paletteTableFromFile(bytes(table)).value()[0], 0x70);
    const std::string withHeader = gen::bsaveFile(0, table + std::string(224, '\x11'));
    EXPECT_EQ(paletteTableFromFile(bytes(withHeader)).value()[0], 0x70);
    EXPECT_EQ(paletteTableFromFile(bytes(withHeader)).value()[31], 0);
    EXPECT_FALSE(paletteTableFromFile(bytes(table.substr(0, 31))));
    EXPECT_FALSE(paletteTableFromFile(bytes(withHeader.substr(0, 38)))) << "a BSAVE file cut short holds none";
}

// A palette file of eight tables (palette n: first byte n + 1), bare or
// after a BSAVE header, cut short or carrying more: the palette asked for,
// or none when the file does not hold it whole.
TEST(PaletteFiles, EachOfTheEightPalettesByIndex)
{
    std::string eight;
    for (int n = 0; n < 8; ++n)
        eight += static_cast<char>(n + 1) + std::string(31, static_cast<char>(0x10 * n));
    const auto bytes = [](const std::string& s) {
        return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    struct Case {
        std::string file;
        int palettes;
    };
    const Case cases[] = {
        {eight, 8},
        {gen::bsaveFile(0, eight), 8},
        {eight + std::string(40, '\x77'), 8}, // past eight tables nothing counts
        {eight.substr(0, 3 * 32 + 31), 3},    // the fourth cut short
        {gen::bsaveFile(0, eight).substr(0, 7 + 64), 2},
        {eight.substr(0, 31), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.file.size()) + " bytes");
        EXPECT_EQ(paletteTablesInFile(bytes(c.file)), c.palettes);
        for (int index = -1; index <= 8; ++index) {
            const auto table = paletteTableFromFile(bytes(c.file), index);
            ASSERT_EQ(table.has_value(), index >= 0 && index < c.palettes) << index;
            if (table) {
                EXPECT_EQ((*table)[0], index + 1) << index;
                EXPECT_EQ((*table)[31], 0x10 * index) << index;
            }
        }
    }
}

TEST(PngOutput, ReadBackByLibpngItIsTheBmpsPicture)
{
    auto converter = std::make_unique<BsaveConverter>();
    std::vector<gen::GoldenPicture> pictures = gen::goldenPictures();
    pictures.push_back({"sample.sc5", 5, gen::sampleScreen5()});
    for (const gen::GoldenPicture& picture : pictures) {
        const BmpPicture bmp(convertAs(*converter, picture.file, picture.mode, PictureFormat::Bmp));
        const std::string pngBytes = convertAs(*converter, picture.file, picture.mode, PictureFormat::Png);
        ASSERT_EQ(pngBytes.substr(1, 3), "PNG") << picture.name;
        const PngPicture png = readPng(pngBytes);
        ASSERT_EQ(png.width, bmp.width) << picture.name;
        ASSERT_EQ(png.height, bmp.height) << picture.name;
        for (int y = 0; y < png.height; ++y)
            for (int x = 0; x < png.width; ++x)
                if (png.pixel(x, y) != bmp.pixel(x, y)) {
                    ADD_FAILURE() << picture.name << " differs at " << x << "," << y;
                    return;
                }
    }
}

// The header's bit depth and colour type (IHDR follows the signature).
std::pair<int, int> pngType(const std::string& png)
{
    return {static_cast<std::uint8_t>(png.at(24)), static_cast<std::uint8_t>(png.at(25))};
}

TEST(PngOutput, SmallestTypeThatHoldsThePictureWithItsColours)
{
    constexpr int Rgb24 = 2, Paletted = 3; // PNG colour types
    // The depth follows from the colours shown: the generated palettes
    // repeat every eighth entry (8 colours), SCREEN 6 numbers 4 colours,
    // the MSX1 colours have black twice (15).
    const std::map<std::string, std::pair<int, int>> expected{
        {"golden1.sc1", {4, Paletted}}, {"golden2.sc2", {4, Paletted}}, {"golden3.sc3", {4, Paletted}},
        {"golden4.sc4", {4, Paletted}}, {"golden5.sc5", {4, Paletted}}, {"golden6.sc6", {2, Paletted}},
        {"golden7.sc7", {4, Paletted}}, {"golden8.sc8", {8, Paletted}}, {"golden10.sca", {8, Rgb24}},
        {"golden11.scb", {8, Rgb24}},   {"golden12.scc", {8, Rgb24}},   {"sample.sc5", {4, Paletted}},
        {"sample.s12", {8, Rgb24}},     {"blank.sc5", {1, Paletted}},   {"two.sc5", {1, Paletted}},
        {"three.sc8", {2, Paletted}},   {"grey.s12", {4, Paletted}},
    };
    std::vector<gen::GoldenPicture> pictures = gen::goldenPictures();
    pictures.push_back({"sample.sc5", 5, gen::sampleScreen5()});
    pictures.push_back({"sample.s12", 12, gen::sampleScreen12()});
    pictures.push_back({"blank.sc5", 5, gen::bsaveFile(0, std::string(128, '\0'))});
    // Colours 1 and 15 of the power-on palette; 0x00, 0x03, 0xFF of SCREEN 8.
    pictures.push_back({"two.sc5", 5, gen::bsaveFile(0, std::string(128 * 212, '\x1F'))});
    pictures.push_back({"three.sc8", 8, gen::bsaveFile(0, std::string(256 * 100, '\x03') + std::string(256, '\xFF'))});
    // YJK with no chroma: Y 0 to 15 give 16 greys.
    std::string greys;
    for (int i = 0; i < 256 * 212; ++i)
        greys += static_cast<char>((i % 16) << 3);
    pictures.push_back({"grey.s12", 12, gen::bsaveFile(0, greys)});

    auto converter = std::make_unique<BsaveConverter>();
    for (const gen::GoldenPicture& picture : pictures) {
        SCOPED_TRACE(picture.name);
        const std::string pngBytes = convertAs(*converter, picture.file, picture.mode, PictureFormat::Png);
        ASSERT_EQ(pngBytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
        EXPECT_EQ(pngType(pngBytes), expected.at(picture.name));
        // The 24-bit rendering, as the PNG used to hold it.
        MemorySource source(std::string_view(picture.file).substr(1));
        converter->loadVramImage(source, picture.mode);
        const DecodedPicture& rendering = converter->decode(picture.mode);
        std::set<std::tuple<int, int, int>> shown;
        for (int y = 0; y < rendering.height; ++y)
            for (int x = 0; x < rendering.width; ++x) {
                const Rgb colour = rendering.pixel(x, y);
                shown.insert({colour.red, colour.green, colour.blue});
            }
        // No smaller type holds them.
        const auto [depth, type] = pngType(pngBytes);
        EXPECT_GT(shown.size(), type == Rgb24 ? 256u : depth == 1 ? 0u : 1u << (depth / 2));
        const PngPicture png = readPng(pngBytes);
        ASSERT_EQ(png.width, rendering.width);
        ASSERT_EQ(png.height, rendering.height);
        EXPECT_TRUE(png.rgb == rendering.rgb) << "the pixels differ from the 24-bit rendering";
    }
}

TEST(PngOutput, ConvertWritesPngByNameOrOption)
{
    ScratchDir dir;
    const fs::path input = samplePath("sample.sc5");
    ASSERT_EQ(runConvert({input.string(), (dir / "a.PNG").string()}).status, cli::ExitOk);
    ASSERT_EQ(runConvert({"--png", input.string(), (dir / "b.out").string()}).status, cli::ExitOk);
    ASSERT_EQ(runConvert({input.string(), (dir / "c.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(readFile(dir / "a.PNG"), readFile(dir / "b.out"));
    EXPECT_EQ(readFile(dir / "a.PNG").substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(readFile(dir / "c.bmp").substr(0, 2), "BM");
    const PngPicture png = readPng(readFile(dir / "a.PNG"));
    const BmpPicture bmp(readFile(dir / "c.bmp"));
    EXPECT_EQ(png.pixel(128, 100), bmp.pixel(128, 100));

    // Picture options with a listing are refused.
    const ConvertResult listing = runConvert({"--png", samplePath("sample.bas").string(), (dir / "x").string()});
    EXPECT_EQ(listing.status, cli::ExitFailed);
    EXPECT_FALSE(fs::exists(dir / "x"));
    EXPECT_EQ(runConvert({"--sprite-size", "4", input.string()}).status, cli::ExitUsage);
    EXPECT_EQ(runConvert({"--png", "--rtf", input.string()}).status, cli::ExitUsage);
}

TEST(Interlace, PairsAndTwoPagesOfOneFile)
{
    ScratchDir dir;
    // Page 0 all colour 1, page 1 all colour 2 (SCREEN 5, one line of 128 bytes each).
    const std::string page0 = gen::bsaveFile(0, std::string(212 * 128, '\x11'));
    const std::string page1 = gen::bsaveFile(0, std::string(212 * 128, '\x22'));
    writeFile(dir / "PIC.S05", page0);
    writeFile(dir / "PIC.S15", page1);
    for (const char* input : {"PIC.S05", "PIC.S15"}) {
        ASSERT_EQ(runConvert({(dir / input).string(), (dir / "out.bmp").string()}).status, cli::ExitOk) << input;
        const BmpPicture bmp(readFile(dir / "out.bmp"));
        ASSERT_EQ(bmp.height, 424) << input;
        EXPECT_EQ(bmp.index(10, 0), 1) << input;
        EXPECT_EQ(bmp.index(10, 1), 2) << input;
        EXPECT_EQ(bmp.index(255, 423), 2) << input;
    }
    // Without its partner a page is a picture of its own.
    fs::remove(dir / "PIC.S15");
    ASSERT_EQ(runConvert({(dir / "PIC.S05").string(), (dir / "out.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(BmpPicture(readFile(dir / "out.bmp")).height, 212);

    // One file of two SCREEN 5 pages: page 1 from 0x8000, page 0's palette
    // (entry 3 red, entry 4 blue) between them.
    std::string both(0x8000 + 212 * 128, '\0');
    std::fill(both.begin(), both.begin() + 212 * 128, '\x33');
    std::fill(both.begin() + 0x8000, both.end(), '\x44');
    both[0x7680 + 6] = 0x70;
    both[0x7680 + 8] = 0x07;
    writeFile(dir / "BOTH.SC5", gen::bsaveFile(0, both));
    ASSERT_EQ(runConvert({"--interlace", (dir / "BOTH.SC5").string(), (dir / "out.png").string()}).status, cli::ExitOk);
    const PngPicture png = readPng(readFile(dir / "out.png"));
    ASSERT_EQ(png.height, 424);
    EXPECT_EQ(png.pixel(0, 0), (Rgb{0xFF, 0, 0}));
    EXPECT_EQ(png.pixel(0, 1), (Rgb{0, 0, 0xFF}));
    EXPECT_EQ(png.pixel(255, 422), (Rgb{0xFF, 0, 0}));
    // Without the option the same file is one page.
    ASSERT_EQ(runConvert({(dir / "BOTH.SC5").string(), (dir / "one.png").string()}).status, cli::ExitOk);
    EXPECT_EQ(readPng(readFile(dir / "one.png")).height, 212);
}

TEST(PaletteFile, BesideAPaintProgramsPictureItGivesTheColours)
{
    ScratchDir dir;
    const std::string picture = gen::bsaveFile(0, std::string(128, '\x01'));
    std::string table(32, '\0');
    table[2] = 0x07; // entry 1: blue 7
    writeFile(dir / "ART.SR5", picture);
    ASSERT_EQ(runConvert({(dir / "ART.SR5").string(), (dir / "a.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(BmpPicture(readFile(dir / "a.bmp")).pixel(1, 0), (Rgb{0, 0, 0})) << "default colour 1";
    writeFile(dir / "ART.PL5", gen::bsaveFile(0, table));
    ASSERT_EQ(runConvert({(dir / "ART.SR5").string(), (dir / "a.bmp").string()}).status, cli::ExitOk);
    EXPECT_EQ(BmpPicture(readFile(dir / "a.bmp")).pixel(1, 0), (Rgb{0, 0, 0xFF}));
    // Given by hand, to any picture of a palette mode.
    writeFile(dir / "other.pal", table);
    writeFile(dir / "PIC.SC5", picture);
    ASSERT_EQ(
        runConvert({"--palette", (dir / "other.pal").string(), (dir / "PIC.SC5").string(), (dir / "b.bmp").string()})
            .status,
        cli::ExitOk);
    EXPECT_EQ(BmpPicture(readFile(dir / "b.bmp")).pixel(1, 0), (Rgb{0, 0, 0xFF}));
    writeFile(dir / "short.pal", "x");
    EXPECT_EQ(
        runConvert({"--palette", (dir / "short.pal").string(), (dir / "PIC.SC5").string(), (dir / "c.bmp").string()})
            .status,
        cli::ExitFailed);
    EXPECT_FALSE(fs::exists(dir / "c.bmp"));
}

TEST(Corpus, PatternModePicturesDecodeByNameAndContent)
{
    const fs::path img = corpusDir().empty() ? fs::path() : corpusDir() / "img";
    if (img.empty() || !fs::exists(img / "mb2r-LUX.SC2"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    auto converter = std::make_unique<BsaveConverter>();
    const std::pair<const char*, int> files[] = {
        {"mb2r-LUX.SC2", 2}, {"mb2r-NYANCAT.SC3", 3}, {"mb2r-PENNANT2.SC4", 4}, {"hra-font.sc1", 1}};
    for (const auto& [name, mode] : files) {
        const std::string file = readFile(img / name);
        const BsaveShape shape{static_cast<std::uint16_t>(static_cast<std::uint8_t>(file[1]) | file[2] << 8),
                               file.size() - 7};
        EXPECT_EQ(detectScreenMode(name, shape, 12), mode) << name;
        const PngPicture png = readPng(convertAs(*converter, file, mode, PictureFormat::Png));
        EXPECT_EQ(png.width, 256) << name;
        EXPECT_EQ(png.height, 192) << name;
        // Real pictures use more than one colour.
        std::set<std::tuple<int, int, int>> colours;
        for (int y = 0; y < 192; y += 3)
            for (int x = 0; x < 256; x += 3)
                colours.insert({png.pixel(x, y).red, png.pixel(x, y).green, png.pixel(x, y).blue});
        EXPECT_GE(colours.size(), 2u) << name;
    }
    // The Nyan Cat's sky is dark blue (colour 4) in its top left corner,
    // as an MSX1 shows it: the file carries no palette table.
    const PngPicture cat = readPng(convertAs(*converter, readFile(img / "mb2r-NYANCAT.SC3"), 3, PictureFormat::Png));
    EXPECT_EQ(cat.pixel(0, 0), (Rgb{79, 91, 220}));
}
