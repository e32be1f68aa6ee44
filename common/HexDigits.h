// SPDX-License-Identifier: MIT
#pragma once
// Hexadecimal digits, both ways, for every writer and reader of hex text
// (listings, RTF escapes, annotated hex).

#include <cstdint>

namespace quillet {

inline constexpr char UpperHexDigits[] = "0123456789ABCDEF";

inline constexpr char upperHexDigit(unsigned value)
{
    return UpperHexDigits[value & 0x0F];
}

// 0 to 15 for a hex digit of either case, -1 for anything else.
inline constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace quillet
