// SPDX-License-Identifier: MIT
#include "image/PictureCompanions.h"

#include "image/BsaveHeader.h"
#include "image/GraphSaurus.h"

#include <exception>

namespace quillet {

std::optional<std::string> otherPageOf(std::string file)
{
    if (!file.empty() && static_cast<std::uint8_t>(file[0]) == CompressedPictureTypeByte)
        file = unpackCompressedPicture(file);
    if (!startsWithWholeBsaveHeader(file) || file.size() <= BsaveHeaderBytes)
        return std::nullopt;
    return file;
}

bool isUsableOtherPage(std::string_view file) noexcept
{
    try {
        return otherPageOf(std::string(file)).has_value();
    } catch (const std::exception&) {
        return false;
    }
}

const DecodedPicture& decodePicture(BsaveConverter& converter, ByteSource& rest, int mode, PictureOptions options,
                                    const PictureCompanions& companions)
{
    if (!options.paletteTable)
        options.paletteTable = companions.palette;
    if (!companions.otherPage) {
        converter.loadVramImage(rest, mode);
    } else {
        // The page a file holds decides which is page 0.
        MemorySource otherRest(std::string_view(*companions.otherPage).substr(1));
        ByteSource& first = companions.page == 0 ? rest : static_cast<ByteSource&>(otherRest);
        ByteSource& second = companions.page == 0 ? static_cast<ByteSource&>(otherRest) : rest;
        converter.loadVramImage(first, mode);
        converter.loadSecondPage(second, mode);
        options.interlace = true;
    }
    return converter.decode(mode, options);
}

} // namespace quillet
