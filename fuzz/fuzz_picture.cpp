// SPDX-License-Identifier: MIT
// Random BSAVE files (the bytes after 0xFE) through the decoders added for
// SCREEN 1 to 4, the sprites, interlaced pages and palette files, written as
// BMP or PNG. The last byte picks the mode and the options; detection by
// name and content runs on every input too, and the same bytes go through
// the compressed pictures' unpacking and as a COPY picture.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/CopiedPicture.h"
#include "image/GraphSaurus.h"
#include "image/ScreenMode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The same bytes as a compressed picture's data and as a COPY picture: the
// one unpacks within video memory or fails as damaged, the other is drawn
// at the size its header gives.
void checkOtherForms(std::string_view bytes, const quillet::PictureOptions& options, std::uint8_t bits)
{
    static constexpr int copyModes[] = {5, 6, 7, 8, 10, 11, 12, 5};
    static quillet::BsaveConverter* converter = new quillet::BsaveConverter;
    try {
        const std::string unpacked = quillet::unpackCompressedPicture("\xFD" + std::string(bytes));
        if (unpacked.size() > quillet::BsaveHeaderBytes + quillet::UnpackedPictureLimit
            || !quillet::startsWithWholeBsaveHeader(unpacked))
            std::abort();
    } catch (const quillet::QuilletError& error) {
        if (error.kind() != quillet::ErrorKind::DamagedPicture)
            std::abort();
    }
    const auto size =
        quillet::copiedPictureSizeOf(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!size)
        return;
    const quillet::DecodedPicture& copied = converter->decodeCopied(bytes, copyModes[bits & 7], options);
    if (copied.width != size->width || copied.height != size->height
        || copied.rgb.size() != static_cast<std::size_t>(copied.width) * copied.height * 3)
        std::abort();
    for (const std::uint8_t index : copied.indices) {
        if (index >= copied.colourTable.size())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr int modes[] = {1, 2, 3, 4, 5, 6, 7, 12};
    static quillet::BsaveConverter* converter = new quillet::BsaveConverter;
    const std::uint8_t bits = size > 0 ? data[size - 1] : 0;
    const int mode = modes[bits & 7];
    quillet::PictureOptions options;
    options.sprites.draw = (bits & 0x08) != 0;
    options.sprites.size = (bits >> 4) & 3;
    options.interlace = (bits & 0x40) != 0;
    if (size >= 32 && (bits & 0x80))
        options.paletteTable = quillet::paletteTableFromFile(std::span(data, size));
    const auto format = (bits & 0x20) ? quillet::PictureFormat::Png : quillet::PictureFormat::Bmp;

    const quillet::BsaveShape shape{static_cast<std::uint16_t>(size >= 2 ? data[0] | data[1] << 8 : 0),
                                    size > 6 ? size - 6 : 0};
    const int detected = quillet::detectScreenMode("FUZZ.SC2", shape, 5);
    if (quillet::contentRulesOut(detected, shape))
        std::abort(); // detection picked a mode the content rules out

    quillet::MemorySource source(std::span(data, size));
    converter->loadVramImage(source, mode);
    if (options.interlace) {
        quillet::MemorySource second(std::span(data, size));
        converter->loadSecondPage(second, mode);
    }
    const quillet::DecodedPicture& picture = converter->decode(mode, options);
    const quillet::ScreenModeLayout& layout = *quillet::screenModeLayout(mode);
    const int height = layout.height * (options.interlace && !layout.patterned() ? 2 : 1);
    if (picture.width != layout.width || picture.height != height
        || picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3)
        std::abort();
    for (const std::uint8_t index : picture.indices) {
        if (index >= picture.colourTable.size())
            std::abort(); // a sprite or pattern colour outside the table
    }
    quillet::StringSink sink;
    quillet::writePictureAs(picture, format, sink);
    checkOtherForms(std::string_view(reinterpret_cast<const char*>(data), size), options, bits);
    const std::string& out = sink.str();
    if (format == quillet::PictureFormat::Bmp ? out.size() != quillet::bmpGeometry(picture).fileSize
                                              : out.compare(1, 3, "PNG") != 0)
        std::abort();
    return 0;
}
