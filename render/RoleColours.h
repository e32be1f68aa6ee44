// SPDX-License-Identifier: MIT
#pragma once
// The colours of the roles of a listing line, for every output that colours
// a listing (the view, printing, RTF, HTML).

#include "decoder/Roles.h"

#include <array>
#include <cstdint>

namespace quillet {

// 0xRRGGBB.
using RoleColourSet = std::array<std::uint32_t, RoleCount>;

// Schemes offered to the user. Standard reads well on the configured
// background, light or dark; MsxScreen is the MSX's own: white text on its
// blue, which then replaces the background.
enum class RoleScheme : std::uint8_t { Standard, MsxScreen };

inline constexpr std::uint32_t MsxScreenBackground = 0x5455ED; // the MSX's blue
inline constexpr std::uint32_t MsxScreenText = 0xFFFFFF;

// The colours of a scheme for text of colour `text` on `background`: Text
// takes `text` itself; the other roles are picked for contrast with the
// background (darker hues on light, lighter on dark).
RoleColourSet roleColoursFor(RoleScheme scheme, std::uint32_t text, std::uint32_t background);

} // namespace quillet
