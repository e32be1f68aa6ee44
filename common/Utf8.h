// SPDX-License-Identifier: MIT
#pragma once
// UTF-8, the encoding of every text the program keeps: settings, font
// names, the texts of the interface.

#include <string>
#include <string_view>

namespace quillet {

inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// Appends the UTF-8 form of a code point (U+FFFD for one that has none).
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes UTF-8; each byte of a malformed sequence becomes U+FFFD.
std::u32string decodeUtf8(std::string_view utf8);

// True when every sequence is well-formed: no overlong forms, surrogates or
// code points past U+10FFFF.
bool isValidUtf8(std::string_view text);

} // namespace quillet
