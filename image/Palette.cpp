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

std::optional<std::array<std::uint8_t, PaletteTableBytes>>
paletteTableFromFile(std::span<const std::uint8_t> file) noexcept
{
    // A file that starts as a BSAVE file is one: cut short, it holds no
    // palette, rather than a palette that begins with its header.
    if (!file.empty() && file[0] == BsaveTypeByte)
        file = file.subspan(std::min(file.size(), BsaveHeaderBytes));
    if (file.size() < PaletteTableBytes)
        return std::nullopt;
    std::array<std::uint8_t, PaletteTableBytes> table;
    std::copy_n(file.begin(), PaletteTableBytes, table.begin());
    return table;
}

ScreenPalette msx1Palette() noexcept
{
    return buildScreenPalette(DefaultPalette);
}

} // namespace quillet
