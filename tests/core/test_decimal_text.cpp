// SPDX-License-Identifier: MIT
// The listing's own decimal writer against the standard conversion, over
// every line number and 16-bit constant and the edges of its range.

#include "decoder/DecimalText.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillet;

TEST(DecimalText, EveryValueAListingShowsIsWrittenAsTheStandardConversionWritesIt)
{
    char text[8];
    for (std::int32_t value = -32768; value <= 65535; ++value) {
        const std::string expected = std::to_string(value);
        char* end = putSignedDecimal(text, value);
        ASSERT_EQ(std::string(text, end), expected);
        if (value >= 0) {
            end = putDecimal(text, static_cast<std::uint32_t>(value));
            ASSERT_EQ(std::string(text, end), expected);
        }
    }
    for (const std::uint32_t value : {65536u, 99998u, 99999u}) {
        char* const end = putDecimal(text, value);
        EXPECT_EQ(std::string(text, end), std::to_string(value));
    }
}
