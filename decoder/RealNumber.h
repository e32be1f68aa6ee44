#pragma once
// Real constants of tokenized programs: BCD to double with the interpreter
// listing's scaling, and the general number format of the listing.

#include <cstdint>
#include <span>
#include <string>

namespace quillet {

// x * 10 and x * 0.1, each computed as a product with a 64-bit significand
// (0.1 being the 64-bit value nearest to 0.1), rounded to nearest even, then
// rounded to double. Done in integer arithmetic so every platform agrees.
double extendedTimesTen(double x);
double extendedTimesTenth(double x);

// The shortest text of a non-negative value with 15 significant digits:
// fixed form from 0.0001 to below 1e15, else d.dddE[-]x.
std::string formatGeneral(double value);

// Text of a BCD real constant: the exponent byte followed by 3 (single) or
// 7 (double) mantissa bytes. Throws QuilletError(DamagedProgram) when a
// mantissa nibble is above 9.
std::string realConstantText(std::span<const std::uint8_t> bytes, bool isDouble);

} // namespace quillet
