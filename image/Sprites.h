// SPDX-License-Identifier: MIT
#pragma once
// Drawing the sprites of the sprite tables over a decoded picture, as the
// video chip shows them: mode 1 (SCREEN 1 to 3) with one colour per sprite
// and four sprites a line, mode 2 (SCREEN 4 and up) with a colour per
// sprite line and eight a line. Lower sprite numbers lie on top; sprites
// past the limit of a line are not shown on that line.

#include "image/DecodedPicture.h"
#include "image/ScreenMode.h"

#include <array>
#include <cstdint>

namespace quillet {

inline constexpr int SpriteEndMode1 = 208; // a Y of 208 ends the table in mode 1
inline constexpr int SpriteEndMode2 = 216; // and 216 in mode 2

// Whether sprites of `layout` can be drawn: the 16-colour modes 1 to 7.
// SCREEN 8 and the YJK modes give sprites colours of their own, not drawn.
bool spritesDrawable(const ScreenModeLayout& layout) noexcept;

// Draws into picture.indices (and nothing else), one picture line per
// screen line; 512-wide modes get each sprite dot twice. `vram` must hold
// the mode's sprite tables (the layout keeps them inside 64 KB).
void drawSprites(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options,
                 DecodedPicture& picture);

} // namespace quillet
