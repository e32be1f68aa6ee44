// SPDX-License-Identifier: MIT
#pragma once
// Turns a whole tokenized program into the ASCII listing: one line per
// program line, "number body" followed by CR LF.

#include "common/ByteStream.h"

#include <cstdint>

namespace quillet {

// Where the program lies in memory: the first line's link field.
inline constexpr std::uint32_t ProgramStartAddress = 0x8001;

struct ListingOptions {
    bool isViewOverLine65530 = true; // keep lines numbered 65530 and above
    // Start each line with the memory address of its link field, as four
    // upper-case hex digits and a blank: where the line lies when the file
    // is loaded, from the lengths its lines have in the file.
    bool isViewLineAddress = false;
};

// How a program's bytes ended: with the zero link after its last line (or
// an empty line), or cut off before it, in a line or between lines.
enum class ProgramEnd { Complete, Truncated };

// `input` is positioned just after the leading 0xFF. Lines already written
// stay in `output` when the conversion fails; the error says in which line.
// A truncated program is listed as far as it goes, its last line as far as
// it could be read. Throws QuilletError: DamagedProgram, ReadFailed, or the
// sink's error.
ProgramEnd convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options);

} // namespace quillet
