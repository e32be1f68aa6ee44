// SPDX-License-Identifier: MIT
#pragma once
// Pictures BASIC's COPY statement saved (COPY (x1,y1)-(x2,y2) TO "file"):
// a width word and a height word (little-endian), then width x height
// pixels at the depth of the screen mode they were copied from (4 bits in
// SCREEN 5 and 7, 2 in SCREEN 6, 8 in SCREEN 8 and 10 to 12), rows top
// first, the leftmost pixel in the high bits, with no padding at the end
// of a row. The file says nothing of the mode; its name may.
// BsaveConverter::decodeCopied draws them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillet {

inline constexpr std::size_t CopiedPictureHeaderBytes = 4;
inline constexpr int CopiedPictureMaxWidth = 512;
inline constexpr int CopiedPictureMaxHeight = 1024;
// The largest file (8 bits a pixel) and the byte that may follow it.
inline constexpr std::size_t CopiedPictureReadLimit =
    CopiedPictureHeaderBytes + CopiedPictureMaxWidth * CopiedPictureMaxHeight + 1;

struct CopiedPictureSize {
    int width = 0;
    int height = 0;
};

// The size the header gives, or nullopt when `head` holds no whole header
// or the size is none a COPY picture has (0, or over the largest).
std::optional<CopiedPictureSize> copiedPictureSizeOf(std::span<const std::uint8_t> head) noexcept;

// Whether a file of `size` bytes whose first bytes are `head` holds the
// pixels its header says at `bits` a pixel, give or take a byte.
bool copiedPictureFits(std::span<const std::uint8_t> head, std::uint64_t size, int bits) noexcept;

// The mode a COPY picture is read in: the one its name gives when that
// mode's depth fits the length, else `setting` when its depth does, else
// the first of SCREEN 5, 8 and 6 whose depth does (nothing fitting: the
// name's, the setting's, or SCREEN 5).
int copiedPictureMode(std::string_view name, std::span<const std::uint8_t> head, std::uint64_t size,
                      int setting) noexcept;

} // namespace quillet
