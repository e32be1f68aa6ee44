#include "decoder/RealNumber.h"

#include "common/Errors.h"
#include "decoder/LineDecoder.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace quillet {

namespace {

struct U128 {
    std::uint64_t hi;
    std::uint64_t lo;
};

U128 multiply(std::uint64_t a, std::uint64_t b)
{
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32;
    const std::uint64_t bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
    const std::uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    return {hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (mid << 32) | (ll & 0xFFFFFFFFu)};
}

int bitLength(const U128& v)
{
    return v.hi ? 128 - std::countl_zero(v.hi) : 64 - std::countl_zero(v.lo);
}

// Bits [from, from + 64) of v, for 0 <= from < 128.
std::uint64_t bitsFrom(const U128& v, int from)
{
    if (from == 0)
        return v.lo;
    if (from < 64)
        return (v.lo >> from) | (v.hi << (64 - from));
    return v.hi >> (from - 64);
}

// Compares the lowest `count` bits of v (count >= 1) with half of 2^count:
// -1 below, 0 equal, 1 above.
int compareLowBitsWithHalf(const U128& v, int count)
{
    const int top = count - 1; // the bit that weighs one half
    bool topSet = top >= 64 ? (v.hi >> (top - 64)) & 1 : (v.lo >> top) & 1;
    bool restSet;
    if (top >= 64)
        restSet = v.lo != 0 || (v.hi & ((std::uint64_t{1} << (top - 64)) - 1)) != 0;
    else
        restSet = (v.lo & ((std::uint64_t{1} << top) - 1)) != 0;
    if (!topSet)
        return -1;
    return restSet ? 1 : 0;
}

// x (a finite positive double) times significand * 2^scale, where
// significand has its top bit set.
double extendedMultiply(double x, std::uint64_t significand, int scale)
{
    if (x == 0.0)
        return 0.0;
    int exponent = 0;
    const double fraction = std::frexp(x, &exponent); // x = fraction * 2^exponent, fraction in [0.5, 1)
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;

    // Exact product, then rounded to a 64-bit significand.
    const U128 product = multiply(mantissa, significand);
    exponent += scale;
    const int length = bitLength(product);
    std::uint64_t wide;
    if (length <= 64) {
        wide = product.lo << (64 - length);
        exponent -= 64 - length;
    } else {
        const int dropped = length - 64;
        wide = bitsFrom(product, dropped);
        exponent += dropped;
        const int cmp = compareLowBitsWithHalf(product, dropped);
        if (cmp > 0 || (cmp == 0 && (wide & 1))) {
            if (++wide == 0) {
                wide = std::uint64_t{1} << 63;
                ++exponent;
            }
        }
    }

    // The 64-bit significand rounded to the 53 bits of a double.
    std::uint64_t narrow = wide >> 11;
    const std::uint64_t rest = wide & 0x7FF;
    if (rest > 0x400 || (rest == 0x400 && (narrow & 1))) {
        if (++narrow == (std::uint64_t{1} << 53)) {
            narrow >>= 1;
            ++exponent;
        }
    }
    return std::ldexp(static_cast<double>(narrow), exponent + 11);
}

constexpr std::uint64_t TenSignificand = 0xA000000000000000u;   // 10 = this * 2^-60
constexpr std::uint64_t TenthSignificand = 0xCCCCCCCCCCCCCCCDu; // 0.1 rounded, * 2^-67

} // namespace

double extendedTimesTen(double x)
{
    return extendedMultiply(x, TenSignificand, -60);
}

double extendedTimesTenth(double x)
{
    return extendedMultiply(x, TenthSignificand, -67);
}

std::string formatGeneral(double value)
{
    if (value == 0.0)
        return "0";

    // 18 significant digits, exactly rounded (ties to even).
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 17);
    if (ec != std::errc())
        return "0";
    // buffer: d.ddddddddddddddddde[+-]xx
    char digits[18];
    digits[0] = buffer[0];
    std::memcpy(digits + 1, buffer + 2, 17);
    const char* e = std::find(buffer, end, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    exponent += 1; // value = 0.d1d2... * 10^exponent

    // Then 15 digits, a 16th digit of 5 or more rounding up.
    int count = 15;
    if (digits[15] >= '5') {
        int i = 14;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits[0] = '1';
            ++exponent;
        }
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;

    std::string text;
    if (exponent > 15 || exponent < -3) {
        text += digits[0];
        if (count > 1) {
            text += '.';
            text.append(digits + 1, count - 1);
        }
        text += 'E';
        text += std::to_string(exponent - 1);
    } else if (exponent <= 0) {
        text = "0.";
        text.append(static_cast<std::size_t>(-exponent), '0');
        text.append(digits, count);
    } else if (count <= exponent) {
        text.append(digits, count);
        text.append(static_cast<std::size_t>(exponent - count), '0');
    } else {
        text.append(digits, exponent);
        text += '.';
        text.append(digits + exponent, count - exponent);
    }
    return text;
}

std::string realConstantText(std::span<const std::uint8_t> bytes, bool isDouble)
{
    const int exponent = (bytes[0] & 0x7F) - 64;

    // The mantissa digits as an integer over a power of ten; at most 14
    // digits, so both are exact and one division rounds correctly.
    std::uint64_t digits = 0;
    int digitCount = 0;
    int significant = 0;
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        for (int nibble : {bytes[i] >> 4, bytes[i] & 0x0F}) {
            if (nibble > 9)
                throw QuilletError(ErrorKind::DamagedProgram);
            digits = digits * 10 + static_cast<std::uint64_t>(nibble);
            ++digitCount;
            if (nibble != 0)
                significant = digitCount;
        }
    }
    for (int i = significant; i < digitCount; ++i)
        digits /= 10;
    double x = 0.0;
    if (significant > 0) {
        double scale = 1.0;
        for (int i = 0; i < significant; ++i)
            scale *= 10.0;
        x = static_cast<double>(digits) / scale;
    }

    for (int i = 0; i < exponent; ++i)
        x = extendedTimesTen(x);
    for (int i = 0; i > exponent; --i)
        x = extendedTimesTenth(x);

    std::string general = formatGeneral(x);
    const bool hasExponent = general.find('E') != std::string::npos;
    std::string text = general;
    if (const auto e = text.find('E'); e != std::string::npos && text[e + 1] != '-' && text[e + 1] != '+')
        text.insert(e + 1, 1, '+');
    text = stripLeadingZeros(text);
    if (isDouble)
        text += '#';
    else if (x > 32767.0 && !hasExponent)
        text += '!';
    return text;
}

} // namespace quillet
