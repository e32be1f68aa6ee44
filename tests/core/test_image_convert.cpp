// SPDX-License-Identifier: MIT
// Loading BSAVE files into video memory and turning them into BMP
// pictures, mode by mode.

#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/Yjk.h"
#include "support/TestSupport.h"
#include "test_image_bmp.h"
#include "tools/PictureGen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <span>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

// The converter is 128 KB; tests keep it on the heap as the program does.
std::unique_ptr<BsaveConverter> makeConverter()
{
    return std::make_unique<BsaveConverter>();
}

// Converts a file given without its type byte.
std::string convertBytes(BsaveConverter& converter, std::string_view afterType, int mode)
{
    MemorySource source(afterType);
    StringSink sink;
    converter.convert(source, mode, sink);
    return sink.str();
}

std::string convertBytes(std::string_view afterType, int mode)
{
    return convertBytes(*makeConverter(), afterType, mode);
}

// Header (start, end, execution) followed by `data`.
std::string bsave(std::uint16_t start, std::string_view data, std::uint16_t end = 0)
{
    std::string file;
    for (const std::uint16_t v : {start, end, std::uint16_t(0)}) {
        file += static_cast<char>(v & 0xFF);
        file += static_cast<char>(v >> 8);
    }
    return file + std::string(data);
}

// The sixteen colours every palette-table mode starts with, written out
// from their levels: 0x00 0x25 0x49 0x6D 0x92 0xB6 0xDA 0xFF.
const Rgb DefaultColours[16] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}, {0x25, 0xDA, 0x25}, {0x6D, 0xFF, 0x6D},
    {0x25, 0x25, 0xFF}, {0x49, 0x6D, 0xFF}, {0xB6, 0x25, 0x25}, {0x49, 0xDA, 0xFF},
    {0xFF, 0x25, 0x25}, {0xFF, 0x6D, 0x6D}, {0xDA, 0xDA, 0x25}, {0xDA, 0xDA, 0x92},
    {0x25, 0x92, 0x25}, {0xDA, 0x49, 0xB6}, {0xB6, 0xB6, 0xB6}, {0xFF, 0xFF, 0xFF},
};

std::vector<Rgb> defaultColours()
{
    return {std::begin(DefaultColours), std::end(DefaultColours)};
}

} // namespace

TEST(BsaveLoad, HeaderOnlyScreenFiveIsBlackWithTheDefaultColours)
{
    const BmpPicture bmp(convertBytes(hexBytes("00 00  FF 1F  00 00  # start 0, end 0x1FFF, no data"), 5));
    EXPECT_EQ(bmp.bytes.size(), 27254u);
    EXPECT_EQ(bmp.fileSize, 27254u);
    EXPECT_EQ(bmp.width, 256);
    EXPECT_EQ(bmp.height, 212);
    EXPECT_EQ(bmp.colourTable, defaultColours());
    EXPECT_EQ(bmp.bytes.find_first_not_of('\0', bmp.pixelOffset), std::string::npos);
    EXPECT_EQ(bmp.pixel(0, 0), (Rgb{0, 0, 0}));
}

TEST(BsaveLoad, FilesShorterThanTheHeaderLoadNothing)
{
    auto converter = makeConverter();
    for (std::size_t length = 0; length < 7; ++length) {
        // Bytes that would draw something if they were taken for data.
        const std::string bmp = convertBytes(*converter, std::string(length, '\x77'), 12);
        ASSERT_EQ(bmp.size(), 162870u) << length;
        EXPECT_EQ(bmp.find_first_not_of('\0', 54), std::string::npos) << length;
    }
}

TEST(BsaveLoad, HeaderValuesAreReturnedAndTheEndAddressIsIgnored)
{
    auto converter = makeConverter();
    const std::string file = hexBytes("34 12  00 00  CD AB  # start 0x1234, end 0 (below start), exec 0xABCD\n"
                                      "11 22 33");
    MemorySource source(file);
    const BsaveHeader header = converter->loadVramImage(source, 8);
    EXPECT_EQ(header, (BsaveHeader{0x1234, 0x0000, 0xABCD}));
    EXPECT_EQ(converter->vramImage()[0x1234], 0x11);
    EXPECT_EQ(converter->vramImage()[0x1236], 0x33);
    EXPECT_EQ(converter->vramImage()[0x1237], 0x00);

    // The length of the file decides, whatever the end address says.
    const std::string data(300, '\x1C');
    EXPECT_EQ(convertBytes(bsave(0, data, 0x0000), 8), convertBytes(bsave(0, data, 0xFFFF), 8));
}

TEST(BsaveLoad, StartAddressPlacesTheData)
{
    // SCREEN 5 line 1 starts at 0x80; data placed there shows on line 1 only.
    BmpPicture bmp(convertBytes(bsave(0x0080, std::string(128, '\xFF')), 5));
    EXPECT_EQ(bmp.index(0, 0), 0);
    EXPECT_EQ(bmp.index(0, 1), 15);
    EXPECT_EQ(bmp.index(255, 1), 15);
    EXPECT_EQ(bmp.index(0, 2), 0);

    // Beyond the lines of the mode nothing shows.
    const std::string hidden = convertBytes(bsave(0x8000, std::string(1000, '\xFF')), 5);
    EXPECT_EQ(hidden, convertBytes(bsave(0, ""), 5));

    // SCREEN 7 lines are 256 bytes: 0x0100 is line 1.
    bmp = BmpPicture(convertBytes(bsave(0x0100, "\x12"), 7));
    EXPECT_EQ(bmp.index(0, 1), 1);
    EXPECT_EQ(bmp.index(1, 1), 2);
    EXPECT_EQ(bmp.index(0, 0), 0);
}

TEST(BsaveLoad, DataBeyondTheEndOfVideoMemoryIsIgnored)
{
    auto converter = makeConverter();
    // From 0xFFFF there is room for 0x10001 bytes; five more follow.
    std::string data(0x10001 + 5, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 13 + 1);
    const std::string file = bsave(0xFFFF, data);
    MemorySource source(file);
    converter->loadVramImage(source, 12);
    const VramImage& vram = converter->vramImage();
    EXPECT_EQ(vram[0xFFFE], 0);
    EXPECT_EQ(vram[0xFFFF], static_cast<std::uint8_t>(data[0]));
    EXPECT_EQ(vram[0x1FFFF], static_cast<std::uint8_t>(data[0x10000]));
    // The rest of the file stays unread.
    std::string rest;
    std::uint8_t byte;
    while (source.next(byte))
        rest += static_cast<char>(byte);
    EXPECT_EQ(rest, data.substr(0x10001));

    // A file larger than all of video memory from address 0.
    const std::string huge = bsave(0, std::string(0x20000 + 4096, '\xF8'));
    MemorySource hugeSource(huge);
    converter->loadVramImage(hugeSource, 12);
    EXPECT_EQ(vram[0], 0xF8);
    EXPECT_EQ(vram[0x1FFFF], 0xF8);
}

TEST(BsaveLoad, EveryLoadStartsFromClearedMemory)
{
    auto converter = makeConverter();
    const std::string busy = convertBytes(*converter, bsave(0, std::string(0x8000, '\x5A')), 12);
    ASSERT_NE(busy.find_first_not_of('\0', 54), std::string::npos);
    const std::string empty = convertBytes(*converter, bsave(0, ""), 12);
    EXPECT_EQ(empty.find_first_not_of('\0', 54), std::string::npos);

    // A palette read by one conversion does not leak into the next.
    std::string own(0x76A0, '\0');
    own[0x7680] = '\x77';
    convertBytes(*converter, bsave(0, own), 5);
    EXPECT_EQ(converter->screenPalette()[0], (Rgb{0xFF, 0x00, 0xFF}));
    EXPECT_EQ(BmpPicture(convertBytes(*converter, bsave(0, ""), 5)).colourTable, defaultColours());
}

TEST(BsaveLoad, ModesWithoutLayoutFailBeforeReadingOrWriting)
{
    auto converter = makeConverter();
    const std::string file = bsave(0, "\x01\x02");
    for (const int mode : {9, 13, 0, -1}) {
        MemorySource source(file);
        StringSink sink;
        try {
            converter->convert(source, mode, sink);
            ADD_FAILURE() << "SCREEN " << mode << " converted";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::UnsupportedScreenMode);
            EXPECT_NE(std::string(error.what()).find("SCREEN " + std::to_string(mode)), std::string::npos)
                << error.what();
        }
        EXPECT_TRUE(sink.str().empty());
        std::uint8_t first = 0xEE;
        ASSERT_TRUE(source.next(first));
        EXPECT_EQ(first, 0x00) << "the file was read";
    }
}

TEST(BsaveLoad, ReadAndWriteErrorsReachTheCaller)
{
    auto converter = makeConverter();
    FailingSource failingRead(bsave(0, std::string(100, '\x11')));
    StringSink sink;
    try {
        converter->convert(failingRead, 5, sink);
        ADD_FAILURE() << "a failed read was taken for the end of the file";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::ReadFailed);
    }
    EXPECT_TRUE(sink.str().empty());

    // The sink's own failure, through the BMP writer and through libpng's
    // long jump alike.
    const std::string file = bsave(0, "\x11");
    for (const PictureFormat format : {PictureFormat::Bmp, PictureFormat::Png}) {
        MemorySource source(file);
        FailingSink failingWrite;
        try {
            converter->convert(source, 5, PictureOptions{}, format, failingWrite);
            ADD_FAILURE() << "a failed write was taken for success";
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::WriteFailed);
            EXPECT_EQ(error.detail(), "disk full");
        }
        // No handler is left unfinished behind the jump.
        EXPECT_FALSE(std::current_exception());
    }
}

TEST(BmpOutput, HeadersOfEachKind)
{
    const std::string screen5 = convertBytes(bsave(0, ""), 5);
    EXPECT_EQ(screen5.substr(0, 54), hexBytes(R"(
        42 4D  76 6A 00 00  00 00  00 00  76 00 00 00  # "BM", 27254 bytes, pixels at 118
        28 00 00 00  00 01 00 00  D4 00 00 00          # info size 40, 256 x 212 (bottom-up)
        01 00  04 00  00 00 00 00  00 6A 00 00         # 1 plane, 4 bits, uncompressed, 27136 bytes
        00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00)"));
    // Colour-table entries are blue, green, red, 0: entry 2 is green.
    EXPECT_EQ(screen5.substr(54 + 8, 8), hexBytes("25 DA 25 00  6D FF 6D 00"));

    const std::string screen8 = convertBytes(bsave(0, ""), 8);
    EXPECT_EQ(screen8.substr(0, 54), hexBytes(R"(
        42 4D  36 D8 00 00  00 00  00 00  36 04 00 00  # 55350 bytes, pixels at 1078
        28 00 00 00  00 01 00 00  D4 00 00 00
        01 00  08 00  00 00 00 00  00 D4 00 00         # 8 bits, 54272 bytes
        00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00)"));

    for (const int mode : {10, 11, 12}) {
        const std::string yjk = convertBytes(bsave(0, ""), mode);
        EXPECT_EQ(yjk.substr(0, 54), hexBytes(R"(
            42 4D  36 7C 02 00  00 00  00 00  36 00 00 00  # 162870 bytes, no colour table
            28 00 00 00  00 01 00 00  D4 00 00 00
            01 00  18 00  00 00 00 00  00 7C 02 00         # 24 bits, 162816 bytes
            00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00)"))
            << mode;
    }
}

TEST(BmpOutput, FirstRowIsTheBottomLine)
{
    // SCREEN 5: every byte of line y is y (both pixels of colour y & 15,
    // so look at the raw rows).
    std::string data(212 * 128, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i / 128);
    const std::string bmp = convertBytes(bsave(0, data), 5);
    for (int row = 0; row < 212; ++row) {
        const std::string expected(128, static_cast<char>(211 - row));
        ASSERT_EQ(bmp.substr(118 + static_cast<std::size_t>(row) * 128, 128), expected) << "row " << row;
    }
}

TEST(BmpOutput, ScreenFiveAndSevenKeepTheirBytes)
{
    std::string line5, line7;
    for (int i = 0; i < 128; ++i)
        line5 += static_cast<char>(i * 2 + 1);
    for (int i = 0; i < 256; ++i)
        line7 += static_cast<char>(255 - i);
    const BmpPicture five(convertBytes(bsave(0, line5), 5));
    EXPECT_EQ(five.bytes.substr(five.pixelOffset + 211 * 128, 128), line5);
    // Left pixel in the high nibble: byte 0x01 is pixels 0 then 1.
    EXPECT_EQ(five.index(0, 0), 0);
    EXPECT_EQ(five.index(1, 0), 1);
    EXPECT_EQ(five.pixel(1, 0), DefaultColours[1]);
    EXPECT_EQ(five.index(254, 0), 0xF);
    EXPECT_EQ(five.index(255, 0), 0xF);

    const BmpPicture seven(convertBytes(bsave(0, line7), 7));
    EXPECT_EQ(seven.bytes.substr(seven.pixelOffset + 211 * 256, 256), line7);
    EXPECT_EQ(seven.index(0, 0), 0xF);
    EXPECT_EQ(seven.index(511, 0), 0x0);
    EXPECT_EQ(seven.index(3, 0), 0xE);
}

TEST(BmpOutput, ScreenSixSplitsEachByteIntoFourPixels)
{
    const BmpPicture bmp(convertBytes(bsave(0, hexBytes("E4  # pixels 3 2 1 0\n 1B  # pixels 0 1 2 3")), 6));
    EXPECT_EQ(bmp.rowByte(0, 0), 0x32);
    EXPECT_EQ(bmp.rowByte(0, 1), 0x10);
    EXPECT_EQ(bmp.rowByte(0, 2), 0x01);
    EXPECT_EQ(bmp.rowByte(0, 3), 0x23);
    EXPECT_EQ(bmp.rowByte(0, 4), 0x00);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(bmp.pixel(x, 0), DefaultColours[3 - x]) << x;
        EXPECT_EQ(bmp.pixel(4 + x, 0), DefaultColours[x]) << x;
    }
    // 128 bytes make a 512-pixel line: byte 127 is pixels 508 to 511.
    std::string line(128, '\0');
    line[127] = '\x1B';
    const BmpPicture last(convertBytes(bsave(0, line), 6));
    EXPECT_EQ(last.index(508, 0), 0);
    EXPECT_EQ(last.index(511, 0), 3);
    EXPECT_EQ(last.index(0, 1), 0);
}

TEST(BmpOutput, ScreenEightFixedColours)
{
    const BmpPicture bmp(convertBytes(bsave(0, hexBytes("FF 1C E0 03 49 00")), 8));
    EXPECT_EQ(bmp.colourTable.size(), 256u);
    EXPECT_EQ(bmp.pixel(0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(bmp.pixel(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(bmp.pixel(2, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(bmp.pixel(3, 0), (Rgb{0, 0, 255}));
    // 0x49 = GGG 010, RRR 010, BB 01.
    EXPECT_EQ(bmp.pixel(4, 0), (Rgb{0x49, 0x49, 0x55}));
    EXPECT_EQ(bmp.pixel(5, 0), (Rgb{0, 0, 0}));
    // Blue has four levels.
    EXPECT_EQ(bmp.colourTable[0x02], (Rgb{0, 0, 0xAA}));
    EXPECT_EQ(bmp.colourTable[0x01], (Rgb{0, 0, 0x55}));
    // Each pixel byte is its own index.
    EXPECT_EQ(bmp.index(0, 0), 0xFF);
    EXPECT_EQ(bmp.index(4, 0), 0x49);
}

TEST(Palette, OwnPaletteShowsOnlyWhenTheFileReachesItsEnd)
{
    // Lines 0 to 211 only: the default palette.
    std::string lines(27136, '\x01');
    EXPECT_EQ(BmpPicture(convertBytes(bsave(0, lines), 5)).colourTable, defaultColours());

    // Up to 0x769F: the palette the file carries (entry n: red n&7, green 7-(n&7), blue n>>1).
    std::string full(0x76A0, '\0');
    std::vector<Rgb> expected;
    for (int n = 0; n < 16; ++n) {
        full[0x7680 + 2 * static_cast<std::size_t>(n)] = static_cast<char>((n & 7) << 4 | n >> 1);
        full[0x7681 + 2 * static_cast<std::size_t>(n)] = static_cast<char>(7 - (n & 7));
        expected.push_back({PaletteLevels3[n & 7], PaletteLevels3[7 - (n & 7)], PaletteLevels3[n >> 1]});
    }
    EXPECT_EQ(BmpPicture(convertBytes(bsave(0, full), 5)).colourTable, expected);
    EXPECT_EQ(BmpPicture(convertBytes(bsave(0, full), 6)).colourTable, expected);
    // SCREEN 7 keeps its table at 0xFA80, so the same bytes are only pixels there.
    EXPECT_EQ(BmpPicture(convertBytes(bsave(0, full), 7)).colourTable, defaultColours());

    // A palette-only file (start at the table) recolours an empty picture.
    const BmpPicture paletteOnly(convertBytes(bsave(0x7680, full.substr(0x7680)), 5));
    EXPECT_EQ(paletteOnly.colourTable, expected);
    EXPECT_EQ(paletteOnly.pixel(100, 100), expected[0]);
}

TEST(Palette, BitsSevenAndThreeAreIgnored)
{
    std::string clean(0x20, '\0'), noisy(0x20, '\0');
    for (std::size_t n = 0; n < 16; ++n) {
        clean[2 * n] = static_cast<char>((n & 7) << 4 | (7 - (n & 7)));
        clean[2 * n + 1] = static_cast<char>(n % 8);
        noisy[2 * n] = static_cast<char>(clean[2 * n] | 0x88);
        noisy[2 * n + 1] = static_cast<char>(clean[2 * n + 1] | 0xF8);
    }
    EXPECT_EQ(convertBytes(bsave(0x7680, noisy), 5), convertBytes(bsave(0x7680, clean), 5));
    EXPECT_EQ(convertBytes(bsave(0xFA80, noisy), 7), convertBytes(bsave(0xFA80, clean), 7));

    // Palette pixels of SCREEN 10 use the table the same way.
    std::string picture(0xFAA0, '\0');
    for (std::size_t i = 0; i < 256; ++i)
        picture[i] = static_cast<char>((i % 16) << 4 | 0x08);
    std::string withNoisy = picture, withClean = picture;
    withNoisy.replace(0xFA80, 0x20, noisy);
    withClean.replace(0xFA80, 0x20, clean);
    EXPECT_EQ(convertBytes(bsave(0, withNoisy), 10), convertBytes(bsave(0, withClean), 10));
}

TEST(Yjk, ScreenTwelveGroups)
{
    BmpPicture bmp(convertBytes(bsave(0, hexBytes("FF FB FF FB  # Y 31, J 31, K 31\n"
                                                  "00 04 00 04  # Y 0, J -32, K -32")),
                                12));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(bmp.pixel(x, 0), (Rgb{248, 248, 120})) << x;
        EXPECT_EQ(bmp.pixel(4 + x, 0), (Rgb{0, 0, 192})) << x;
    }
    // Byte 0x58 is Y 11 with J = K = 0 (the other bytes add nothing).
    bmp = BmpPicture(convertBytes(bsave(0, hexBytes("58 00 00 00")), 12));
    EXPECT_EQ(bmp.pixel(0, 0), (Rgb{88, 88, 104}));
    EXPECT_EQ(bmp.pixel(1, 0), (Rgb{0, 0, 0}));
    // Byte order of the chroma: low three bits of K in byte 0, high in byte 1.
    bmp = BmpPicture(convertBytes(bsave(0, hexBytes("81 80 80 80  # Y 16, K 1, J 0\n"
                                                    "80 81 80 80  # Y 16, K 8, J 0\n"
                                                    "80 80 82 80  # Y 16, K 0, J 2\n"
                                                    "80 80 80 87  # Y 16, K 0, J -8")),
                                  12));
    EXPECT_EQ(bmp.pixel(0, 0), (Rgb{128, 136, 152})); // n = 80 - 1 = 79
    EXPECT_EQ(bmp.pixel(4, 0), (Rgb{128, 192, 144})); // n = 80 - 8 = 72
    EXPECT_EQ(bmp.pixel(8, 0), (Rgb{144, 128, 152})); // n = 80 - 4 = 76
    EXPECT_EQ(bmp.pixel(12, 0), (Rgb{64, 128, 192})); // n = 80 + 16 = 96
}

TEST(Yjk, ScreenTenPaletteBit)
{
    // 0x58 has bit 3 set: default palette entry 5; its low bits still feed K.
    BmpPicture bmp(convertBytes(bsave(0, hexBytes("58 00 00 00")), 10));
    EXPECT_EQ(bmp.pixel(0, 0), DefaultColours[5]);
    EXPECT_EQ(bmp.pixel(1, 0), (Rgb{0, 0, 0}));

    bmp = BmpPicture(convertBytes(bsave(0, hexBytes("5F 00 00 00  # palette 5 and K 7\n"
                                                    "F0 F0 E0 10  # Y 30, 30, 28, 2 with J = K = 0")),
                                  10));
    EXPECT_EQ(bmp.pixel(0, 0), DefaultColours[5]);
    EXPECT_EQ(bmp.pixel(1, 0), (Rgb{0, 56, 0}));      // Y 0, K 7: n = -7, blue 0
    EXPECT_EQ(bmp.pixel(4, 0), (Rgb{240, 240, 248})); // Y 30: n = 150, blue capped at 31
    EXPECT_EQ(bmp.pixel(6, 0), (Rgb{224, 224, 248})); // Y 28: n = 140
    EXPECT_EQ(bmp.pixel(7, 0), (Rgb{16, 16, 16}));    // Y 2: n = 10, blue 2

    // SCREEN 11 reads the bytes the same way.
    const std::string bytes = bsave(0, hexBytes("58 00 00 00  5F 00 00 00  F0 F0 E0 10"));
    EXPECT_EQ(convertBytes(bytes, 11), convertBytes(bytes, 10));

    // Palette pixels use the file's own table at 0xFA80 and reach 255.
    std::string own(0xFAA0, '\0');
    own[0] = '\xF8';           // palette entry 15
    own[0xFA80 + 30] = '\x70'; // entry 15: red 7, blue 0
    own[0xFA80 + 31] = '\x07'; // green 7
    EXPECT_EQ(BmpPicture(convertBytes(bsave(0, own), 10)).pixel(0, 0), (Rgb{255, 255, 0}));
}

// Every Y, J and K through the whole converter, against the formula
// worked in floating point: blue = 1.25 Y - 0.5 J - 0.25 K, clamped to
// 0..31 and cut; red = Y + J and green = Y + K, clamped.
TEST(Yjk, EveryCombinationMatchesTheFormula)
{
    auto expect = [](int y, int j, int k) {
        const double b = std::trunc(std::clamp(1.25 * y - 0.5 * j - 0.25 * k, 0.0, 31.0));
        return Rgb{static_cast<std::uint8_t>(std::clamp(y + j, 0, 31) * 8),
                   static_cast<std::uint8_t>(std::clamp(y + k, 0, 31) * 8), static_cast<std::uint8_t>(b * 8)};
    };
    auto converter = makeConverter();
    constexpr int groupsPerImage = 212 * 64;
    for (const int mode : {12, 10}) {
        // Y values per group: 4 in a group, 8 (SCREEN 12) or 4 (SCREEN 10) groups per chroma pair.
        const int yCount = mode == 12 ? 32 : 16;
        const int total = 4096 * yCount / 4;
        int checked = 0;
        for (int first = 0; first < total; first += groupsPerImage) {
            std::string data(static_cast<std::size_t>(groupsPerImage) * 4, '\0');
            const int groups = std::min(groupsPerImage, total - first);
            for (int g = 0; g < groups; ++g) {
                const int id = first + g;
                const int pair = id % 4096, ySet = id / 4096;
                const int j = (pair >> 6) - 32, k = (pair & 63) - 32;
                const int j6 = j & 63, k6 = k & 63;
                const int low[4] = {k6 & 7, k6 >> 3, j6 & 7, j6 >> 3};
                for (int i = 0; i < 4; ++i) {
                    const int y = ySet * 4 + i;
                    const int high = mode == 12 ? y << 3 : y << 4;
                    data[static_cast<std::size_t>(g) * 4 + static_cast<std::size_t>(i)] =
                        static_cast<char>(high | low[i]);
                }
            }
            const BmpPicture bmp(convertBytes(*converter, bsave(0, data), mode));
            for (int g = 0; g < groups; ++g) {
                const int id = first + g;
                const int pair = id % 4096, ySet = id / 4096;
                const int j = (pair >> 6) - 32, k = (pair & 63) - 32;
                for (int i = 0; i < 4; ++i) {
                    const int y = mode == 12 ? ySet * 4 + i : (ySet * 4 + i) * 2;
                    const Rgb got = bmp.pixel((g % 64) * 4 + i, g / 64);
                    if (got != expect(y, j, k)) {
                        ADD_FAILURE() << "SCREEN " << mode << " Y " << y << " J " << j << " K " << k;
                        return;
                    }
                    ++checked;
                }
            }
        }
        EXPECT_EQ(checked, 4096 * yCount) << mode;
    }
}

namespace {

// Rows with bytes between them that a decode must leave alone; colour
// numbers taken as they are when `numbers` says so.
class PaddedRows final : public PixelRowTarget {
public:
    explicit PaddedRows(bool numbers) : numbers_(numbers) {}
    PixelRows rgbRows(int width, int height) override { return make(static_cast<std::size_t>(width) * 3, height); }
    PixelRows numberRows(int width, int height, std::span<const Rgb> table) override
    {
        if (!numbers_)
            return {};
        colourTable.assign(table.begin(), table.end());
        return make(static_cast<std::size_t>(width), height);
    }
    static constexpr std::size_t Padding = 13;
    static constexpr std::uint8_t Untouched = 0xA5;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> memory;
    std::vector<Rgb> colourTable;

private:
    PixelRows make(std::size_t bytes, int height)
    {
        rowBytes = bytes;
        memory.assign((rowBytes + Padding) * static_cast<std::size_t>(height), Untouched);
        return {memory.data(), static_cast<std::ptrdiff_t>(rowBytes + Padding)};
    }
    bool numbers_;
};

} // namespace

// Rows in memory of the caller's with a stride of its own, taking colours
// or colour numbers: every mode, with sprites and interlaced, gives the
// pixels the converter's own buffer gets and writes nothing between rows.
TEST(RowTarget, RowsInTheCallersMemoryHoldTheConvertersPicture)
{
    PictureOptions sprites;
    sprites.sprites.draw = true;
    PictureOptions interlaced;
    interlaced.interlace = true;
    PictureOptions both = sprites;
    both.interlace = true;
    auto converter = makeConverter();
    for (const gen::GoldenPicture& picture : gen::goldenPictures()) {
        for (const PictureOptions& options : {PictureOptions{}, sprites, interlaced, both}) {
            for (const bool numbers : {false, true}) {
                SCOPED_TRACE(picture.name + (options.sprites.draw ? " with sprites" : "")
                             + (options.interlace ? " interlaced" : "") + (numbers ? ", numbers" : ", colours"));
                const auto decodeWith = [&](PixelRowTarget* target) {
                    MemorySource first(std::string_view(picture.file).substr(1));
                    converter->loadVramImage(first, picture.mode);
                    MemorySource second(std::string_view(picture.file).substr(1));
                    converter->loadSecondPage(second, picture.mode);
                    converter->setRowTarget(target);
                    const DecodedPicture decoded = converter->decode(picture.mode, options);
                    converter->setRowTarget(nullptr);
                    return decoded;
                };
                const DecodedPicture own = decodeWith(nullptr);
                PaddedRows rows(numbers);
                const DecodedPicture targeted = decodeWith(&rows);
                EXPECT_TRUE(targeted.rgb.empty());
                const bool gotNumbers = !rows.colourTable.empty();
                EXPECT_EQ(gotNumbers, numbers && own.indexed());
                if (gotNumbers)
                    EXPECT_EQ(rows.colourTable, own.colourTable);
                const std::vector<std::uint8_t>& expected = gotNumbers ? own.indices : own.rgb;
                ASSERT_EQ(rows.rowBytes * static_cast<std::size_t>(own.height), expected.size());
                for (int y = 0; y < own.height; ++y) {
                    const auto row =
                        rows.memory.begin() + static_cast<std::ptrdiff_t>((rows.rowBytes + rows.Padding) * y);
                    const auto ownRow = expected.begin() + static_cast<std::ptrdiff_t>(rows.rowBytes * y);
                    ASSERT_TRUE(std::equal(ownRow, ownRow + static_cast<std::ptrdiff_t>(rows.rowBytes), row))
                        << "row " << y;
                    ASSERT_TRUE(std::all_of(row + static_cast<std::ptrdiff_t>(rows.rowBytes),
                                            row + static_cast<std::ptrdiff_t>(rows.rowBytes + rows.Padding),
                                            [](std::uint8_t b) { return b == PaddedRows::Untouched; }))
                        << "row " << y;
                }
            }
        }
    }
}

// One sprite, colour 9, its top left dot at (50, 10) in every bitmap mode's
// own colours for sprites: palette entry 9 (yellow in the dump's table) in
// SCREEN 5 and 10 to 12, the fixed blue (green 0, red 0, blue 7) of SCREEN 8,
// whose picture then has no colour numbers. Interlaced, the sprite shows on
// both fields: picture lines 20 and 21. The caller's rows get the same.
TEST(Sprites, BitmapModesWithoutNumbersAndInterlacedPictures)
{
    constexpr Rgb Yellow{0xFF, 0xFF, 0x00}, Blue{0x00, 0x00, 0xFF};
    struct Case {
        int mode;
        bool interlace;
        Rgb colour;
    };
    const Case cases[] = {{5, true, Yellow},   {8, false, Blue},   {8, true, Blue},
                          {10, false, Yellow}, {11, true, Yellow}, {12, false, Yellow}};
    auto converter = makeConverter();
    for (const Case& c : cases) {
        SCOPED_TRACE("SCREEN " + std::to_string(c.mode) + (c.interlace ? " interlaced" : ""));
        const bool low = c.mode == 5;
        const std::size_t attributes = low ? 0x7600 : 0xFA00, patterns = low ? 0x7800 : 0xF000;
        const std::size_t palette = low ? 0x7680 : 0xFA80;
        std::string vram(std::max(palette + 32, patterns + 8), '\0');
        vram[attributes] = 9; // Y: line 10
        vram[attributes + 1] = 50;
        vram[attributes + 4] = static_cast<char>(216);
        vram[patterns] = static_cast<char>(0x81); // dots 0 and 7
        vram[attributes - 512] = 9;               // line 0's colour
        vram[palette + 2 * 9] = 0x70;             // entry 9: red 7, blue 0
        vram[palette + 2 * 9 + 1] = 0x07;         // green 7
        vram[palette + 2 * 3] = 0x07;             // entry 3: blue 7
        const std::string first = bsave(0, vram), second = bsave(0, std::string(1, '\x33'));
        PictureOptions options;
        options.sprites.draw = true;
        options.interlace = c.interlace;
        const auto decodeWith = [&](PixelRowTarget* target) {
            MemorySource page0(first), page1(second);
            converter->loadVramImage(page0, c.mode);
            converter->loadSecondPage(page1, c.mode);
            converter->setRowTarget(target);
            const DecodedPicture decoded = converter->decode(c.mode, options);
            converter->setRowTarget(nullptr);
            return decoded;
        };
        const DecodedPicture own = decodeWith(nullptr);
        EXPECT_EQ(own.indexed(), c.mode == 5);
        const int lines = c.interlace ? 2 : 1;
        for (int y = 10 * lines - 1; y <= 10 * lines + lines; ++y) {
            const bool onSprite = y >= 10 * lines && y < 10 * lines + lines;
            EXPECT_EQ(own.pixel(50, y) == c.colour, onSprite) << y;
            EXPECT_EQ(own.pixel(57, y) == c.colour, onSprite) << y;
            EXPECT_NE(own.pixel(51, y), c.colour) << y;
        }
        // The page 1 file shows on the odd lines.
        if (c.interlace)
            EXPECT_NE(own.pixel(0, 1), own.pixel(0, 0));
        for (const bool numbers : {false, true}) {
            PaddedRows rows(numbers);
            decodeWith(&rows);
            if (!rows.colourTable.empty()) {
                for (int y = 0; y < own.height; ++y)
                    for (int x = 0; x < own.width; ++x)
                        ASSERT_EQ(rows.colourTable.at(rows.memory[(rows.rowBytes + rows.Padding) * y + x]),
                                  own.pixel(x, y));
                continue;
            }
            for (int y = 0; y < own.height; ++y)
                ASSERT_TRUE(
                    std::equal(own.rgb.begin() + 3 * own.width * y, own.rgb.begin() + 3 * own.width * (y + 1),
                               rows.memory.begin() + static_cast<std::ptrdiff_t>((rows.rowBytes + rows.Padding) * y)))
                    << y;
        }
    }
}
