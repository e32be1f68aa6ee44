// SPDX-License-Identifier: MIT
#include "decoder/RealNumber.h"

#include <cstring>

namespace quillet {

namespace {

// A single is widened to the 14 digits of a double, so both share one layout.
constexpr int Digits = 14;
// From 0.01 up to 10^14 the number is written without an exponent.
constexpr int LowestFixedExponent = -1;
constexpr int HighestFixedExponent = 14;

template <typename Text> void appendReal(Text& out, std::span<const std::uint8_t> bytes, bool isDouble)
{
    const std::uint8_t exponentByte = bytes[0];
    if (exponentByte == 0) {
        // Zero whatever the digits, as the interpreter tests zero by this byte alone.
        out += isDouble ? "0#" : "0!";
        return;
    }

    // Padded, so that a run of digits can be copied as a whole block.
    char digits[2 * Digits + 4];
    int significant = 0; // digits up to the last one that is not 0
    int count = 0;
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        // A nibble above 9 lists as the character after '9' in ASCII,
        // as MSX BASIC lists it.
        const unsigned high = bytes[i] >> 4, low = bytes[i] & 0x0Fu;
        digits[count] = static_cast<char>('0' + high);
        digits[count + 1] = static_cast<char>('0' + low);
        count += 2;
        if (low != 0)
            significant = count;
        else if (high != 0)
            significant = count - 1;
    }
    while (count < Digits)
        digits[count++] = '0';

    // The value is 0.d1d2... times 10 to this power.
    const int exponent = (exponentByte & 0x7F) - 64;
    if (exponentByte & 0x80)
        out += '-';
    bool hasPoint = false;
    bool hasExponent = false;
    if (exponent >= LowestFixedExponent && exponent <= HighestFixedExponent) {
        if (exponent >= 1) {
            out.append(digits, static_cast<std::size_t>(exponent));
            if (significant > exponent) {
                out += '.';
                out.append(digits + exponent, static_cast<std::size_t>(significant - exponent));
                hasPoint = true;
            }
        } else if (significant > 0) {
            out += '.';
            if (exponent == -1)
                out += '0';
            out.append(digits, static_cast<std::size_t>(significant));
            hasPoint = true;
        }
    } else {
        out += digits[0];
        if (significant > 1) {
            out += '.';
            out.append(digits + 1, static_cast<std::size_t>(significant - 1));
        }
        // Always a sign and exactly two digits: e - 1 lies within -65 to 62.
        const int shown = exponent - 1;
        const int magnitude = shown < 0 ? -shown : shown;
        out += 'E';
        out += shown < 0 ? '-' : '+';
        out += static_cast<char>('0' + magnitude / 10);
        out += static_cast<char>('0' + magnitude % 10);
        hasExponent = true;
    }

    // The precision mark only where the text alone would not give it.
    if (isDouble) {
        if (!hasExponent)
            out += '#';
    } else if (!hasPoint && !hasExponent) {
        out += '!';
    }
}

// Writes in place, copying runs of digits as 16-byte blocks: at most 14
// digits are meant, the rest is written over or left past the end.
struct RawText {
    char* at;
    void operator+=(char c) { *at++ = c; }
    void operator+=(const char* text)
    {
        const std::size_t count = std::strlen(text);
        std::memcpy(at, text, count);
        at += count;
    }
    void append(const char* text, std::size_t count)
    {
        std::memcpy(at, text, 16);
        at += count;
    }
};

} // namespace

void appendRealConstant(std::string& out, std::span<const std::uint8_t> bytes, bool isDouble)
{
    appendReal(out, bytes, isDouble);
}

void appendRealConstant(LineBuffer& out, std::span<const std::uint8_t> bytes, bool isDouble)
{
    appendReal(out, bytes, isDouble);
}

char* putRealConstant(char* to, std::span<const std::uint8_t> bytes, bool isDouble)
{
    RawText text{to};
    appendReal(text, bytes, isDouble);
    return text.at;
}

std::string realConstantText(std::span<const std::uint8_t> bytes, bool isDouble)
{
    std::string text;
    appendRealConstant(text, bytes, isDouble);
    return text;
}

} // namespace quillet
