// SPDX-License-Identifier: MIT
#pragma once
// The RTF escapes every RTF writer of the program uses: the listing
// builder, font names in font tables, and the listing view's own RTF.

#include "common/HexDigits.h"

#include <cstdint>
#include <string>

namespace quillet {

// \'HH: one byte of the font's character set.
inline void appendRtfHexEscape(std::string& out, std::uint8_t byte)
{
    const char escape[4] = {'\\', '\'', upperHexDigit(byte >> 4u), upperHexDigit(byte)};
    out.append(escape, 4);
}

// "\", "{" and "}" would end a word or a group; they are written escaped.
inline bool isRtfSpecial(char32_t c)
{
    return c == U'\\' || c == U'{' || c == U'}';
}

// \uN? for a character outside the code page: N is the signed 16-bit
// number RTF takes, a code point past U+FFFF goes as its two surrogates,
// and "?" stands for it in readers without Unicode.
void appendRtfUnicodeEscape(std::string& out, char32_t codePoint);

} // namespace quillet
