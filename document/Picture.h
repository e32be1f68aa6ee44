// SPDX-License-Identifier: MIT
#pragma once
// The one road from a picture document to its pixels, taken by every
// program: the picture's bytes (read once, up to what a picture can use),
// the screen mode chosen by a policy (a stored setting, detection from name
// and content, or a mode the user forced), and the files that complete it
// beside it (a paint program's palette file, the other page of an
// interlaced pair), read the way the program reaches files.

#include "common/Errors.h"
#include "document/Open.h"
#include "image/BsaveConverter.h"
#include "image/CopiedPicture.h"
#include "image/DecodedPicture.h"
#include "image/ScreenMode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The mode a picture is read in when nothing else decides: what the
// viewer's stored setting starts as, and what detection falls back on.
inline constexpr int DefaultScreenMode = 5;

// A picture never uses more than its header and all of video memory, nor a
// COPY picture more than its largest rectangle; one byte more tells a
// longer file from one that just fits.
inline constexpr std::size_t PictureReadLimit = std::max(BsaveHeaderBytes + VramImageSize + 1, CopiedPictureReadLimit);
// A palette file holds up to eight palettes (PaletteFilePalettes) of 32
// bytes; PictureOptions::paletteIndex picks one.
inline constexpr std::size_t PaletteFileReadLimit = 4096;

struct ModePolicy {
    // With `detect` the mode detection falls back on (the stored setting);
    // without, the mode used as it is (the stored setting or --screen).
    int mode = DefaultScreenMode;
    // The name and the content decide (image/ScreenMode.h).
    bool detect = true;
};

struct PictureRequest {
    ModePolicy mode;
    // Sprites, interlace, and a palette table that wins over a palette file.
    PictureOptions options;
};

// Whether a file of `fileSize` bytes whose first bytes are `start` is a
// picture this road reads with confidence: a whole BSAVE header whose
// addresses and the file's length fit a screen mode's layout
// (fitsPictureLayout, image/ScreenMode.h), a compressed picture whose
// length fits its size word (image/GraphSaurus.h), or a COPY picture
// whose length fits its width and height at some depth (the document
// kinds' content test, document/Kinds.h). The first seven bytes decide
// with the length; a compressed picture's data may still prove damaged.
// For programs that share files with other readers (the image plugin, the
// thumbnailer), not for those that go by the first byte.
bool looksLikePicture(std::string_view start, std::uint64_t fileSize) noexcept;
// The same for a file's bytes read whole, or up to PictureReadLimit (a
// longer file holds more than video memory and is none).
inline bool looksLikePicture(std::string_view file) noexcept
{
    return looksLikePicture(file, file.size());
}
// The same for a file named `name` (empty when none is known): the door
// must also take it for a picture, so a BSAVE dump of high memory, as
// machine code is saved, counts only under a picture's name.
bool looksLikePicture(std::string_view start, std::uint64_t fileSize, std::string_view name) noexcept;

// Throws QuilletError(NotAPicture) unless the document is a picture,
// naming what it is instead: a container, a BSAVE binary, a binary file,
// or for a listing its first byte.
void requirePicture(const Opened& document);

// Why a file beside a picture was left out.
enum class CompanionFault {
    Unreadable, // there, but no regular file or not to be read, or a compressed page whose data is damaged
    NoPalette,  // a palette file too short to hold a palette
    NotAPage,   // the other page of a pair is no BSAVE picture with data
};

// A file beside a picture that cannot be used: the picture is drawn as if
// it were not there, and the program tells the user so.
struct LeftOutCompanion {
    std::string name; // the path it was found at
    CompanionFault fault = CompanionFault::Unreadable;
    ErrorKind cause = ErrorKind::ReadFailed; // why an unreadable one could not be read
    friend bool operator==(const LeftOutCompanion&, const LeftOutCompanion&) = default;
};

// Why it was left out, as quillet-convert says it: "holds no palette".
std::string_view leftOutReason(const LeftOutCompanion& leftOut) noexcept;

// A decoded picture (the converter's) and what it was drawn without.
struct PictureResult {
    const DecodedPicture& picture;
    std::vector<LeftOutCompanion> leftOut;
};

// A picture document's bytes, as far as a picture uses them.
class PictureFile {
public:
    // Reads the rest of an opened document, and unpacks a compressed
    // picture. Throws QuilletError: NotAPicture, naming the first byte, for
    // a document that is no picture; ReadFailed; DamagedPicture for a
    // compressed picture whose data is damaged.
    explicit PictureFile(Opened& document);

    const std::string& name() const noexcept { return name_; }
    // looksLikePicture of its first bytes.
    bool looksWhole() const noexcept { return looksWhole_; }
    // The mode `policy` gives this picture, and whether it was detected
    // (and is to be shown and stored).
    ModeSelection chooseMode(const ModePolicy& policy) const noexcept;
    // The picture in `mode`, with the files beside it that can be used.
    // Throws QuilletError: UnsupportedScreenMode before anything is read.
    PictureResult decode(int mode, const PictureRequest& request, BsaveConverter& converter) const;
    // Whether the last decode found nothing after the header to show.
    static bool showedNothing(const BsaveConverter& converter) noexcept { return converter.loadedBytes() == 0; }

private:
    std::string name_;
    DocumentKind kind_;
    // The type byte included; a compressed picture's as the BSAVE file
    // of its unpacked bytes.
    std::string bytes_;
    bool looksWhole_ = false;
    const FileAccess* beside_;
};

// Both steps with the mode `request` chooses, for programs that tell
// nothing of what was left out.
const DecodedPicture& readPicture(Opened& document, const PictureRequest& request, BsaveConverter& converter);

} // namespace quillet
