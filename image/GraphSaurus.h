// SPDX-License-Identifier: MIT
#pragma once
// A paint program's compressed pictures (first byte 0xFD): the type byte,
// two bytes, the size of the compressed data (a little-endian word), two
// more bytes, then the data. Unpacked, the data is the video memory from
// address 0 that the program's uncompressed files hold after a BSAVE
// header. In the data a byte of 16 or more stands for itself; a byte 1 to
// 15 repeats the byte after it that many times; a 0 is followed by a count
// (0 meaning 256) and the byte to repeat.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::uint8_t CompressedPictureTypeByte = 0xFD;
inline constexpr std::size_t CompressedPictureHeaderBytes = 7;
// No picture unpacks to more than all of video memory.
inline constexpr std::size_t UnpackedPictureLimit = 0x20000;

// The size word of a compressed picture's header; 0 when `file` holds
// less than a whole header.
std::uint16_t compressedDataSize(std::string_view file) noexcept;

// Whether a file of `fileSize` bytes that starts with `start` is a whole
// compressed picture as far as its header tells: the type byte, and after
// the header at least the data its size word names and less than a sector
// more (files copied by whole sectors carry the rest of the last).
bool looksLikeCompressedPicture(std::string_view start, std::uint64_t fileSize) noexcept;

// The compressed picture `file` (type byte included) as the BSAVE file of
// the same picture: a header for address 0 on, then the unpacked bytes.
// The data is the size word's bytes; a run whose count or byte lies just
// past them takes it from the file's next bytes, since files often hold
// one byte more. Throws QuilletError(DamagedPicture), saying why, when
// the header or the data is cut short or the data unpacks past
// UnpackedPictureLimit; never gives a part of a picture.
std::string unpackCompressedPicture(std::string_view file);

} // namespace quillet
