// SPDX-License-Identifier: MIT
#pragma once
// Turns a whole tokenized program into the ASCII listing: one line per
// program line, "number body" followed by CR LF.

#include "common/ByteStream.h"
#include "decoder/Roles.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

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

// How a program's bytes ended: with the zero link after its last line, or
// cut off before it, in a line or between lines.
enum class ProgramEnd { Complete, Truncated };

// `input` is positioned just after the leading 0xFF. Lines already written
// stay in `output` when the conversion fails; the error says in which line.
// A truncated program is listed as far as it goes, its last line as far as
// it could be read. A line with an empty body is listed as its number and
// the blank. Throws QuilletError: ReadFailed, or the sink's error.
ProgramEnd convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options);

// One line of a program as the ASCII listing has it.
struct ListingLine {
    std::uint16_t number;
    std::string_view text; // without the line end: address, number, blank, body
    std::size_t numberAt;  // where the number starts in `text`
    std::size_t bodyAt;    // where the body starts in `text`
};

// The same walk line by line: `each` is called for every line the listing
// has, with the same text. With `roles`, they hold the line's roles over
// `text` during each call, the number a LineNumber span. What `each` is given is valid only during the
// call. Returns and throws as convertTokenizedBasic(), and whatever `each`
// throws.
ProgramEnd forEachProgramLine(ByteSource& input, const ListingOptions& options, LineRoles* roles,
                              const std::function<void(const ListingLine&)>& each);

} // namespace quillet
