// SPDX-License-Identifier: MIT
#pragma once
// Drawing the sprites of the sprite tables over a decoded picture, as the
// video chip shows them: mode 1 (SCREEN 1 to 3) with one colour per sprite
// and four sprites a line, mode 2 (SCREEN 4 and up) with a colour per
// sprite line and eight a line. Lower sprite numbers lie on top; sprites
// past the limit of a line are not shown on that line.

#include "image/DecodedPicture.h"
#include "image/Palette.h"
#include "image/ScreenMode.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillet {

inline constexpr int SpriteEndMode1 = 208; // a Y of 208 ends the table in mode 1
inline constexpr int SpriteEndMode2 = 216; // and 216 in mode 2

// Whether `layout` has sprites: every mode with a layout.
bool spritesDrawable(const ScreenModeLayout& layout) noexcept;

// The sprite colour of each of the 256 dots of one screen line, 0 where no
// sprite shows (colour 0 is transparent).
using SpriteLine = std::array<std::uint8_t, 256>;

// The sprites of screen line `y`; false when none shows on it. `vram` must
// hold the mode's sprite tables (the layout keeps them inside 64 KB).
bool spriteLine(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options, int y,
                SpriteLine& colours) noexcept;

// Draws into picture.indices (and nothing else), for the modes of 16
// colour numbers (1 to 7); 512-wide modes get each sprite dot twice. An
// interlaced picture has two picture lines a screen line, and both show
// the sprites of that line: each field shows them.
void drawSprites(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options,
                 DecodedPicture& picture, bool interlaced);

// Draws over red, green, blue rows of 256 pixels (SCREEN 8, 10 to 12), the
// sprite colours from `colours`; `lines` picture lines, two a screen line
// when interlaced.
void drawSpritesRgb(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options,
                    const ScreenPalette& colours, std::uint8_t* top, std::ptrdiff_t stride, int lines, bool interlaced);

} // namespace quillet
