// SPDX-License-Identifier: MIT
#include "image/Palette.h"

#include "image/BsaveHeader.h"

#include <algorithm>

namespace quillet {

ScreenPalette buildScreenPalette(std::span<const std::uint8_t, PaletteTableBytes> table) noexcept
{
    ScreenPalette palette;
    for (std::size_t n = 0; n < palette.size(); ++n) {
        const std::uint8_t b0 = table[2 * n];
        const std::uint8_t b1 = table[2 * n + 1];
        palette[n] = {PaletteLevels3[(b0 >> 4) & 7], PaletteLevels3[b1 & 7], PaletteLevels3[b0 & 7]};
    }
    return palette;
}

namespace {

// The palette tables of a file: after a BSAVE header when it starts as a
// BSAVE file, so that one cut short holds none rather than a palette that
// begins with its header.
std::span<const std::uint8_t> paletteTablesOf(std::span<const std::uint8_t> file) noexcept
{
    if (!file.empty() && file[0] == BsaveTypeByte)
        file = file.subspan(std::min(file.size(), BsaveHeaderBytes));
    return file;
}

// The TMS9918's colours are analogue: the data book gives each a luminance
// and two colour-difference levels (0.47 being none), no RGB. They are
// turned into RGB here with the usual luminance weights (0.299, 0.587,
// 0.114) and the gains 1.3 (R-Y) and 0.87 (B-Y), the gains that make light
// blue (5) what an MSX1 shows, (122, 122, 237); see docs/PICTURE-FORMATS.md.
constexpr std::array<Rgb, 16> Tms9918Colours{{
    {0, 0, 0},
    {0, 0, 0},
    {3, 214, 75},
    {71, 230, 126}, // transparent, black, greens
    {79, 91, 220},
    {122, 122, 237},
    {239, 66, 82},
    {30, 255, 237}, // blues, dark red, cyan
    {255, 66, 91},
    {255, 102, 126},
    {219, 186, 97},
    {237, 200, 137}, // reds, yellows
    {7, 188, 67},
    {221, 83, 180},
    {204, 204, 204},
    {255, 255, 255}, // dark green, magenta, grey, white
}};

} // namespace

int paletteTablesInFile(std::span<const std::uint8_t> file) noexcept
{
    return static_cast<int>(
        std::min<std::size_t>(paletteTablesOf(file).size() / PaletteTableBytes, PaletteFilePalettes));
}

std::optional<std::array<std::uint8_t, PaletteTableBytes>> paletteTableFromFile(std::span<const std::uint8_t> file,
                                                                                int index) noexcept
{
    if (index < 0 || index >= paletteTablesInFile(file))
        return std::nullopt;
    std::array<std::uint8_t, PaletteTableBytes> table;
    std::copy_n(paletteTablesOf(file).begin() + static_cast<std::ptrdiff_t>(index) * PaletteTableBytes,
                PaletteTableBytes, table.begin());
    return table;
}

ScreenPalette msx2PowerOnPalette() noexcept
{
    return buildScreenPalette(DefaultPalette);
}

ScreenPalette tms9918Palette() noexcept
{
    return Tms9918Colours;
}

} // namespace quillet
