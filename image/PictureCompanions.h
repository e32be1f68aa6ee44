#pragma once
// The files that complete a picture file, found beside it by name: a paint
// program's palette file (NAME.PL5 beside NAME.SR5) and the other page of
// an interlaced pair (NAME.S1x beside NAME.S0x). Every program that shows
// pictures looks for them the same way; how a file is read is theirs.

#include "common/ByteStream.h"
#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// At most `limit` bytes of the file at `path`; nullopt when there is none.
// A reader may throw QuilletError for a file that is there but cannot be
// read, when that should stop the picture.
using ReadBeside = std::function<std::optional<std::string>(const std::string& path, std::size_t limit)>;

// A palette file holds a few palettes; only the first is used.
inline constexpr std::size_t PaletteFileReadLimit = 4096;
// A picture never uses more than its header and all of video memory; one
// byte more tells a longer file from one that just fits.
inline constexpr std::size_t PictureFileReadLimit = 7 + VramImageSize + 1;

struct PictureCompanions {
    std::optional<std::string> paletteFile; // the palette file's bytes
    std::string paletteName;                // where they came from, for messages
    std::optional<std::string> otherPage;   // the other page's whole file
    std::string otherPageName;
    int page = -1; // the page the picture itself holds, when otherPage is there
};

// The reader for files on disk: a regular file's first `limit` bytes;
// nullopt when there is no regular file of that name. Throws
// QuilletError(ReadFailed, ...) for one that cannot be read.
std::optional<std::string> readFileOnDisk(const std::string& path, std::size_t limit);

// What lies beside the picture at `path`.
PictureCompanions findCompanions(std::string_view path, const ReadBeside& read);

// Loads the picture (the bytes after its type byte in `rest`) with its
// companions into `converter` and decodes it in `mode`; a palette table in
// `options` wins over a palette file. With `strict`, a palette file that
// holds no palette or another page that is no BSAVE file throws
// QuilletError(DamagedPicture); otherwise it is passed over.
const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions, bool strict);

} // namespace quillet
