// SPDX-License-Identifier: MIT
#pragma once
// The way back from a listing to a tokenized program: each line as MSX
// BASIC stores it when it reads the text (typed, or an ASCII file loaded),
// the lines in number order, linked as they lie in memory.

#include "common/ByteStream.h"
#include "decoder/Roles.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

struct TokenizeOptions {
    // The address of the first line: the links of a program file are the
    // addresses its lines have once loaded there.
    std::uint16_t programStart = 0x8001;
};

// The highest line number MSX BASIC takes.
inline constexpr unsigned HighestLineNumber = 65529;
// The longest text line MSX BASIC reads, line number included.
inline constexpr std::size_t LongestTextLine = 255;

// The body of one line as stored, without its closing 0x00: `text` is what
// follows the line number and the blank after it. Throws
// QuilletError(BadListing) for a number too large for its type.
std::string tokenizeBody(std::string_view text);

// One text line of a listing: its line number and stored body. A line with
// a number and nothing but blanks after it has an empty body (it deletes
// that line). Throws QuilletError(BadListing): no line number, a number
// above 65529, a line longer than 255 characters, a 0x00 byte, or what
// tokenizeBody throws.
struct TokenizedLine {
    std::uint16_t number;
    std::string body;
};
TokenizedLine tokenizeLine(std::string_view text);

// The roles of a text line as MSX BASIC reads it, over the line as
// written (keywords in any case, ? for PRINT, numbers as typed): the line
// number a LineNumber span, the body's stretches as tokenizeLine() takes
// them. A line without a number is all body. Never throws: a line MSX BASIC
// would refuse gets the roles that can be told.
LineRoles rolesOfTextLine(std::string_view line);
void rolesOfTextLine(std::string_view line, LineRoles& roles);

// A whole listing (lines ended by CR LF, CR or LF; a 0x1A ends the text) to
// a program file: 0xFF, the lines in number order with their links, and the
// zero link. A later line replaces an earlier one of the same number.
// Nothing reaches `program` unless the whole listing is good. Throws
// QuilletError: BadListing naming the line (the text line for one without
// a number), BadListing for a program past the address FFFFH, ReadFailed,
// or the sink's error.
void tokenizeListing(ByteSource& listing, ByteSink& program, const TokenizeOptions& options);
// The same of a listing whose first bytes, `start`, were read already. The
// listing is read a line at a time, and a line that takes the program past
// FFFFH is refused at once, so memory stays within a program's size.
void tokenizeListing(std::string_view start, ByteSource& listing, ByteSink& program, const TokenizeOptions& options);
std::string tokenizeListing(std::string_view listing, const TokenizeOptions& options = {});

} // namespace quillet
