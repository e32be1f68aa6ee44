// SPDX-License-Identifier: MIT
#include "image/PictureCompanions.h"

#include "common/Errors.h"
#include "image/Palette.h"
#include "image/ScreenMode.h"

#include <span>

namespace quillet {

namespace {

std::span<const std::uint8_t> byteSpan(const std::string& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

} // namespace

const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions, bool strict)
{
    if (!options.paletteTable && companions.paletteFile) {
        options.paletteTable = paletteTableFromFile(byteSpan(*companions.paletteFile));
        if (!options.paletteTable && strict)
            throw QuilletError(ErrorKind::DamagedPicture, companions.paletteName + ": no palette");
    }
    const std::string* other = companions.otherPage ? &*companions.otherPage : nullptr;
    if (other && (other->empty() || static_cast<std::uint8_t>((*other)[0]) != BsaveTypeByte)) {
        if (strict)
            throw QuilletError(ErrorKind::DamagedPicture, companions.otherPageName + ": not a BSAVE image");
        other = nullptr;
    }
    if (!other) {
        converter.loadVramImage(rest, mode);
    } else {
        // The page a file holds decides which is page 0.
        MemorySource otherRest(std::string_view(*other).substr(1));
        ByteSource& first = companions.page == 0 ? rest : static_cast<ByteSource&>(otherRest);
        ByteSource& second = companions.page == 0 ? static_cast<ByteSource&>(otherRest) : rest;
        converter.loadVramImage(first, mode);
        converter.loadSecondPage(second, mode);
        options.interlace = true;
    }
    return converter.decode(mode, options);
}

} // namespace quillet
