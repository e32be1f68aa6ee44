// SPDX-License-Identifier: MIT
#pragma once
// Decimal text of the small numbers a listing shows (line numbers, 16-bit
// and byte constants), written two digits at a time from a table: cheaper
// than a general conversion, which counts the digits in a loop first.

#include <cstdint>
#include <cstring>

namespace quillet {

inline constexpr char DigitPairs[] = "00010203040506070809"
                                     "10111213141516171819"
                                     "20212223242526272829"
                                     "30313233343536373839"
                                     "40414243444546474849"
                                     "50515253545556575859"
                                     "60616263646566676869"
                                     "70717273747576777879"
                                     "80818283848586878889"
                                     "90919293949596979899";

// `value` below 100000, without leading zeros; returns the text's end.
inline char* putDecimal(char* to, std::uint32_t value)
{
    const int length = value < 10 ? 1 : value < 100 ? 2 : value < 1000 ? 3 : value < 10000 ? 4 : 5;
    char* const end = to + length;
    char* at = end;
    while (value >= 10) {
        at -= 2;
        std::memcpy(at, DigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (at != to)
        *--at = static_cast<char>('0' + value);
    return end;
}

// The same with a minus sign for a negative value, above -100000.
inline char* putSignedDecimal(char* to, std::int32_t value)
{
    if (value < 0) {
        *to++ = '-';
        return putDecimal(to, static_cast<std::uint32_t>(-value));
    }
    return putDecimal(to, static_cast<std::uint32_t>(value));
}

} // namespace quillet
