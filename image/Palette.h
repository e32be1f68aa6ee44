// SPDX-License-Identifier: MIT
#pragma once
// Colours of MSX pictures: the 3-bit and 2-bit intensity levels, the
// palette table format in video memory with its power-on contents, the
// fixed colours of the MSX1 video chip, the fixed 256 colours of SCREEN 8
// and the fixed colours its sprites take.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quillet {

inline constexpr std::array<std::uint8_t, 8> PaletteLevels3{0x00, 0x25, 0x49, 0x6D, 0x92, 0xB6, 0xDA, 0xFF};
inline constexpr std::array<std::uint8_t, 4> PaletteLevels2{0x00, 0x55, 0xAA, 0xFF};

inline constexpr std::size_t PaletteTableBytes = 32;

// 16 entries of two bytes: byte 0 is 0RRR0BBB, byte 1 is 00000GGG.
inline constexpr std::array<std::uint8_t, PaletteTableBytes> DefaultPalette{
    0x00, 0x00, 0x00, 0x00, 0x11, 0x06, 0x33, 0x07, // black, black, green, light green
    0x17, 0x01, 0x27, 0x03, 0x51, 0x01, 0x27, 0x06, // dark blue, light blue, dark red, cyan
    0x71, 0x01, 0x73, 0x03, 0x61, 0x06, 0x64, 0x06, // red, light red, dark yellow, light yellow
    0x11, 0x04, 0x65, 0x02, 0x55, 0x05, 0x77, 0x07, // dark green, magenta, grey, white
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

using ScreenPalette = std::array<Rgb, 16>;

// Reads a palette table; the bits that carry no level are ignored.
ScreenPalette buildScreenPalette(std::span<const std::uint8_t, PaletteTableBytes> table) noexcept;

// A paint program's palette file holds up to this many palette tables, one
// after the other.
inline constexpr int PaletteFilePalettes = 8;

// How many whole palette tables `file` holds (at most PaletteFilePalettes),
// after the seven bytes of a BSAVE header when it starts with one (0xFE).
int paletteTablesInFile(std::span<const std::uint8_t> file) noexcept;

// Palette table `index` (0 for the first) of a palette file, read as
// paletteTablesInFile counts them. nullopt when the file does not hold it
// whole, or `index` is outside 0 to PaletteFilePalettes - 1.
std::optional<std::array<std::uint8_t, PaletteTableBytes>> paletteTableFromFile(std::span<const std::uint8_t> file,
                                                                                int index = 0) noexcept;

// The palette MSX2 machines start with (DefaultPalette), as colours.
ScreenPalette msx2PowerOnPalette() noexcept;

// The colours the MSX1 video chip itself shows (SCREEN 1 to 3 on an MSX1).
// Colour 0 is transparent and shows the backdrop, black in a saved picture
// (the backdrop colour lives in a video register, not in memory).
ScreenPalette tms9918Palette() noexcept;

// The sixteen colours sprites take in SCREEN 8, whatever the palette, in
// the palette table format (the data book's table of green, red and blue
// levels).
inline constexpr std::array<std::uint8_t, PaletteTableBytes> Screen8SpritePalette{
    0x00, 0x00, 0x02, 0x00, 0x30, 0x00, 0x32, 0x00, // GRB 000, 002, 030, 032
    0x00, 0x03, 0x02, 0x03, 0x30, 0x03, 0x32, 0x03, // 300, 302, 330, 332
    0x72, 0x04, 0x07, 0x00, 0x70, 0x00, 0x77, 0x00, // 472, 007, 070, 077
    0x00, 0x07, 0x07, 0x07, 0x70, 0x07, 0x77, 0x07, // 700, 707, 770, 777
};

// SCREEN 8 pixel byte GGGRRRBB.
constexpr Rgb screen8Colour(std::uint8_t pixel) noexcept
{
    return {PaletteLevels3[(pixel >> 2) & 7], PaletteLevels3[(pixel >> 5) & 7], PaletteLevels2[pixel & 3]};
}

} // namespace quillet
