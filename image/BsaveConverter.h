#pragma once
// BSAVE screen images: the file is loaded into an image of the 128 KB MSX2
// video memory, whose 212 screen lines become an uncompressed BMP picture.
//
// File: type byte 0xFE (read by the caller), start, end and execution
// address as 16-bit little-endian values, then the saved bytes from the
// start address on. The length of the file, not the end address, says how
// much data there is.

#include "common/ByteStream.h"
#include "image/Palette.h"
#include "image/ScreenMode.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace quillet {

struct BsaveHeader {
    std::uint16_t startAddress = 0;
    std::uint16_t endAddress = 0;       // read, not used
    std::uint16_t executionAddress = 0; // read, not used
    friend bool operator==(const BsaveHeader&, const BsaveHeader&) = default;
};

inline constexpr std::size_t VramImageSize = 0x20000;
using VramImage = std::array<std::uint8_t, VramImageSize>;

// Sizes of the BMP picture of one mode. Every row length is a multiple of
// four bytes, so rows need no fill.
struct BmpGeometry {
    int width;
    int height;
    int bitsPerPixel;
    std::uint32_t colourEntries; // 16, 256, or 0 for 24-bit pictures
    std::uint32_t pixelOffset;   // bfOffBits
    std::uint32_t rowBytes;
    std::uint32_t pixelBytes; // biSizeImage
    std::uint32_t fileSize;   // bfSize
};

BmpGeometry bmpGeometry(const ScreenModeLayout& layout) noexcept;

// Owns the video-memory image and the picture palette; one object serves
// every conversion, and each load starts from cleared memory.
class BsaveConverter {
public:
    BsaveConverter();

    // The whole conversion of one file in `mode`. A mode without a layout
    // throws UnsupportedScreenMode before anything is read or written; a source
    // that fails to read throws ReadFailed before anything is written.
    // Short, long and odd files are no error: missing bytes are zero and
    // bytes beyond the end of video memory are ignored.
    BsaveHeader convert(ByteSource& afterTypeByte, int mode, ByteSink& out);

    // The two halves of convert(), for callers that look at the memory in
    // between. loadVramImage presets the default palette when the mode has
    // a palette table, so a file that reaches the table shows its own.
    BsaveHeader loadVramImage(ByteSource& afterTypeByte, int mode);
    void writeBmp(int mode, ByteSink& out);

    const VramImage& vramImage() const noexcept { return *vram_; }
    // How many bytes after the header the last load put into memory; none
    // means the file was only a header (or less) and the picture is blank.
    std::size_t loadedBytes() const noexcept { return loadedBytes_; }
    // The palette of the last picture of a mode that has one.
    const ScreenPalette& screenPalette() const noexcept { return palette_; }

private:
    void writeHeaders(const ScreenModeLayout& layout, ByteSink& out);
    void makeRow(const ScreenModeLayout& layout, int line);

    // On the heap: 128 KB is too much for a stack, and sanitizers then see
    // any read past its end.
    std::unique_ptr<VramImage> vram_;
    ScreenPalette palette_{};
    std::vector<std::uint8_t> row_;
    std::size_t loadedBytes_ = 0;
};

} // namespace quillet
