// SPDX-License-Identifier: MIT
#pragma once
// The MSX character sets as Unicode: what the listing view shows when no
// MSX font is installed, and where the project's own MSX fonts put each
// glyph. Each code maps to the Unicode character that looks the same;
// copying and finding then work on readable text.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet::msx {

// The fonts of the machines: Japanese, International (the CP437-like set
// of European machines) and Brazilian (International with the Portuguese
// capitals in place of some European letters).
enum class CharacterSet { Japanese, International, Brazilian };

inline constexpr CharacterSet AllCharacterSets[] = {CharacterSet::Japanese, CharacterSet::International,
                                                    CharacterSet::Brazilian};

// The first code of the graphic range that follows the 0x01 prefix.
inline constexpr std::uint8_t FirstGraphicCode = 0x40;

// Glyph of an MSX character code (the text font).
char32_t charGlyph(CharacterSet set, std::uint8_t code);

// Glyph of a graphic code, the byte after the 0x01 prefix (the graphic
// font): 0x40-0x5F are font positions 0x00-0x1F.
char32_t graphicGlyph(CharacterSet set, std::uint8_t code);

// The Japanese set, which the listing view has always shown.
char32_t charGlyph(std::uint8_t code);
char32_t graphicGlyph(std::uint8_t code);

// The name kept in the settings: "Japanese", "International", "Brazilian".
std::string_view characterSetName(CharacterSet set);

// The short name for command lines: jp, intl, br.
std::string_view characterSetShortName(CharacterSet set);

// Either name, in any case; nothing for a name of no set.
std::optional<CharacterSet> characterSetFromName(std::string_view name);

} // namespace quillet::msx
