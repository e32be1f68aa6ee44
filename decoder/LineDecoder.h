#pragma once
// Turns the body of one tokenized program line into its listing text.

#include "common/ByteStream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// Reads through the 0x00 that ends the body and appends the line's text to
// `out`. Stops early, keeping what it has, when the input runs out; the
// result says whether the line's end was read. Throws
// QuilletError(DamagedProgram) for a real constant with a digit above 9.
bool decodeLine(ByteSource& input, std::string& out);
std::string decodeLine(ByteSource& input);

std::string stripLeadingZeros(std::string_view text);
std::string stripTrailingZeros(std::string_view text);
// Exactly six octal digits of a 16-bit value.
std::string octalDigits(std::uint16_t value);

} // namespace quillet
