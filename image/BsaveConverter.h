// SPDX-License-Identifier: MIT
#pragma once
// BSAVE screen images: the file is loaded into an image of the 128 KB MSX2
// video memory, whose screen becomes a picture (image/DecodedPicture.h) written as
// BMP or PNG.
//
// File: type byte 0xFE (read by the caller), start, end and execution
// address as 16-bit little-endian values, then the saved bytes from the
// start address on. The length of the file, not the end address, says how
// much data there is.

#include "common/ByteStream.h"
#include "image/BsaveHeader.h"
#include "image/DecodedPicture.h"
#include "image/Palette.h"
#include "image/ScreenMode.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr std::size_t VramImageSize = 0x20000;
using VramImage = std::array<std::uint8_t, VramImageSize>;

// Sizes of the BMP picture of one mode or picture. Rows are padded to a
// multiple of four bytes (every mode's rows already are).
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
BmpGeometry bmpGeometry(const DecodedPicture& picture) noexcept;

// Rows of pixels in memory the caller owns, top row first.
struct PixelRows {
    std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0; // bytes from the start of one row to the next
};

// Memory for a decode's pixels, asked for once the picture's size is known:
// a caller that shows the picture in its own image (a QImage) has it decoded
// there, with no buffer of the converter's in between. The calls throw when
// they cannot have the memory; every pixel of each row is written.
class PixelRowTarget {
public:
    virtual ~PixelRowTarget() = default;
    // Red, green, blue: three bytes a pixel.
    virtual PixelRows rgbRows(int width, int height) = 0;
    // A picture of colour numbers may have them as they are, one byte a
    // pixel, indexing `colourTable`; rows without memory (top null), as
    // here, ask for red, green, blue instead.
    virtual PixelRows numberRows(int width, int height, std::span<const Rgb> colourTable)
    {
        static_cast<void>(width);
        static_cast<void>(height);
        static_cast<void>(colourTable);
        return {};
    }
};

// Owns the video-memory image and the decoded picture; one object serves
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
    BsaveHeader convert(ByteSource& afterTypeByte, int mode, const PictureOptions& options, PictureFormat format,
                        ByteSink& out);

    // The steps of convert(), for callers that look at the memory in
    // between. loadVramImage presets what BASIC's SCREEN statement leaves in
    // memory where the mode reads it (the default palette, the pattern
    // modes' name tables), so a file that reaches a table shows its own.
    BsaveHeader loadVramImage(ByteSource& afterTypeByte, int mode);
    // Loads the second file of an interlaced pair into page 1 of the mode
    // (from 0x8000 for SCREEN 5 and 6, 0x10000 for the others), where
    // decode() with `interlace` reads its lines; page 0 keeps the first.
    BsaveHeader loadSecondPage(ByteSource& afterTypeByte, int mode);
    const DecodedPicture& decode(int mode, const PictureOptions& options = {});
    // A rectangle BASIC's COPY statement saved (`file` whole,
    // image/CopiedPicture.h), at its own size in `mode`'s colours; no
    // video memory takes part. Throws QuilletError: UnsupportedScreenMode
    // for a mode without a COPY depth, DamagedPicture for no width and height.
    const DecodedPicture& decodeCopied(std::string_view file, int mode, const PictureOptions& options = {});
    // While a target is set, decode() writes the pixels to its rows and
    // leaves picture().rgb empty (the writers need it: they take no target),
    // and picture().indices too when the target takes the colour numbers.
    // Null goes back to picture().rgb. The target must outlive the decodes.
    void setRowTarget(PixelRowTarget* target) noexcept { rowTarget_ = target; }
    void writeBmp(int mode, ByteSink& out);

    const VramImage& vramImage() const noexcept { return *vram_; }
    // How many bytes after the header the last load put into memory; none
    // means the file was only a header (or less) and the picture is blank.
    std::size_t loadedBytes() const noexcept { return loadedBytes_; }
    // The palette of the last picture of a mode that has one.
    const ScreenPalette& screenPalette() const noexcept { return palette_; }
    const DecodedPicture& picture() const noexcept { return picture_; }

private:
    BsaveHeader loadAt(ByteSource& afterTypeByte, std::size_t offset);
    // One line of a bitmap mode: colour numbers to `indices` for the modes
    // that have them, else red, green, blue to `rgb`.
    void decodeBitmapLine(const ScreenModeLayout& layout, const std::uint8_t* source, std::uint8_t* indices,
                          std::uint8_t* rgb);
    // Whether the files loaded since loadVramImage put a palette table at
    // `address` that is not all zero (an MSX1 leaves zeros there).
    bool loadedPaletteTable(std::uint32_t address) const noexcept;
    // The colours of a pattern mode: a palette table given or in the dump,
    // else the MSX1 chip's colours (or with msx2Colours the power-on palette).
    ScreenPalette patternPalette(const ScreenModeLayout& layout, const PictureOptions& options) const noexcept;
    // The colours sprites take in the bitmap modes whose pixels have none of
    // their own numbers (SCREEN 8, 10 to 12).
    ScreenPalette spriteColours(const ScreenModeLayout& layout, const PictureOptions& options) const noexcept;

    // On the heap: 128 KB is too much for a stack, and sanitizers then see
    // any read past its end.
    std::unique_ptr<VramImage> vram_;
    ScreenPalette palette_{};
    DecodedPicture picture_;
    PixelRowTarget* rowTarget_ = nullptr;
    // One line's colour numbers, when they go straight on to a target.
    std::array<std::uint8_t, 512> lineIndices_{};
    // The colours of the pixels' numbers in the last decode.
    std::vector<Rgb> numberColours_;
    std::size_t loadedBytes_ = 0;
    // Where in video memory the files of the picture went: page 0, page 1.
    struct LoadedRange {
        std::size_t first = 0;
        std::size_t end = 0;
    };
    std::array<LoadedRange, 2> loaded_{};
    std::size_t loads_ = 0;
};

} // namespace quillet
