// SPDX-License-Identifier: MIT
#pragma once
// The YJK colour encoding of SCREEN 10, 11 and 12: four neighbouring pixels
// share one chroma pair (J, K) spread over the low three bits of their
// bytes; each pixel has its own luminance Y.

#include "image/Palette.h"

#include <algorithm>
#include <cstdint>

namespace quillet {

// Chroma of a group: K from bytes 0 and 1, J from bytes 2 and 3, each a
// signed 6-bit value (-32 to 31), low part in the earlier byte.
constexpr int yjkChromaK(std::uint8_t b0, std::uint8_t b1) noexcept
{
    const int k = (b1 & 7) * 8 + (b0 & 7);
    return k > 31 ? k - 64 : k;
}

constexpr int yjkChromaJ(std::uint8_t b2, std::uint8_t b3) noexcept
{
    return yjkChromaK(b2, b3);
}

// Y 0..31, J and K -32..31, to 8-bit intensities (multiples of 8, at most
// 248). Blue is 1.25 Y - 0.5 J - 0.25 K, clamped and cut to an integer,
// worked in quarters so no floating point is involved.
constexpr Rgb yjkColour(int y, int j, int k) noexcept
{
    const int red = std::clamp(y + j, 0, 31);
    const int green = std::clamp(y + k, 0, 31);
    const int quarters = 5 * y - 2 * j - k;
    const int blue = quarters < 0 ? 0 : std::min(31, quarters / 4);
    return {static_cast<std::uint8_t>(red * 8), static_cast<std::uint8_t>(green * 8),
            static_cast<std::uint8_t>(blue * 8)};
}

// Four YJK bytes to four pixels of red, green, blue. In SCREEN 10 and 11
// (`palette` given) a byte with bit 3 set is a palette pixel instead; its
// low bits still count towards the group's J and K.
inline void yjkGroup(const std::uint8_t* bytes, const ScreenPalette* palette, std::uint8_t* out) noexcept
{
    const int k = yjkChromaK(bytes[0], bytes[1]);
    const int j = yjkChromaJ(bytes[2], bytes[3]);
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t v = bytes[i];
        Rgb colour;
        if (!palette)
            colour = yjkColour(v >> 3, j, k);
        else if (v & 0x08)
            colour = (*palette)[v >> 4];
        else
            colour = yjkColour((v >> 4) * 2, j, k);
        *out++ = colour.red;
        *out++ = colour.green;
        *out++ = colour.blue;
    }
}

} // namespace quillet
