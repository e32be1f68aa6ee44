// SPDX-License-Identifier: MIT
#pragma once
// Member names as the containers hold them, made readable and comparable.

#include <string>
#include <string_view>

namespace quillet {

// Code page 932 bytes as UTF-8; bytes that do not decode become U+FFFD.
std::string cp932ToUtf8(std::string_view bytes);

// An MSX name (code page 932 bytes) as UTF-8, made readable, "/" included.
std::string msxNameToUtf8(std::string_view bytes);

// A tape name (code page 932 bytes) as UTF-8, shown as the tape holds it:
// ":" and "\" stay, control characters and "/" become "_", and so does a
// ":" after another, which would end a member path's step.
std::string tapeNameToUtf8(std::string_view bytes);

// UTF-8 with control characters, ":" and "\" as "_", malformed bytes as
// U+FFFD; "/" is kept as the folder separator.
std::string readableMemberPath(std::string_view text);

// ASCII letters folded; other characters (kana, kanji) stay as they are.
std::string foldCase(std::string_view text);

} // namespace quillet
