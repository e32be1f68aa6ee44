// SPDX-License-Identifier: MIT
#include "image/BsaveConverter.h"

#include "common/Errors.h"
#include "image/PatternModes.h"
#include "image/Sprites.h"
#include "image/Yjk.h"

#include <algorithm>
#include <span>
#include <string>

namespace quillet {

namespace {

const ScreenModeLayout& requireLayout(int mode)
{
    const ScreenModeLayout* layout = screenModeLayout(mode);
    if (!layout)
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));
    return *layout;
}

} // namespace

// Cleared once: value-initialising and then filling would clear it twice.
BsaveConverter::BsaveConverter() : vram_(std::make_unique_for_overwrite<VramImage>())
{
    vram_->fill(0);
}

BsaveHeader BsaveConverter::convert(ByteSource& afterTypeByte, int mode, ByteSink& out)
{
    return convert(afterTypeByte, mode, {}, PictureFormat::Bmp, out);
}

BsaveHeader BsaveConverter::convert(ByteSource& afterTypeByte, int mode, const PictureOptions& options,
                                    PictureFormat format, ByteSink& out)
{
    requireLayout(mode);
    BsaveHeader header = loadVramImage(afterTypeByte, mode);
    writePictureAs(decode(mode, options), format, out);
    return header;
}

BsaveHeader BsaveConverter::loadVramImage(ByteSource& afterTypeByte, int mode)
{
    const ScreenModeLayout& layout = requireLayout(mode);
    VramImage& vram = *vram_;
    vram.fill(0);
    if (layout.hasPalette || layout.patterned()) {
        const std::uint32_t address = layout.patterned() ? patternPaletteAddress(mode) : layout.paletteAddress;
        std::copy(DefaultPalette.begin(), DefaultPalette.end(), vram.begin() + address);
    }
    presetPatternTables(vram.data(), layout);
    loads_ = 0;
    return loadAt(afterTypeByte, 0);
}

BsaveHeader BsaveConverter::loadSecondPage(ByteSource& afterTypeByte, int mode)
{
    const ScreenModeLayout& layout = requireLayout(mode);
    return loadAt(afterTypeByte, layout.patterned() ? 0 : layout.pageBytes());
}

BsaveHeader BsaveConverter::loadAt(ByteSource& afterTypeByte, std::size_t offset)
{
    VramImage& vram = *vram_;
    loadedBytes_ = 0;
    std::uint8_t raw[6] = {};
    for (std::uint8_t& byte : raw) {
        if (!afterTypeByte.next(byte))
            break;
    }
    const BsaveHeader header = bsaveHeaderOf(raw);

    // The offset and a 16-bit start address always leave room; the loop
    // stops at the end of video memory and leaves the rest of the file unread.
    const std::size_t first = offset + header.startAddress;
    // Whole buffered runs at a time; a byte at a time only to make the
    // source refill.
    std::size_t at = first;
    while (at < vram.size()) {
        const std::span<const std::uint8_t> buffered = afterTypeByte.buffered();
        if (buffered.empty()) {
            std::uint8_t byte;
            if (!afterTypeByte.next(byte))
                break;
            vram[at++] = byte;
            continue;
        }
        const std::size_t take = std::min(buffered.size(), vram.size() - at);
        std::copy_n(buffered.data(), take, vram.begin() + static_cast<std::ptrdiff_t>(at));
        afterTypeByte.skip(take);
        at += take;
    }
    loadedBytes_ = at - first;
    if (loads_ < loaded_.size())
        loaded_[loads_++] = {first, at};
    if (afterTypeByte.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return header;
}

bool BsaveConverter::loadedPaletteTable(std::uint32_t address) const noexcept
{
    for (std::size_t i = 0; i < loads_; ++i) {
        const std::size_t first = std::max<std::size_t>(loaded_[i].first, address);
        const std::size_t end = std::min<std::size_t>(loaded_[i].end, address + PaletteTableBytes);
        for (std::size_t at = first; at < end; ++at) {
            if ((*vram_)[at] != 0)
                return true;
        }
    }
    return false;
}

ScreenPalette BsaveConverter::patternPalette(const ScreenModeLayout& layout,
                                             const PictureOptions& options) const noexcept
{
    if (options.paletteTable)
        return buildScreenPalette(*options.paletteTable);
    // A table the dump carries was saved on an MSX2 and shows as there;
    // entries the dump does not reach keep the power-on values preset.
    const std::uint32_t address = patternPaletteAddress(layout.mode);
    if (loadedPaletteTable(address))
        return buildScreenPalette(
            std::span<const std::uint8_t, PaletteTableBytes>(vram_->data() + address, PaletteTableBytes));
    return options.msx2Colours ? msx2PowerOnPalette() : tms9918Palette();
}

ScreenPalette BsaveConverter::spriteColours(const ScreenModeLayout& layout,
                                            const PictureOptions& options) const noexcept
{
    if (layout.bitsPerPixel == 8)
        return buildScreenPalette(Screen8SpritePalette);
    if (layout.hasPalette)
        return palette_;
    // SCREEN 12 draws no pixel from the palette, but its sprites take the
    // table at SCREEN 10's address, where BASIC keeps it.
    if (options.paletteTable)
        return buildScreenPalette(*options.paletteTable);
    const ScreenModeLayout& ten = *screenModeLayout(10);
    if (loadedPaletteTable(ten.paletteAddress))
        return buildScreenPalette(
            std::span<const std::uint8_t, PaletteTableBytes>(vram_->data() + ten.paletteAddress, PaletteTableBytes));
    return msx2PowerOnPalette();
}

const DecodedPicture& BsaveConverter::decode(int mode, const PictureOptions& options)
{
    const ScreenModeLayout& layout = requireLayout(mode);
    const bool interlace = options.interlace && !layout.patterned();
    DecodedPicture& picture = picture_;
    picture.width = layout.width;
    picture.height = layout.height * (interlace ? 2 : 1);
    const auto width = static_cast<std::size_t>(picture.width);
    const auto pixels = width * static_cast<std::size_t>(picture.height);

    if (layout.patterned()) {
        palette_ = patternPalette(layout, options);
    } else if (layout.hasPalette) {
        const std::uint8_t* table =
            options.paletteTable ? options.paletteTable->data() : vram_->data() + layout.paletteAddress;
        palette_ = buildScreenPalette(std::span<const std::uint8_t, PaletteTableBytes>(table, PaletteTableBytes));
    }
    // The colours of the pixels' numbers, for the modes that have them.
    std::vector<Rgb>& numberColours = numberColours_;
    numberColours.clear();
    if (layout.bitsPerPixel == 4)
        numberColours.assign(palette_.begin(), palette_.end());
    else if (layout.bitsPerPixel == 8) {
        for (unsigned i = 0; i < 256; ++i)
            numberColours.push_back(screen8Colour(static_cast<std::uint8_t>(i)));
    }
    const bool numbered = !numberColours.empty();
    const bool sprites = options.sprites.draw && spritesDrawable(layout);
    // Sprites of 16 colour numbers go among the pixels' numbers; the others
    // take colours outside the picture's (SCREEN 8's fixed sixteen), drawn
    // over its red, green and blue.
    const bool spritesAsNumbers = sprites && layout.bitsPerPixel == 4;
    const bool spritesAsRgb = sprites && !spritesAsNumbers;
    if (numbered && !spritesAsRgb)
        picture.colourTable = numberColours;
    else
        picture.colourTable.clear();
    // A target may take colour numbers as they are.
    const PixelRows numbers = rowTarget_ && picture.indexed()
                                  ? rowTarget_->numberRows(picture.width, picture.height, picture.colourTable)
                                  : PixelRows{};
    const bool numbersOut = numbers.top != nullptr;
    // The whole picture's numbers are kept where sprites draw on them or
    // where the converter's own colours come from them; otherwise each line
    // goes on to the target as it is decoded.
    const bool wholeIndices =
        picture.indexed() && (!rowTarget_ || spritesAsNumbers || (layout.patterned() && !numbersOut));
    // Every number and every colour byte is written below: nothing to clear.
    picture.indices.resize(wholeIndices ? pixels : 0);
    PixelRows rows;
    if (numbersOut) {
        picture.rgb.clear();
    } else if (rowTarget_) {
        picture.rgb.clear();
        rows = rowTarget_->rgbRows(picture.width, picture.height);
    } else {
        picture.rgb.resize(pixels * 3);
        rows = {picture.rgb.data(), static_cast<std::ptrdiff_t>(width * 3)};
    }
    const auto row = [](const PixelRows& of, int line) { return of.top + line * of.stride; };
    const auto expand = [&picture, &numberColours](const std::uint8_t* indices, std::uint8_t* out) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgb& colour = numberColours[indices[x]];
            *out++ = colour.red;
            *out++ = colour.green;
            *out++ = colour.blue;
        }
    };

    if (layout.patterned()) {
        if (wholeIndices)
            decodePatternScreen(vram_->data(), layout, picture.indices.data(), static_cast<std::ptrdiff_t>(width));
        else
            decodePatternScreen(vram_->data(), layout, numbers.top, numbers.stride);
    } else {
        for (int line = 0; line < picture.height; ++line) {
            // Interlaced: page 0 on the even lines, page 1 on the odd ones.
            const std::size_t page = interlace ? static_cast<std::size_t>(line % 2) * layout.pageBytes() : 0;
            const int screenLine = interlace ? line / 2 : line;
            std::uint8_t* indices = wholeIndices ? picture.indices.data() + static_cast<std::size_t>(line) * width
                                    : numbersOut ? row(numbers, line)
                                                 : lineIndices_.data();
            // The layout table guarantees every line of both pages lies inside video memory.
            decodeBitmapLine(layout, vram_->data() + page + static_cast<std::size_t>(screenLine) * layout.bytesPerLine,
                             indices, row(rows, line));
            if (numbered && !wholeIndices && !numbersOut)
                expand(indices, row(rows, line));
        }
    }
    if (spritesAsNumbers)
        drawSprites(vram_->data(), layout, options.sprites, picture, interlace);

    if (wholeIndices) {
        for (int line = 0; line < picture.height; ++line) {
            const std::uint8_t* indices = picture.indices.data() + static_cast<std::size_t>(line) * width;
            if (numbersOut)
                std::copy_n(indices, width, row(numbers, line));
            else
                expand(indices, row(rows, line));
        }
    }
    if (spritesAsRgb)
        drawSpritesRgb(vram_->data(), layout, options.sprites, spriteColours(layout, options), rows.top, rows.stride,
                       picture.height, interlace);
    return picture;
}

void BsaveConverter::decodeBitmapLine(const ScreenModeLayout& layout, const std::uint8_t* source, std::uint8_t* indices,
                                      std::uint8_t* rgb)
{
    switch (layout.mode) {
    case 5:
    case 7: {
        // Two pixels a byte, the left one in the high nibble.
        std::uint8_t* out = indices;
        for (int i = 0; i < layout.bytesPerLine; ++i) {
            *out++ = source[i] >> 4;
            *out++ = source[i] & 0x0F;
        }
        break;
    }
    case 6: {
        // Four 2-bit pixels a byte, the leftmost in bits 7 and 6.
        std::uint8_t* out = indices;
        for (int i = 0; i < layout.bytesPerLine; ++i) {
            for (int shift = 6; shift >= 0; shift -= 2)
                *out++ = (source[i] >> shift) & 3;
        }
        break;
    }
    case 8: std::copy_n(source, layout.bytesPerLine, indices); break;
    default: {
        const ScreenPalette* palette = layout.hasPalette ? &palette_ : nullptr;
        for (int i = 0; i < layout.bytesPerLine; i += 4, rgb += 12)
            yjkGroup(source + i, palette, rgb);
        break;
    }
    }
}

void BsaveConverter::writeBmp(int mode, ByteSink& out)
{
    quillet::writeBmp(decode(mode), out);
}

} // namespace quillet
