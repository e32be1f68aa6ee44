// SPDX-License-Identifier: MIT
#pragma once
// A small reader of the uncompressed BMP pictures the image converter
// writes, written from the BMP format itself so that the tests check the
// writer rather than repeat it. Lines are screen lines: 0 is the top.

#include "image/Palette.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::test {

struct BmpPicture {
    std::uint32_t fileSize = 0, pixelOffset = 0, infoSize = 0, pixelBytes = 0, compression = 0;
    std::int32_t width = 0, height = 0;
    std::uint16_t planes = 0, bitCount = 0;
    std::vector<Rgb> colourTable;
    std::string bytes;

    static std::uint32_t u32(const std::string& b, std::size_t at)
    {
        return static_cast<std::uint8_t>(b.at(at)) | static_cast<std::uint8_t>(b.at(at + 1)) << 8
               | static_cast<std::uint8_t>(b.at(at + 2)) << 16
               | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b.at(at + 3))) << 24;
    }
    static std::uint16_t u16(const std::string& b, std::size_t at)
    {
        return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b.at(at))
                                          | static_cast<std::uint8_t>(b.at(at + 1)) << 8);
    }

    explicit BmpPicture(std::string file) : bytes(std::move(file))
    {
        if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
            throw std::runtime_error("not a BMP picture");
        fileSize = u32(bytes, 2);
        pixelOffset = u32(bytes, 10);
        infoSize = u32(bytes, 14);
        width = static_cast<std::int32_t>(u32(bytes, 18));
        height = static_cast<std::int32_t>(u32(bytes, 22));
        planes = u16(bytes, 26);
        bitCount = u16(bytes, 28);
        compression = u32(bytes, 30);
        pixelBytes = u32(bytes, 34);
        for (std::size_t at = 54; at < pixelOffset; at += 4) {
            colourTable.push_back({static_cast<std::uint8_t>(bytes.at(at + 2)),
                                   static_cast<std::uint8_t>(bytes.at(at + 1)),
                                   static_cast<std::uint8_t>(bytes.at(at))});
        }
    }

    std::size_t rowBytes() const { return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4; }

    // The stored byte at `column` of screen line `line` (rows are bottom-up).
    std::uint8_t rowByte(int line, std::size_t column) const
    {
        const std::size_t row = static_cast<std::size_t>(height - 1 - line);
        return static_cast<std::uint8_t>(bytes.at(pixelOffset + row * rowBytes() + column));
    }

    // Colour-table index of a pixel of a 4- or 8-bit picture.
    int index(int x, int line) const
    {
        if (bitCount == 8)
            return rowByte(line, static_cast<std::size_t>(x));
        const std::uint8_t b = rowByte(line, static_cast<std::size_t>(x / 2));
        return (x & 1) ? (b & 0x0F) : (b >> 4);
    }

    Rgb pixel(int x, int line) const
    {
        if (bitCount == 24) {
            const std::size_t at = static_cast<std::size_t>(x) * 3;
            return {rowByte(line, at + 2), rowByte(line, at + 1), rowByte(line, at)};
        }
        return colourTable.at(static_cast<std::size_t>(index(x, line)));
    }
};

} // namespace quillet::test

namespace quillet {
// Found by argument-dependent lookup when a colour check fails.
inline void PrintTo(const Rgb& c, std::ostream* os)
{
    *os << "rgb(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ")";
}
} // namespace quillet
