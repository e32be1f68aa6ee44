// SPDX-License-Identifier: MIT
#pragma once
// The header of a BSAVE file, read in one place: the type byte 0xFE, then
// the start, end and execution addresses as 16-bit little-endian values.
// The saved bytes follow from the start address on; the length of the
// file, not the end address, says how many there are. A cassette keeps a
// binary file's addresses the same way, without the type byte.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillet {

struct BsaveHeader {
    std::uint16_t startAddress = 0;
    std::uint16_t endAddress = 0;       // read, not used for pictures
    std::uint16_t executionAddress = 0; // read, not used for pictures
    friend bool operator==(const BsaveHeader&, const BsaveHeader&) = default;
};

// The type byte a BSAVE file starts with, then the three addresses.
inline constexpr std::uint8_t BsaveTypeByte = 0xFE;
inline constexpr std::size_t BsaveHeaderBytes = 7;

// The addresses from the six bytes after the type byte; bytes that
// `afterMark` lacks count as zero.
constexpr BsaveHeader bsaveHeaderOf(std::span<const std::uint8_t> afterMark) noexcept
{
    const auto word = [&](std::size_t at) {
        const unsigned low = at < afterMark.size() ? afterMark[at] : 0;
        const unsigned high = at + 1 < afterMark.size() ? afterMark[at + 1] : 0;
        return static_cast<std::uint16_t>(low | high << 8);
    };
    return {word(0), word(2), word(4)};
}

inline BsaveHeader bsaveHeaderOf(std::string_view afterMark) noexcept
{
    return bsaveHeaderOf(std::span(reinterpret_cast<const std::uint8_t*>(afterMark.data()), afterMark.size()));
}

// What a BSAVE file's header and size say: where its data starts and how
// many bytes follow the seven header bytes.
struct BsaveShape {
    std::uint16_t startAddress = 0;
    std::uint64_t dataBytes = 0;
};

// The shape of a BSAVE file of `fileSize` bytes in all (type byte and
// header included) whose first bytes are `start`; what `start` lacks
// counts as zero.
inline BsaveShape bsaveShapeOf(std::string_view start, std::uint64_t fileSize) noexcept
{
    return {bsaveHeaderOf(start.substr(start.empty() ? 0 : 1)).startAddress,
            fileSize > BsaveHeaderBytes ? fileSize - BsaveHeaderBytes : 0};
}

// Whether `file` starts with a whole header with the type byte and an end
// address not below the start (BSAVE cannot save backwards; paint programs
// put the data size there, which is no less than their start 0).
inline bool startsWithWholeBsaveHeader(std::string_view file) noexcept
{
    if (file.size() < BsaveHeaderBytes || static_cast<std::uint8_t>(file[0]) != BsaveTypeByte)
        return false;
    const BsaveHeader header = bsaveHeaderOf(file.substr(1));
    return header.endAddress >= header.startAddress;
}

} // namespace quillet
