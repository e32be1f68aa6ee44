// SPDX-License-Identifier: MIT
#pragma once
// The files that complete a picture file, found beside it by name: a paint
// program's palette file (NAME.PL5 beside NAME.SR5) and the other page of
// an interlaced pair (NAME.S1x beside NAME.S0x), read by the picture road
// (document/Picture.h) and loaded here with the picture.

#include "common/ByteStream.h"
#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct PictureCompanions {
    std::optional<std::string> paletteFile; // the palette file's bytes
    std::string paletteName;                // where they came from, for messages
    std::optional<std::string> otherPage;   // the other page's whole file
    std::string otherPageName;
    int page = -1; // the page the picture itself holds, when otherPage is there
};

// Loads the picture (the bytes after its type byte in `rest`) with its
// companions into `converter` and decodes it in `mode`; a palette table in
// `options` wins over a palette file. With `strict`, a palette file that
// holds no palette or another page that is no BSAVE file throws
// QuilletError(DamagedPicture); otherwise it is passed over.
const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions, bool strict);

} // namespace quillet
