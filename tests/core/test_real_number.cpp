// SPDX-License-Identifier: MIT
// Real constants listed from their BCD digits: the exponent byte (sign in
// bit 7, excess 64) and 3 or 7 bytes of digits, as the code's operand lies
// in a program.

#include "common/Errors.h"
#include "decoder/RealNumber.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quillet;
using quillet::test::hexBytes;

namespace {

std::string single(std::string_view hex)
{
    const std::string bytes = hexBytes(hex);
    EXPECT_EQ(bytes.size(), 4u) << hex;
    return realConstantText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), false);
}

std::string dbl(std::string_view hex)
{
    const std::string bytes = hexBytes(hex);
    EXPECT_EQ(bytes.size(), 8u) << hex;
    return realConstantText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), true);
}

} // namespace

TEST(RealConstant, FixedFormKeepsEveryDigitWithoutLeadingZero)
{
    EXPECT_EQ(single("41 11 23 46"), "1.12346");
    EXPECT_EQ(single("40 12 34 56"), ".123456");
    EXPECT_EQ(single("45 12 34 56"), "12345.6");
    EXPECT_EQ(single("45 32 76 75"), "32767.5");
    EXPECT_EQ(single("41 15 00 00"), "1.5");
    EXPECT_EQ(single("3F 50 00 00"), ".05"); // e = -1: a 0 after the point
    EXPECT_EQ(single("3F 12 34 56"), ".0123456");
    EXPECT_EQ(dbl("41 31 41 59 26 53 58 98"), "3.1415926535898#");
    EXPECT_EQ(dbl("4E 12 34 56 78 90 12 34"), "12345678901234#"); // 14 digits, still fixed
}

TEST(RealConstant, SuffixOnlyWhereTheTextDoesNotShowThePrecision)
{
    // A single gets ! unless it has a point or an exponent.
    EXPECT_EQ(single("41 10 00 00"), "1!");
    EXPECT_EQ(single("46 12 34 56"), "123456!");
    EXPECT_EQ(single("46 10 00 00"), "100000!");
    EXPECT_EQ(single("45 40 00 00"), "40000!");
    EXPECT_EQ(single("4E 10 00 00"), "10000000000000!");
    EXPECT_EQ(single("4F 10 00 00"), "1E+14");
    // A double gets # unless it has an exponent, a point or not.
    EXPECT_EQ(dbl("41 10 00 00 00 00 00 00"), "1#");
    EXPECT_EQ(dbl("40 10 00 00 00 00 00 00"), ".1#");
    EXPECT_EQ(dbl("56 51 23 00 00 00 00 00"), "5.123E+21");
}

TEST(RealConstant, ExponentFormHasASignAndTwoDigits)
{
    EXPECT_EQ(single("3A 20 00 00"), "2E-07");
    EXPECT_EQ(single("54 30 00 00"), "3E+19");
    EXPECT_EQ(single("3E 10 00 00"), "1E-03"); // just below .01
    EXPECT_EQ(single("3C 10 00 00"), "1E-05");
    EXPECT_EQ(single("3D 12 34 50"), "1.2345E-04");
    EXPECT_EQ(dbl("55 41 23 45 67 89 01 23"), "4.1234567890123E+20");
    // Above 14 digits before the point a double turns to the exponent form.
    EXPECT_EQ(dbl("4F 12 34 56 78 90 12 35"), "1.2345678901235E+14");
    EXPECT_EQ(dbl("50 12 34 56 78 90 12 35"), "1.2345678901235E+15");
    // The ends of the exponent's range.
    EXPECT_EQ(single("7F 99 99 99"), "9.99999E+62");
    EXPECT_EQ(dbl("7F 99 99 99 99 99 99 99"), "9.9999999999999E+62");
    EXPECT_EQ(single("01 10 00 00"), "1E-64");
}

TEST(RealConstant, DigitsAreNeverRoundedThroughBinary)
{
    EXPECT_EQ(single("04 70 00 00"), "7E-61");
    EXPECT_EQ(single("40 30 00 00"), ".3");
    EXPECT_EQ(dbl("40 10 00 00 00 00 00 01"), ".10000000000001#");
    EXPECT_EQ(dbl("7F 12 34 56 78 90 12 34"), "1.2345678901234E+62");
    EXPECT_EQ(dbl("4E 99 99 99 99 99 99 99"), "99999999999999#");
}

TEST(RealConstant, ZeroAndTheSignBit)
{
    // An exponent byte of 0 is zero whatever the digits.
    EXPECT_EQ(single("00 00 00 00"), "0!");
    EXPECT_EQ(dbl("00 00 00 00 00 00 00 00"), "0#");
    EXPECT_EQ(single("00 12 34 56"), "0!");
    // Never stored: all digits 0 under another exponent byte. Trailing zeros
    // and the point go, leaving no digit before the mark.
    EXPECT_EQ(single("40 00 00 00"), "!");
    EXPECT_EQ(single("43 00 00 00"), "000!");
    // The tokenizer never sets bit 7 (a minus is an operator), yet it lists.
    EXPECT_EQ(single("C1 15 00 00"), "-1.5");
    EXPECT_EQ(single("C1 10 00 00"), "-1!");
    EXPECT_EQ(dbl("D5 41 23 45 67 89 01 23"), "-4.1234567890123E+20");
    EXPECT_EQ(single("80 10 00 00"), "-1E-65"); // bit 7 alone: exponent -64
}

TEST(RealConstant, DigitAboveNineListsAsTheCharacterAfterNine)
{
    // As MSX BASIC lists it: '0' + the nibble, ':' to '?'.
    EXPECT_EQ(single("41 1A 00 00"), "1.:");
    EXPECT_EQ(single("41 A0 00 00"), ":!");
    EXPECT_EQ(single("3A 20 00 0F"), "2.0000?E-07");
    EXPECT_EQ(single("46 AB CD EF"), ":;<=>?!");
    EXPECT_EQ(dbl("41 00 00 00 00 00 00 F0"), "0.00000000000?#");
    // With an exponent byte of 0 no digit is listed, so nothing is wrong.
    EXPECT_EQ(single("00 AB CD EF"), "0!");
}

TEST(RealConstant, WrittenInPlaceAsAppendedForEveryExponentAndLength)
{
    // Every exponent byte, with digits ending at every place, written over
    // a marked room: the text is the same and nothing lands past the room.
    for (const bool isDouble : {false, true}) {
        const std::size_t digitBytes = isDouble ? 7 : 3;
        for (unsigned exponent = 0; exponent < 256; ++exponent) {
            for (std::size_t last = 0; last <= 2 * digitBytes; ++last) {
                std::uint8_t bytes[8] = {static_cast<std::uint8_t>(exponent)};
                for (std::size_t digit = 0; digit < last; ++digit) {
                    const auto value = static_cast<std::uint8_t>(9 - digit % 10);
                    bytes[1 + digit / 2] |= digit % 2 ? value : value << 4;
                }
                const std::span<const std::uint8_t> constant(bytes, 1 + digitBytes);
                const std::string appended = realConstantText(constant, isDouble);
                char room[RealConstantRoom + 8];
                std::fill(std::begin(room), std::end(room), '~');
                char* const end = putRealConstant(room, constant, isDouble);
                EXPECT_EQ(std::string(room, end), appended) << exponent << " " << last;
                EXPECT_EQ(std::string(room + RealConstantRoom, 8), std::string(8, '~'));
            }
        }
    }
}
