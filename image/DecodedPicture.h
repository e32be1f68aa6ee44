// SPDX-License-Identifier: MIT
#pragma once
// A decoded MSX picture as the writers (BMP, PNG) and the viewer take it:
// red, green, blue bytes per pixel, top line first. Modes whose pixels are
// colour numbers keep those numbers and their colour table as well, so the
// BMP of those modes stays a 4-bit or 8-bit picture.

#include "common/ByteStream.h"
#include "image/Palette.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillet {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    // Filled for colour-number modes: 16 entries (256 for SCREEN 8), one
    // number per pixel, rows top first. No numbers for YJK pictures, nor
    // for SCREEN 8 with its sprites (their colours are none of its 256), nor
    // for a bitmap picture without sprites decoded to a caller's rows.
    std::vector<Rgb> colourTable;
    std::vector<std::uint8_t> indices;
    // width * height * 3 bytes, red, green, blue; empty when the converter
    // wrote them to memory of the caller's (BsaveConverter::setRowTarget).
    std::vector<std::uint8_t> rgb;

    bool indexed() const noexcept { return !colourTable.empty(); }
    Rgb pixel(int x, int y) const noexcept
    {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

// How the sprites of a picture are shown; off unless asked for.
struct SpriteOptions {
    bool draw = false;
    // As the second argument of BASIC's SCREEN statement: 0 8x8 dots,
    // 1 8x8 magnified, 2 16x16, 3 16x16 magnified. The size lives in a
    // video register, never in the saved memory, so the caller says it.
    int size = 0;
};

struct PictureOptions {
    SpriteOptions sprites;
    // Show page 0 and page 1 of video memory as one picture of twice the
    // lines, page 0 on the even lines (the interlaced display of SCREEN 5
    // to 12). Pattern modes have one page and ignore it.
    bool interlace = false;
    // A palette table (the format of Palette.h) that replaces the one in
    // video memory, from a paint program's palette file.
    std::optional<std::array<std::uint8_t, PaletteTableBytes>> paletteTable;
    // Which palette of a palette file that holds several (0 to 7).
    int paletteIndex = 0;
    // SCREEN 1 to 4 in the colours of an MSX2's power-on palette even when
    // the dump carries no palette table, instead of an MSX1's own colours.
    bool msx2Colours = false;
};

enum class PictureFormat { Bmp, Png };

// An uncompressed BMP, bottom-up: 4-bit or 8-bit with the colour table for
// colour-number pictures with 16 or 256 colours, 24-bit otherwise.
void writeBmp(const DecodedPicture& picture, ByteSink& out);
// The smallest PNG that holds the picture's colours exactly, written by
// libpng: a palette PNG of 1, 2, 4 or 8 bits a pixel when it shows at most
// 256 colours (every colour-number mode does), else 8-bit RGB. Throws
// QuilletError(WriteFailed) when libpng fails, or the sink's error.
void writePng(const DecodedPicture& picture, ByteSink& out);
void writePictureAs(const DecodedPicture& picture, PictureFormat format, ByteSink& out);

} // namespace quillet
