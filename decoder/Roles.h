// SPDX-License-Identifier: MIT
#pragma once
// What each stretch of a listing line is: the decoder and the tokenizer
// say it beside the text, so that colours, links and the cross-reference
// all read one answer.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillet {

enum class Role : std::uint8_t {
    Text,          // blanks, and whatever no other role takes
    LineNumber,    // the line's own number at its start
    Keyword,       // statements, functions and operator words (AND, MOD ...)
    LineReference, // a line number in the body: 0x0E, or a line pointer 0x0D
    Number,        // every other numeric constant
    String,        // a string, its double quotes included
    Comment,       // REM or ' and the rest of the line
    Data,          // the text after DATA, up to the colon that ends it
    Variable,      // a name as the program stores it
    Operator,      // operator signs and punctuation
};
inline constexpr std::size_t RoleCount = 10;

// A stretch of a line's listing text, in bytes (a graphic character is two:
// 0x01 and its code). The spans of a line are in order and never overlap;
// bytes that no span covers are Text.
struct RoleSpan {
    std::uint32_t start;
    std::uint32_t length;
    Role role;

    friend bool operator==(const RoleSpan&, const RoleSpan&) = default;
};
using LineRoles = std::vector<RoleSpan>;

} // namespace quillet
