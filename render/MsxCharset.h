#pragma once
// The MSX (Japanese) character set as Unicode: what the listing view shows
// when no MSX font is installed. Each code maps to the Unicode character
// that looks the same; copying and finding then work on readable text.

#include <cstdint>

namespace quillet::msx {

// The first code of the graphic range that follows the 0x01 prefix.
inline constexpr std::uint8_t FirstGraphicCode = 0x40;

// Glyph of an MSX character code (the text font).
char32_t charGlyph(std::uint8_t code);

// Glyph of a graphic code, the byte after the 0x01 prefix (the graphic
// font): 0x40-0x5F are font positions 0x00-0x1F.
char32_t graphicGlyph(std::uint8_t code);

} // namespace quillet::msx
