// SPDX-License-Identifier: MIT
#pragma once
// Real constants of tokenized programs, listed from their BCD digits the way
// MSX BASIC's number printer lists them: no binary value in between, so no
// digit is ever changed by rounding.

#include "decoder/LineBuffer.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quillet {

// Appends the text of a real constant: the exponent byte followed by 3
// (single) or 7 (double) BCD bytes. A digit above 9 lists as the character
// that follows '9' in ASCII by as much (':' to '?').
void appendRealConstant(std::string& out, std::span<const std::uint8_t> bytes, bool isDouble);
void appendRealConstant(LineBuffer& out, std::span<const std::uint8_t> bytes, bool isDouble);
std::string realConstantText(std::span<const std::uint8_t> bytes, bool isDouble);

// The bytes a real constant's text may be written over at most: whole
// blocks are copied past its end. Its text is at most 20 bytes.
inline constexpr std::size_t RealConstantRoom = 32;
// The same text written at `to`, which has RealConstantRoom bytes; returns
// its end.
char* putRealConstant(char* to, std::span<const std::uint8_t> bytes, bool isDouble);

} // namespace quillet
