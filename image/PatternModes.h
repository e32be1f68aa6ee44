// SPDX-License-Identifier: MIT
#pragma once
// The pattern modes SCREEN 1 to 4: 32 x 24 cells of 8 x 8 dots, each cell
// a name (a pattern number) whose pattern generator bytes give the dots
// and whose colour table bytes give two colours, foreground in the high
// nibble and background in the low one.
//
//  SCREEN 1  one pattern table of 256 patterns; one colour byte for each
//            eight patterns.
//  SCREEN 2, 4  the screen in three thirds of eight cell rows, each third
//            with 256 patterns and a colour byte for every pattern line.
//  SCREEN 3  multicolour: a cell is 2 x 2 blocks of 4 x 4 dots; the cell's
//            pattern gives two bytes, picked by the cell row modulo 4, each
//            the colours of a left and a right block.

#include "image/ScreenMode.h"

#include <cstddef>
#include <cstdint>

namespace quillet {

inline constexpr int PatternColumns = 32;
inline constexpr int PatternRows = 24;
inline constexpr int NameTableBytes = PatternColumns * PatternRows;
// SCREEN 1's colour table before a file says otherwise: white (15) on dark
// blue (4), BASIC's colours at power-on.
inline constexpr std::uint8_t Screen1DefaultColours = 0xF4;

// Where MSX2 BASIC keeps the palette table of a pattern mode: 0x2020 in
// SCREEN 1 and 3, 0x1B80 in SCREEN 2 and 4 (0x2020 is their colour table).
// An MSX1 leaves zeros there.
constexpr std::uint32_t patternPaletteAddress(int mode) noexcept
{
    return mode == 1 || mode == 3 ? 0x2020 : 0x1B80;
}

// What the SCREEN statement leaves in the tables a dump may not reach:
// the names 0 to 255 in each third (SCREEN 2 and 4, and SCREEN 1 so that
// a font dump shows its characters), the multicolour names of SCREEN 3
// (cell row r, column c: 32 * (r / 4) + c), SCREEN 1's colours.
void presetPatternTables(std::uint8_t* vram, const ScreenModeLayout& layout) noexcept;

// The 256 x 192 colour numbers (0 to 15, 0 the transparent colour) of a
// pattern mode, rows top first, `stride` bytes apart. The layout keeps
// every table inside 16 KB.
void decodePatternScreen(const std::uint8_t* vram, const ScreenModeLayout& layout, std::uint8_t* indices,
                         std::ptrdiff_t stride) noexcept;

} // namespace quillet
