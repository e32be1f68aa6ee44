// SPDX-License-Identifier: MIT
#pragma once
// The layout of a cassette image, shared by the reader and the writer: the
// 8-byte header before each block, and the block of ten type bytes and a
// six-byte name that starts each file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet::cas {

inline constexpr std::string_view BlockHeader("\x1F\xA6\xDE\xBA\xCC\x13\x7D\x74", 8);
inline constexpr std::size_t TypeLength = 10;
inline constexpr std::size_t NameLength = 6;
inline constexpr std::uint8_t TokenizedType = 0xD3; // CSAVE
inline constexpr std::uint8_t AsciiType = 0xEA;     // SAVE
inline constexpr std::uint8_t BinaryType = 0xD0;    // BSAVE
inline constexpr char AsciiEnd = 0x1A;

// The type of a file header block, or 0 for a block of data.
inline std::uint8_t fileType(std::string_view data)
{
    if (data.size() < TypeLength)
        return 0;
    const auto type = static_cast<std::uint8_t>(data[0]);
    if (type != TokenizedType && type != AsciiType && type != BinaryType)
        return 0;
    return std::all_of(data.begin(), data.begin() + TypeLength,
                       [&](char c) { return static_cast<std::uint8_t>(c) == type; })
               ? type
               : 0;
}

} // namespace quillet::cas
