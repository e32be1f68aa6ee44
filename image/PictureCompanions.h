// SPDX-License-Identifier: MIT
#pragma once
// The files that complete a picture file, found beside it by name: a paint
// program's palette file (NAME.PL5 beside NAME.SR5) and the other page of
// an interlaced pair (NAME.S1x beside NAME.S0x, image/ScreenMode.h), read by the picture road
// (document/Picture.h) and loaded here with the picture.

#include "common/ByteStream.h"
#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// What was found beside a picture and can be used: the road leaves out
// what cannot.
struct PictureCompanions {
    std::optional<std::array<std::uint8_t, PaletteTableBytes>> palette; // from the palette file
    std::optional<std::string> otherPage; // the other page's whole file, a BSAVE picture (otherPageOf)
    int page = -1;                        // the page the picture itself holds, when otherPage is there
};

// Whether `file` can be the other page of a pair: a whole BSAVE header
// and something after it to show, or a compressed picture that unpacks to
// something to show.
bool isUsableOtherPage(std::string_view file) noexcept;
// The other page `file` holds, as a BSAVE file (a compressed one
// unpacked), or nullopt when it is none. Throws QuilletError
// (DamagedPicture) for a compressed page whose data is damaged.
std::optional<std::string> otherPageOf(std::string file);

// Loads the picture (the bytes after its type byte in `rest`) with its
// companions into `converter` and decodes it in `mode`; a palette table in
// `options` wins over the palette file's.
const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions);

} // namespace quillet
