// SPDX-License-Identifier: MIT
#include "image/PatternModes.h"

namespace quillet {

namespace {

// Eight dots of a pattern byte, bit 7 leftmost.
void putPatternByte(std::uint8_t bits, std::uint8_t colours, std::uint8_t* out) noexcept
{
    const std::uint8_t foreground = colours >> 4;
    const std::uint8_t background = colours & 0x0F;
    for (int dot = 0; dot < 8; ++dot)
        out[dot] = (bits & (0x80 >> dot)) ? foreground : background;
}

} // namespace

void presetPatternTables(std::uint8_t* vram, const ScreenModeLayout& layout) noexcept
{
    if (!layout.patterned())
        return;
    for (int cell = 0; cell < NameTableBytes; ++cell) {
        const int row = cell / PatternColumns, column = cell % PatternColumns;
        const int name = layout.mode == 3 ? PatternColumns * (row / 4) + column : cell % 256;
        vram[layout.nameTable + static_cast<std::uint32_t>(cell)] = static_cast<std::uint8_t>(name);
    }
    if (layout.mode == 1) {
        for (std::uint32_t i = 0; i < 32; ++i)
            vram[layout.colourTable + i] = Screen1DefaultColours;
    }
}

void decodePatternScreen(const std::uint8_t* vram, const ScreenModeLayout& layout, std::uint8_t* indices,
                         std::ptrdiff_t stride) noexcept
{
    const std::uint8_t* names = vram + layout.nameTable;
    const std::uint8_t* patterns = vram + layout.patternTable;
    const std::uint8_t* colours = vram + layout.colourTable;
    for (int y = 0; y < PatternRows * 8; ++y) {
        const int row = y / 8, line = y % 8;
        std::uint8_t* out = indices + y * stride;
        for (int column = 0; column < PatternColumns; ++column, out += 8) {
            const int name = names[row * PatternColumns + column];
            switch (layout.mode) {
            case 1: putPatternByte(patterns[name * 8 + line], colours[name / 8], out); break;
            case 3: {
                const std::uint8_t blocks = patterns[name * 8 + (row % 4) * 2 + line / 4];
                for (int dot = 0; dot < 8; ++dot)
                    out[dot] = dot < 4 ? blocks >> 4 : blocks & 0x0F;
                break;
            }
            default: {
                // SCREEN 2 and 4: each third has its own 256 patterns and colours.
                const int pattern = (row / 8) * 256 + name;
                putPatternByte(patterns[pattern * 8 + line], colours[pattern * 8 + line], out);
                break;
            }
            }
        }
    }
}

} // namespace quillet
