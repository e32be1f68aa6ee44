// SPDX-License-Identifier: MIT
#pragma once
// Turns the body of one tokenized program line into its listing text.

#include "common/ByteStream.h"
#include "decoder/LineBuffer.h"
#include "decoder/Roles.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quillet {

// The longest body a listing shows: the interpreter's line buffer.
inline constexpr std::size_t MaxListedBody = 255;

// The program's bytes where they lie in memory, for the line-address
// constant (0x0D), which lists the line number found at its address + 3.
class ProgramMemory {
public:
    virtual ~ProgramMemory() = default;
    // The little-endian word at `address`; nullopt where the program's bytes
    // do not reach.
    virtual std::optional<std::uint16_t> wordAt(std::uint32_t address) = 0;
};

// Reads through the 0x00 that ends the body (the first one that is not part
// of a constant) and appends the line's text to `out`, at most
// MaxListedBody bytes of it. Stops early, keeping what it has, when the
// input runs out; the result says whether the line's end was read. Without
// `memory`, or where it has no word, a line address lists as its own value.
// With `roles`, they are replaced by the roles of the body's text, from
// its first byte.
bool decodeLine(ByteSource& input, LineBuffer& out, ProgramMemory* memory = nullptr, LineRoles* roles = nullptr);
bool decodeLine(ByteSource& input, std::string& out, ProgramMemory* memory = nullptr, LineRoles* roles = nullptr);
std::string decodeLine(ByteSource& input, ProgramMemory* memory = nullptr, LineRoles* roles = nullptr);

// The bytes decodeLineAt() may write over: the body and, past its end,
// whole blocks copied where that is faster than counting.
inline constexpr std::size_t LineBodyRoom = MaxListedBody + 48;
// The same, writing the body at `to`, which has LineBodyRoom bytes, and its
// length to `length`: for a caller that gathers lines in a larger block.
bool decodeLineAt(ByteSource& input, char* to, std::size_t& length, ProgramMemory* memory = nullptr,
                  LineRoles* roles = nullptr);
// The same adding the body's roles to those `roles` has, `rolesBase` bytes
// on: for a caller whose line has text before the body.
bool decodeLineAt(ByteSource& input, char* to, std::size_t& length, ProgramMemory* memory, LineRoles& roles,
                  std::size_t rolesBase);

} // namespace quillet
