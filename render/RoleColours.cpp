// SPDX-License-Identifier: MIT
#include "render/RoleColours.h"

namespace quillet {

namespace {

// Perceived brightness, 0 to 255.
unsigned brightness(std::uint32_t rgb)
{
    const unsigned r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return (r * 299 + g * 587 + b * 114) / 1000;
}

// Hues that keep their contrast on white paper and on a light window.
constexpr RoleColourSet OnLight = {
    0,        // Text: the configured colour
    0x7F7F7F, // LineNumber
    0x0000B0, // Keyword
    0x006F9F, // LineReference
    0x8B4500, // Number
    0xA31515, // String
    0x2E7D32, // Comment
    0x6A1B9A, // Data
    0x000000, // Variable
    0x555555, // Operator
};

// The same roles for a dark background.
constexpr RoleColourSet OnDark = {
    0, 0x9E9E9E, 0x7FB2FF, 0x4FD8E8, 0xF0B070, 0xFF8A80, 0x8BD88B, 0xD1A3FF, 0xF0F0F0, 0xC8C8C8,
};

// On the MSX's blue, in colours an MSX2 can show: white text, with the
// palette's light hues for the rest.
constexpr RoleColourSet OnMsxBlue = {
    MsxScreenText, 0xB6B6B6, 0xDBDB49, 0x92FFFF, 0xFFB66D, 0xFF9292, 0x92FF92, 0xFFB6FF, 0xFFFFFF, 0xDBDBFF,
};

} // namespace

RoleColourSet roleColoursFor(RoleScheme scheme, std::uint32_t text, std::uint32_t background)
{
    if (scheme == RoleScheme::MsxScreen)
        return OnMsxBlue;
    RoleColourSet colours = brightness(background) >= 128 ? OnLight : OnDark;
    colours[static_cast<std::size_t>(Role::Text)] = text & 0xFFFFFF;
    return colours;
}

} // namespace quillet
