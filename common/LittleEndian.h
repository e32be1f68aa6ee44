// SPDX-License-Identifier: MIT
#pragma once
// Little-endian words for every writer of a binary format (BMP, WAV, FAT
// disks): appended to the end of a buffer, or stored over bytes already
// there.

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

inline void appendLe16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void appendLe32(std::string& out, std::uint32_t value)
{
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

inline void storeLe16(std::string& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void storeLe32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    storeLe16(bytes, at, value & 0xFFFF);
    storeLe16(bytes, at + 2, value >> 16);
}

} // namespace quillet
