// The scaling and number format behind real constants.

#include "decoder/RealNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace quillet;

TEST(FormatGeneral, FixedAndScientificRanges)
{
    EXPECT_EQ(formatGeneral(0.0), "0");
    EXPECT_EQ(formatGeneral(1.5), "1.5");
    EXPECT_EQ(formatGeneral(0.5), "0.5");
    EXPECT_EQ(formatGeneral(0.0001), "0.0001");
    EXPECT_EQ(formatGeneral(0.00001), "1E-5");
    EXPECT_EQ(formatGeneral(1e14), "100000000000000");
    EXPECT_EQ(formatGeneral(999999999999999.0), "999999999999999");
    EXPECT_EQ(formatGeneral(1e15), "1E15");
    EXPECT_EQ(formatGeneral(1.25e20), "1.25E20");
    EXPECT_EQ(formatGeneral(0.1), "0.1");
    EXPECT_EQ(formatGeneral(123.456), "123.456");
}

TEST(FormatGeneral, RoundsToFifteenDigits)
{
    // 0.1 + 0.2 is 0.30000000000000004...: the 16th digit is 0.
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0.3");
    // 2/3 rounds up at the 15th digit.
    EXPECT_EQ(formatGeneral(2.0 / 3.0), "0.666666666666667");
    // A carry through every digit moves the exponent.
    EXPECT_EQ(formatGeneral(9.9999999999999999e5), "1000000");
    EXPECT_EQ(formatGeneral(0.99999999999999995), "1");
}

TEST(ExtendedMultiply, AgreesWithExactProductsAndRoundsTwice)
{
    EXPECT_EQ(extendedTimesTen(1.5), 15.0);
    EXPECT_EQ(extendedTimesTen(0.0), 0.0);
    EXPECT_EQ(extendedTimesTenth(10.0), 1.0);
    EXPECT_EQ(extendedTimesTenth(0.0), 0.0);
    // 0.1 * 10 in extended precision is exactly representable as 1 after
    // rounding, unlike some double-only chains.
    EXPECT_EQ(extendedTimesTen(0.1), 1.0);
    // Ten steps up and down return to a value within one ulp.
    double x = 0.7;
    for (int i = 0; i < 10; ++i)
        x = extendedTimesTen(x);
    EXPECT_EQ(x, 7e9);
}

TEST(ExtendedMultiply, SixtyStepsDownMoveTheFifteenthDigit)
{
    double x = 0.7;
    for (int i = 0; i < 60; ++i)
        x = extendedTimesTenth(x);
    EXPECT_EQ(formatGeneral(x), "6.99999999999999E-61");
}

// Where the compiler's long double is the 64-bit-significand extended type,
// it computes the same products in hardware: the integer code must agree.
TEST(ExtendedMultiply, MatchesHardwareExtendedPrecision)
{
    if (std::numeric_limits<long double>::digits != 64)
        GTEST_SKIP() << "long double is not the 64-bit-significand extended type here";
    const long double tenth = 0.1L;
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> mantissa(0.1, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double start = mantissa(random);
        double up = start, down = start;
        double hardUp = start, hardDown = start;
        for (int step = 0; step < 64; ++step) {
            up = extendedTimesTen(up);
            down = extendedTimesTenth(down);
            hardUp = static_cast<double>(static_cast<long double>(hardUp) * 10.0L);
            hardDown = static_cast<double>(static_cast<long double>(hardDown) * tenth);
            ASSERT_EQ(up, hardUp) << "start " << start << " step " << step;
            ASSERT_EQ(down, hardDown) << "start " << start << " step " << step;
        }
    }
}
