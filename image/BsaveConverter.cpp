#include "image/BsaveConverter.h"

#include "common/Errors.h"
#include "image/Yjk.h"

#include <algorithm>
#include <string>

namespace quillet {

namespace {

constexpr std::uint32_t FileHeaderBytes = 14;
constexpr std::uint32_t InfoHeaderBytes = 40;

const ScreenModeLayout& requireLayout(int mode)
{
    const ScreenModeLayout* layout = screenModeLayout(mode);
    if (!layout)
        throw QuilletError(ErrorKind::UnsupportedScreenMode, "SCREEN " + std::to_string(mode));
    return *layout;
}

void put16(std::uint8_t*& at, std::uint32_t value)
{
    *at++ = static_cast<std::uint8_t>(value);
    *at++ = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t*& at, std::uint32_t value)
{
    put16(at, value & 0xFFFF);
    put16(at, value >> 16);
}

void putColour(std::uint8_t*& at, Rgb colour)
{
    *at++ = colour.blue;
    *at++ = colour.green;
    *at++ = colour.red;
    *at++ = 0;
}

// Four YJK bytes to four pixels of blue, green, red. In SCREEN 10 and 11
// (`palette` given) a byte with bit 3 set is a palette pixel instead; its
// low bits still count towards the group's J and K.
void yjkGroup(const std::uint8_t* bytes, const ScreenPalette* palette, std::uint8_t* out)
{
    const int k = yjkChromaK(bytes[0], bytes[1]);
    const int j = yjkChromaJ(bytes[2], bytes[3]);
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t v = bytes[i];
        Rgb colour;
        if (!palette)
            colour = yjkColour(v >> 3, j, k);
        else if (v & 0x08)
            colour = (*palette)[v >> 4];
        else
            colour = yjkColour((v >> 4) * 2, j, k);
        *out++ = colour.blue;
        *out++ = colour.green;
        *out++ = colour.red;
    }
}

} // namespace

BmpGeometry bmpGeometry(const ScreenModeLayout& layout) noexcept
{
    BmpGeometry g{};
    g.width = layout.width;
    g.height = layout.height;
    g.bitsPerPixel = layout.bitsPerPixel;
    g.colourEntries = layout.bitsPerPixel <= 8 ? (1u << layout.bitsPerPixel) : 0;
    g.pixelOffset = FileHeaderBytes + InfoHeaderBytes + 4 * g.colourEntries;
    g.rowBytes = static_cast<std::uint32_t>(layout.width * layout.bitsPerPixel / 8);
    g.pixelBytes = g.rowBytes * static_cast<std::uint32_t>(layout.height);
    g.fileSize = g.pixelOffset + g.pixelBytes;
    return g;
}

BsaveConverter::BsaveConverter() : vram_(std::make_unique<VramImage>())
{
    vram_->fill(0);
}

BsaveHeader BsaveConverter::convert(ByteSource& afterTypeByte, int mode, ByteSink& out)
{
    requireLayout(mode);
    BsaveHeader header = loadVramImage(afterTypeByte, mode);
    writeBmp(mode, out);
    return header;
}

BsaveHeader BsaveConverter::loadVramImage(ByteSource& afterTypeByte, int mode)
{
    const ScreenModeLayout& layout = requireLayout(mode);
    VramImage& vram = *vram_;
    vram.fill(0);
    loadedBytes_ = 0;

    std::uint8_t raw[6] = {};
    for (std::uint8_t& byte : raw) {
        if (!afterTypeByte.next(byte))
            break;
    }
    BsaveHeader header;
    header.startAddress = static_cast<std::uint16_t>(raw[0] | raw[1] << 8);
    header.endAddress = static_cast<std::uint16_t>(raw[2] | raw[3] << 8);
    header.executionAddress = static_cast<std::uint16_t>(raw[4] | raw[5] << 8);

    if (layout.hasPalette)
        std::copy(DefaultPalette.begin(), DefaultPalette.end(), vram.begin() + layout.paletteAddress);

    // A 16-bit start address always leaves room; the loop stops at the end
    // of video memory and leaves the rest of the file unread.
    std::size_t at = header.startAddress;
    std::uint8_t byte;
    while (at < vram.size() && afterTypeByte.next(byte))
        vram[at++] = byte;
    loadedBytes_ = at - header.startAddress;
    if (afterTypeByte.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return header;
}

void BsaveConverter::writeBmp(int mode, ByteSink& out)
{
    const ScreenModeLayout& layout = requireLayout(mode);
    if (layout.hasPalette) {
        palette_ = buildScreenPalette(
            std::span<const std::uint8_t, PaletteTableBytes>(vram_->data() + layout.paletteAddress, PaletteTableBytes));
    }
    writeHeaders(layout, out);
    row_.resize(bmpGeometry(layout).rowBytes);
    // Bottom-up: the last screen line is the first row of the file.
    for (int line = layout.height - 1; line >= 0; --line) {
        makeRow(layout, line);
        out.write(row_.data(), row_.size());
    }
}

void BsaveConverter::writeHeaders(const ScreenModeLayout& layout, ByteSink& out)
{
    const BmpGeometry g = bmpGeometry(layout);
    std::uint8_t headers[FileHeaderBytes + InfoHeaderBytes + 4 * 256];
    std::uint8_t* at = headers;
    *at++ = 'B';
    *at++ = 'M';
    put32(at, g.fileSize);
    put16(at, 0);
    put16(at, 0);
    put32(at, g.pixelOffset);
    put32(at, InfoHeaderBytes);
    put32(at, static_cast<std::uint32_t>(g.width));
    put32(at, static_cast<std::uint32_t>(g.height)); // positive: bottom-up rows
    put16(at, 1);
    put16(at, static_cast<std::uint32_t>(g.bitsPerPixel));
    put32(at, 0); // uncompressed
    put32(at, g.pixelBytes);
    put32(at, 0);
    put32(at, 0);
    put32(at, 0);
    put32(at, 0);
    if (g.colourEntries == 16) {
        for (const Rgb& colour : palette_)
            putColour(at, colour);
    } else if (g.colourEntries == 256) {
        for (unsigned i = 0; i < 256; ++i)
            putColour(at, screen8Colour(static_cast<std::uint8_t>(i)));
    }
    out.write(headers, static_cast<std::size_t>(at - headers));
}

void BsaveConverter::makeRow(const ScreenModeLayout& layout, int line)
{
    // The layout table guarantees every line lies inside video memory.
    const std::uint8_t* source = vram_->data() + static_cast<std::size_t>(line) * layout.bytesPerLine;
    std::uint8_t* out = row_.data();
    switch (layout.mode) {
    case 5:
    case 7:
    case 8: std::copy_n(source, layout.bytesPerLine, out); break;
    case 6:
        // Four 2-bit pixels per byte become two bytes of two 4-bit pixels.
        for (int i = 0; i < layout.bytesPerLine; ++i) {
            const std::uint8_t v = source[i];
            *out++ = static_cast<std::uint8_t>(((v >> 6) & 3) << 4 | ((v >> 4) & 3));
            *out++ = static_cast<std::uint8_t>(((v >> 2) & 3) << 4 | (v & 3));
        }
        break;
    default: {
        const ScreenPalette* palette = layout.hasPalette ? &palette_ : nullptr;
        for (int i = 0; i < layout.bytesPerLine; i += 4, out += 12)
            yjkGroup(source + i, palette, out);
        break;
    }
    }
}

} // namespace quillet
