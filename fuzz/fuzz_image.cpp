// SPDX-License-Identifier: MIT
// Random BSAVE files (the bytes after 0xFE) through the whole conversion in
// every mode, with one converter reused as the viewer does. The last byte
// picks the mode, including SCREEN 9 and a number with no mode at all.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "image/BsaveConverter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr int modes[] = {5, 6, 7, 8, 9, 10, 11, 12, 13};
    static quillet::BsaveConverter* converter = new quillet::BsaveConverter;
    const int mode = size > 0 ? modes[data[size - 1] % std::size(modes)] : 5;

    quillet::MemorySource source(std::span(data, size));
    quillet::StringSink sink;
    const quillet::ScreenModeLayout* layout = quillet::screenModeLayout(mode);
    try {
        converter->convert(source, mode, sink);
    } catch (const quillet::QuilletError& error) {
        if (layout || error.kind() != quillet::ErrorKind::UnsupportedScreenMode || !sink.str().empty())
            std::abort();
        return 0;
    }
    if (!layout)
        std::abort(); // a mode without a layout made a picture
    // Whatever the input, the picture has the size and headers of its mode.
    const std::string& bmp = sink.str();
    const quillet::BmpGeometry geometry = quillet::bmpGeometry(*layout);
    if (bmp.size() != geometry.fileSize || bmp.compare(0, 2, "BM") != 0)
        std::abort();
    std::uint32_t storedSize;
    std::memcpy(&storedSize, bmp.data() + 2, 4); // little-endian hosts only, as everywhere here
    if (storedSize != geometry.fileSize)
        std::abort();
    // Nothing beyond the lines of a mode shows, so a file that starts past
    // them leaves a picture of zero bytes (the palette aside).
    if (size >= 2 && (data[0] | data[1] << 8) >= 212 * layout->bytesPerLine && mode == 12
        && bmp.find_first_not_of('\0', geometry.pixelOffset) != std::string::npos)
        std::abort();
    return 0;
}
