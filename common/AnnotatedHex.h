// SPDX-License-Identifier: MIT
#pragma once
// Annotated hex: the readable form of the project's own sample and test
// files. Pairs of hex digits separated by blanks; "#" starts a comment that
// runs to the end of the line.

#include "common/HexDigits.h"

#include <string>
#include <string_view>

namespace quillet {

// Throws std::invalid_argument on a character that is neither a hex digit,
// a blank nor part of a comment, and on a lone digit.
std::string bytesFromAnnotatedHex(std::string_view annotated);

} // namespace quillet
