// SPDX-License-Identifier: MIT
// The pattern modes SCREEN 1 to 4 and the sprites, each pixel checked
// against the video chip's rules as written here: a cell's name picks a
// pattern, bit 7 of a pattern byte is the leftmost dot, a set bit takes the
// high nibble of the colour byte and a clear bit the low one.

#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/PatternModes.h"
#include "image/Sprites.h"
#include "support/TestSupport.h"
#include "test_image_bmp.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace quillet;
using namespace quillet::test;

namespace {

// The colours an MSX1 shows (docs/PICTURE-FORMATS.md), which every
// pattern-mode picture here takes: none carries a palette table. Colour 0
// (transparent) shows as the black backdrop.
constexpr Rgb Msx1Colours[16] = {
    {0, 0, 0},     {0, 0, 0},      {3, 214, 75},    {71, 230, 126},  {79, 91, 220},  {122, 122, 237},
    {239, 66, 82}, {30, 255, 237}, {255, 66, 91},   {255, 102, 126}, {219, 186, 97}, {237, 200, 137},
    {7, 188, 67},  {221, 83, 180}, {204, 204, 204}, {255, 255, 255},
};
// Colour 5 of an MSX2's power-on palette: red 2, green 3, blue 7.
constexpr Rgb Msx2Colour5{0x49, 0x6D, 0xFF};

Rgb msx1(int colour)
{
    return Msx1Colours[colour];
}

// A memory image from address 0 of `size` bytes with the given bytes placed.
class Vram {
public:
    explicit Vram(std::size_t size) : bytes_(size, '\0') {}
    Vram& put(std::size_t address, std::initializer_list<int> values)
    {
        for (const int v : values)
            bytes_.at(address++) = static_cast<char>(v);
        return *this;
    }
    Vram& fill(std::size_t address, std::size_t count, int value)
    {
        for (std::size_t i = 0; i < count; ++i)
            bytes_.at(address + i) = static_cast<char>(value);
        return *this;
    }
    // The file without its type byte: start 0, the bytes.
    std::string file() const { return std::string("\0\0\0\0\0\0", 6) + bytes_; }

private:
    std::string bytes_;
};

const DecodedPicture& decode(BsaveConverter& converter, const std::string& file, int mode,
                             const PictureOptions& options = {})
{
    MemorySource source(file);
    converter.loadVramImage(source, mode);
    return converter.decode(mode, options);
}

} // namespace

TEST(PatternModes, ScreenTwoCellsOfEachThird)
{
    auto converter = std::make_unique<BsaveConverter>();
    Vram vram(0x3800);
    // Third 0, cell (0, 0): name 5, pattern line 0 = 10110000, colours 0x8A.
    vram.put(0x1800, {5}).put(5 * 8, {0xB0}).put(0x2000 + 5 * 8, {0x8A});
    // Third 1 (cell row 8), column 3: name 5 again, but third 1's own pattern 256 + 5.
    vram.put(0x1800 + 8 * 32 + 3, {5}).put((256 + 5) * 8 + 7, {0x01}).put(0x2000 + (256 + 5) * 8 + 7, {0xF4});
    // Third 2 (cell row 16), last column: pattern 512 + 200, line 3, transparent foreground.
    vram.put(0x1800 + 16 * 32 + 31, {200}).put((512 + 200) * 8 + 3, {0x80}).put(0x2000 + (512 + 200) * 8 + 3, {0x0D});
    const DecodedPicture& p = decode(*converter, vram.file(), 2);
    ASSERT_EQ(p.width, 256);
    ASSERT_EQ(p.height, 192);
    const int line0[8] = {8, 10, 8, 8, 10, 10, 10, 10}; // bits 1 0 1 1 0 0 0 0
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(p.pixel(x, 0), msx1(line0[x])) << x;
    EXPECT_EQ(p.pixel(0, 1), msx1(0)) << "line 1 of pattern 5 is empty, colour 0 shows the backdrop";
    // Cell row 8 line 7 is screen line 71; column 3 is dots 24 to 31; bit 0 is its last dot.
    for (int x = 24; x < 31; ++x)
        EXPECT_EQ(p.pixel(x, 71), msx1(4)) << x;
    EXPECT_EQ(p.pixel(31, 71), msx1(15));
    // Cell row 16 line 3 is screen line 131.
    EXPECT_EQ(p.pixel(248, 131), msx1(0)) << "a transparent foreground shows black";
    EXPECT_EQ(p.pixel(249, 131), msx1(13));
    // The colour numbers are kept for the BMP.
    EXPECT_EQ(p.indices[249 + 131 * 256], 13);
}

// Every pattern mode draws a dump without a palette table, or with the
// zeros an MSX1 leaves at its address, in the MSX1's colours (or with
// msx2Colours the MSX2 power-on palette), and a table the dump carries as
// an MSX2 shows it; a palette given wins over all.
TEST(PatternModes, ColoursComeFromTheTableTheDumpCarriesElseTheMsx1s)
{
    auto converter = std::make_unique<BsaveConverter>();
    constexpr Rgb Red{0xFF, 0, 0}, Green{0, 0xFF, 0};
    enum class Table { None, Zero, Red };
    struct Case {
        Table table;
        bool msx2Colours;
        bool givenGreen;
        Rgb colour5;
    };
    const Case cases[] = {
        {Table::None, false, false, msx1(5)},    {Table::Zero, false, false, msx1(5)},
        {Table::Red, false, false, Red},         {Table::None, true, false, Msx2Colour5},
        {Table::Zero, true, false, Msx2Colour5}, {Table::Red, true, false, Red},
        {Table::Zero, false, true, Green},
    };
    for (const int mode : {1, 2, 3, 4}) {
        const std::size_t table = mode == 1 || mode == 3 ? 0x2020 : 0x1B80;
        for (const Case& c : cases) {
            SCOPED_TRACE("SCREEN " + std::to_string(mode) + ", table " + std::to_string(static_cast<int>(c.table))
                         + (c.msx2Colours ? ", MSX2 colours" : "") + (c.givenGreen ? ", green given" : ""));
            // Dot (0, 0) in colour 5: pattern 0 line 0 (a multicolour
            // block in SCREEN 3) and its colour byte both 0x55.
            std::string file;
            if (c.table == Table::None) {
                // Up to the colours of SCREEN 1, from the colours in SCREEN 2 and 4.
                file = mode == 3 ? Vram(8).fill(0, 8, 0x55).file()
                                 : hexBytes("00 20  1F 20  00 00") + std::string(32, 'U');
            } else {
                Vram vram(0x2040);
                vram.fill(0, 8, 0x55).fill(0x2000, 32, 0x55);
                if (c.table == Table::Red)
                    vram.put(table + 2 * 5, {0x70, 0x00});
                file = vram.file();
            }
            PictureOptions options;
            options.msx2Colours = c.msx2Colours;
            if (c.givenGreen) {
                options.paletteTable.emplace();
                options.paletteTable->at(2 * 5 + 1) = 0x07;
            }
            const DecodedPicture& p = decode(*converter, file, mode, options);
            EXPECT_EQ(p.pixel(0, 0), c.colour5);
            EXPECT_EQ(p.colourTable.at(5), c.colour5);
        }
    }
    // The whole table of an MSX1's colours.
    const DecodedPicture& none = decode(*converter, Vram(8).file(), 3);
    EXPECT_EQ(none.colourTable, std::vector<Rgb>(std::begin(Msx1Colours), std::end(Msx1Colours)));
}

TEST(PatternModes, NameTablesThatTheFileDoesNotReachAreBasicsDefaults)
{
    auto converter = std::make_unique<BsaveConverter>();
    // A file that holds the name table shows its names: all zero here, so
    // pattern 7 (white dot) shows nowhere.
    Vram withColours(0x3800);
    withColours.put(7 * 8, {0x80}).put(0x2000 + 7 * 8, {0xF0});
    const DecodedPicture& covered = decode(*converter, withColours.file(), 2);
    EXPECT_EQ(covered.pixel(7 * 8, 0), msx1(0));
    // Without it the preset names 0 to 255 put pattern 7 in column 7.
    const DecodedPicture& preset = decode(*converter, Vram(0x1800).put(7 * 8, {0x80}).file(), 2);
    EXPECT_EQ(preset.indices[7 * 8], 0) << "no colour table in the file: colour 0";

    // Patterns only: names 0 to 255 in each third.
    std::string partial = Vram(0x800).put(7 * 8, {0x80}).file();
    MemorySource source(partial);
    converter->loadVramImage(source, 2);
    const VramImage& vram = converter->vramImage();
    EXPECT_EQ(vram[0x1800 + 7], 7);
    EXPECT_EQ(vram[0x1900 + 255], 255);
    EXPECT_EQ(vram[0x1A00 + 1], 1);

    // SCREEN 3: four cell rows share the names of a band of 32.
    converter->loadVramImage(source, 3);
    EXPECT_EQ(vram[0x0800 + 0], 0);
    EXPECT_EQ(vram[0x0800 + 3 * 32 + 5], 5);
    EXPECT_EQ(vram[0x0800 + 4 * 32 + 5], 37);
    EXPECT_EQ(vram[0x0800 + 23 * 32 + 31], 5 * 32 + 31);

    // SCREEN 1: the colour table is white on dark blue until the file says otherwise.
    converter->loadVramImage(source, 1);
    EXPECT_EQ(vram[0x2000], Screen1DefaultColours);
    EXPECT_EQ(vram[0x201F], Screen1DefaultColours);
    EXPECT_EQ(vram[0x1800 + 300], 300 - 256);
}

TEST(PatternModes, ScreenOneColoursEightPatternsPerByte)
{
    auto converter = std::make_unique<BsaveConverter>();
    Vram vram(0x2020);
    vram.put(0x1800, {9, 16}).put(9 * 8, {0xF0}).put(16 * 8, {0x0F});
    vram.put(0x2000 + 1, {0x6E}); // patterns 8 to 15
    vram.put(0x2000 + 2, {0x2B}); // patterns 16 to 23
    const DecodedPicture& p = decode(*converter, vram.file(), 1);
    EXPECT_EQ(p.pixel(0, 0), msx1(6));
    EXPECT_EQ(p.pixel(4, 0), msx1(14));
    EXPECT_EQ(p.pixel(8, 0), msx1(11));
    EXPECT_EQ(p.pixel(12, 0), msx1(2));
    // Cell row 1 of a file that holds all names: the names there are 0.
    EXPECT_EQ(p.pixel(0, 8), msx1(0));
}

TEST(PatternModes, ScreenThreeBlocksOfFourByFour)
{
    auto converter = std::make_unique<BsaveConverter>();
    // The file holds patterns only; the names are the multicolour defaults.
    Vram vram(0x800);
    vram.put(0, {0x2D, 0x9F});          // name 0, cell rows 0, 4, 8...: top blocks 2|13, bottom 9|15
    vram.put(2 * 8 + 2, {0x45, 0x67});  // name 2 used by cell row 1: bytes 2 and 3
    vram.put(40 * 8 + 6, {0xA0, 0x0B}); // name 40 = 32 + 8 in cell row 7 (7 mod 4 = 3): bytes 6 and 7
    const DecodedPicture& p = decode(*converter, vram.file(), 3);
    EXPECT_EQ(p.pixel(0, 0), msx1(2));
    EXPECT_EQ(p.pixel(3, 3), msx1(2));
    EXPECT_EQ(p.pixel(4, 0), msx1(13));
    EXPECT_EQ(p.pixel(7, 3), msx1(13));
    EXPECT_EQ(p.pixel(0, 4), msx1(9));
    EXPECT_EQ(p.pixel(7, 7), msx1(15));
    EXPECT_EQ(p.pixel(16, 8), msx1(4));
    EXPECT_EQ(p.pixel(20, 12), msx1(7));
    EXPECT_EQ(p.pixel(64, 56), msx1(10));
    EXPECT_EQ(p.pixel(68, 56), msx1(0));
    EXPECT_EQ(p.pixel(68, 60), msx1(11));
}

TEST(PatternModes, BmpIsFourBitWithTheSixteenColours)
{
    auto converter = std::make_unique<BsaveConverter>();
    Vram vram(0x3800);
    vram.put(0x1800, {1}).put(8, {0xC3}).put(0x2008, {0x9E});
    const std::string file = vram.file();
    MemorySource source(file);
    StringSink sink;
    converter->convert(source, 2, sink);
    const BmpPicture bmp(sink.str());
    EXPECT_EQ(bmp.width, 256);
    EXPECT_EQ(bmp.height, 192);
    EXPECT_EQ(bmp.bitCount, 4);
    EXPECT_EQ(bmp.bytes.size(), 118u + 128 * 192);
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(bmp.colourTable.at(static_cast<std::size_t>(c)), msx1(c)) << c;
    EXPECT_EQ(bmp.index(0, 0), 9);
    EXPECT_EQ(bmp.index(2, 0), 14);
    EXPECT_EQ(bmp.index(7, 0), 9);
}

namespace {

// SCREEN 2 memory with sprite patterns and attributes (mode 1).
struct SpriteScene {
    Vram vram{0x4000};
    int next = 0;
    SpriteScene()
    {
        vram.fill(0x1B00, 128, 0);
        for (int n = 0; n < 32; ++n)
            vram.put(0x1B00 + 4 * static_cast<std::size_t>(n), {SpriteEndMode1}); // end of table unless set
        vram.fill(0x3800, 8, 0xFF);                                               // pattern 0: solid 8x8
        vram.put(0x3808, {0x80});                                                 // pattern 1: one dot, top left
    }
    void sprite(int y, int x, int pattern, int colour)
    {
        vram.put(0x1B00 + 4 * static_cast<std::size_t>(next++), {y, x, pattern, colour});
    }
};

Rgb spriteDot(const DecodedPicture& p, int x, int y)
{
    return p.pixel(x, y);
}

} // namespace

TEST(Sprites, ModeOneFourPerLineLowerNumbersOnTop)
{
    auto converter = std::make_unique<BsaveConverter>();
    SpriteScene scene;
    // Five sprites on lines 11 to 18 (Y 10: the first line is Y + 1).
    scene.sprite(10, 0, 0, 8);
    scene.sprite(10, 4, 0, 2); // overlaps sprite 0 on x 4 to 7: sprite 0 wins
    scene.sprite(10, 40, 0, 7);
    scene.sprite(10, 60, 0, 0x8F); // early clock: 32 dots to the left, at 28
    scene.sprite(14, 80, 0, 11);   // the fifth from line 15 on: hidden there, shown on 19 to 22
    const PictureOptions on{{true, 0}};
    const DecodedPicture& p = decode(*converter, scene.vram.file(), 2, on);
    EXPECT_EQ(spriteDot(p, 0, 10), msx1(0)) << "nothing on line Y";
    EXPECT_EQ(spriteDot(p, 0, 11), msx1(8));
    EXPECT_EQ(spriteDot(p, 7, 11), msx1(8));
    EXPECT_EQ(spriteDot(p, 8, 11), msx1(2));
    EXPECT_EQ(spriteDot(p, 11, 18), msx1(2));
    EXPECT_EQ(spriteDot(p, 11, 19), msx1(0));
    EXPECT_EQ(spriteDot(p, 40, 15), msx1(7));
    EXPECT_EQ(spriteDot(p, 28, 12), msx1(15));
    EXPECT_EQ(spriteDot(p, 60, 12), msx1(0));
    EXPECT_EQ(spriteDot(p, 80, 15), msx1(0)) << "a fifth sprite on a line is not shown";
    EXPECT_EQ(spriteDot(p, 80, 18), msx1(0));
    EXPECT_EQ(spriteDot(p, 80, 19), msx1(11));
    EXPECT_EQ(spriteDot(p, 87, 22), msx1(11));

    // Off by default: the same memory without sprites is blank.
    const DecodedPicture& off = decode(*converter, scene.vram.file(), 2);
    EXPECT_EQ(std::count(off.indices.begin(), off.indices.end(), 0), 256 * 192);
}

TEST(Sprites, TableEndsAtY208AndSizesAndMagnification)
{
    auto converter = std::make_unique<BsaveConverter>();
    SpriteScene scene;
    scene.sprite(SpriteEndMode1, 0, 0, 15); // ends the table: nothing after it is drawn
    scene.sprite(0, 0, 0, 15);
    EXPECT_EQ(std::count(decode(*converter, scene.vram.file(), 2, {{true, 0}}).indices.begin(),
                         decode(*converter, scene.vram.file(), 2, {{true, 0}}).indices.end(), 15),
              0);

    SpriteScene big;
    // Pattern 4 as 16x16: bytes 32..47 the left half, 48..63 the right half.
    big.vram.put(0x3800 + 32, {0x80}).put(0x3800 + 48 + 15, {0x01});
    big.sprite(0xFF, 100, 6, 9); // Y 255: starts on line 0; pattern 6 counts as 4 in 16x16
    const DecodedPicture& p16 = decode(*converter, big.vram.file(), 2, {{true, 2}});
    EXPECT_EQ(p16.pixel(100, 0), msx1(9));
    EXPECT_EQ(p16.pixel(115, 15), msx1(9));
    EXPECT_EQ(p16.pixel(101, 0), msx1(0));
    const DecodedPicture& p16x2 = decode(*converter, big.vram.file(), 2, {{true, 3}});
    for (const auto& [x, y] : {std::pair{100, 0}, {101, 1}, {130, 30}, {131, 31}})
        EXPECT_EQ(p16x2.pixel(x, y), msx1(9)) << x << "," << y;
    EXPECT_EQ(p16x2.pixel(102, 0), msx1(0));

    // A sprite starting above the top shows its lower lines.
    SpriteScene high;
    high.vram.put(0x3808 + 7, {0x01});
    high.sprite(0xF9, 0, 1, 3); // first line -6: pattern line 7 on screen line 1
    const DecodedPicture& ph = decode(*converter, high.vram.file(), 1, {{true, 0}});
    EXPECT_EQ(ph.pixel(7, 1), msx1(3));
}

TEST(Sprites, ModeTwoLineColoursEightPerLineAndCombinedColours)
{
    auto converter = std::make_unique<BsaveConverter>();
    Vram vram(0x4000);
    for (int n = 0; n < 32; ++n)
        vram.put(0x1E00 + 4 * static_cast<std::size_t>(n), {SpriteEndMode2});
    vram.fill(0x3800, 8, 0xFF);
    auto sprite = [&](int n, int y, int x, std::initializer_list<int> lineColours) {
        vram.put(0x1E00 + 4 * static_cast<std::size_t>(n), {y, x, 0, 0});
        vram.put(0x1C00 + 16 * static_cast<std::size_t>(n), lineColours);
    };
    sprite(0, 19, 0, {2, 3, 4, 5, 6, 7, 8, 9});
    sprite(1, 19, 4, {0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41}); // CC: ORed into sprite 0 where they overlap
    for (int n = 2; n < 9; ++n)                                         // seven more: the ninth (n = 8) is hidden
        sprite(n, 19, 20 * n, {12, 12, 12, 12, 12, 12, 12, 12});
    const DecodedPicture& p = decode(*converter, vram.file(), 4, {{true, 0}});
    for (int line = 0; line < 8; ++line)
        EXPECT_EQ(p.indices[static_cast<std::size_t>(20 + line) * 256], 2 + line) << line;
    EXPECT_EQ(p.indices[20 * 256 + 4], 2 | 1);
    EXPECT_EQ(p.indices[21 * 256 + 5], 3 | 1);
    EXPECT_EQ(p.indices[20 * 256 + 9], 1) << "a CC sprite's own dots show in its colour";
    EXPECT_EQ(p.indices[20 * 256 + 140], 12);
    EXPECT_EQ(p.indices[20 * 256 + 160], 0) << "the ninth sprite on a line is not shown";

    // A CC sprite with no plain sprite above it is not shown.
    Vram alone(0x4000);
    for (int n = 0; n < 32; ++n)
        alone.put(0x1E00 + 4 * static_cast<std::size_t>(n), {SpriteEndMode2});
    alone.fill(0x3800, 8, 0xFF).put(0x1E00, {19, 0, 0, 0}).fill(0x1C00, 8, 0x45);
    const DecodedPicture& none = decode(*converter, alone.file(), 4, {{true, 0}});
    EXPECT_EQ(std::count(none.indices.begin(), none.indices.end(), 5), 0);
}

TEST(Sprites, BitmapModesDrawAtTheirTablesAndWideModesDoubleEachDot)
{
    auto converter = std::make_unique<BsaveConverter>();
    std::string five(0x8000, '\0');
    five[0x7600] = 9; // Y: line 10
    five[0x7601] = 50;
    five[0x7602] = 0;
    five[0x7603] = 0;
    five[0x7604] = static_cast<char>(SpriteEndMode2);
    five[0x7800] = static_cast<char>(0x80);
    five[0x7400] = 7;
    const std::string file = std::string(6, '\0') + five;
    EXPECT_EQ(decode(*converter, file, 5, {{true, 0}}).indices[10 * 256 + 50], 7);
    EXPECT_EQ(decode(*converter, file, 5).indices[10 * 256 + 50], 0);
    // SCREEN 6: colour 7 = 01 11: the left half-dot 1, the right 3.
    const DecodedPicture& six = decode(*converter, file, 6, {{true, 0}});
    EXPECT_EQ(six.indices[10 * 512 + 100], 1);
    EXPECT_EQ(six.indices[10 * 512 + 101], 3);
    EXPECT_TRUE(spritesDrawable(*screenModeLayout(8)));
    EXPECT_TRUE(spritesDrawable(*screenModeLayout(12)));
}

TEST(PatternModes, EveryPrefixOfADumpDecodesCleanly)
{
    auto converter = std::make_unique<BsaveConverter>();
    Vram vram(0x4000);
    for (std::size_t a = 0; a < 0x4000; ++a)
        vram.put(a, {static_cast<int>((a * 37 + 11) & 0xFF)});
    const std::string file = vram.file();
    for (const int mode : {1, 2, 3, 4}) {
        for (std::size_t length = 0; length <= file.size(); length += length < 64 ? 1 : 997) {
            const DecodedPicture& p = decode(*converter, file.substr(0, length), mode, {{true, 3}});
            ASSERT_EQ(p.rgb.size(), 256u * 192 * 3) << mode << " " << length;
            ASSERT_EQ(p.indices.size(), 256u * 192) << mode << " " << length;
        }
    }
}
