// SPDX-License-Identifier: MIT
#include "common/Errors.h"
#include "common/LittleEndian.h"
#include "common/Modules.h"
#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"
#include "image/PngCalls.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <exception>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillet {

namespace {

constexpr std::uint32_t FileHeaderBytes = 14;
constexpr std::uint32_t InfoHeaderBytes = 40;

int bmpBitsPerPixel(const DecodedPicture& picture)
{
    if (picture.colourTable.size() == 16)
        return 4;
    if (picture.colourTable.size() == 256)
        return 8;
    return 24;
}

BmpGeometry geometryFor(int width, int height, int bitsPerPixel)
{
    BmpGeometry g{};
    g.width = width;
    g.height = height;
    g.bitsPerPixel = bitsPerPixel;
    g.colourEntries = bitsPerPixel <= 8 ? (1u << bitsPerPixel) : 0;
    g.pixelOffset = FileHeaderBytes + InfoHeaderBytes + 4 * g.colourEntries;
    g.rowBytes = (static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bitsPerPixel) + 31) / 32 * 4;
    g.pixelBytes = g.rowBytes * static_cast<std::uint32_t>(height);
    g.fileSize = g.pixelOffset + g.pixelBytes;
    return g;
}

const QuilletPngCalls& pngCalls()
{
    // Kept once loaded: the write callback asks for it at every block. A
    // failed load leaves it unset, to fail again at the next PNG.
    static const QuilletPngCalls& calls =
        moduleTable<QuilletPngCalls>(QUILLET_PNG_MODULE_NAME, QUILLET_PNG_ENTRY_POINT, QUILLET_PNG_CALLS_VERSION);
    return calls;
}

// libpng reports failures by long jump; the sink's own exception must not
// cross libpng's frames, so it is kept and thrown again afterwards.
struct PngWrite {
    const QuilletPngCalls* lib;
    ByteSink* sink;
    std::exception_ptr error;
};

void pngWrite(png_structp png, png_bytep data, png_size_t size)
{
    auto* state = static_cast<PngWrite*>(pngCalls().get_io_ptr(png));
    try {
        state->sink->write(data, size);
        return;
    } catch (...) {
        state->error = std::current_exception();
    }
    // Jumped from outside the handler: a jump out of it would leave the
    // caught exception never released.
    state->lib->error(png, "write failed");
}

void pngFlush(png_structp)
{}

// A picture's colours as a PNG palette, with each pixel's entry: colour
// numbers that show the same colour share an entry, and entries keep the
// order of the numbers (for pictures with numbers) or of first sight.
struct PngPalette {
    std::vector<Rgb> colours;
    std::vector<std::uint8_t> entries; // one per pixel, rows top first
    int bitDepth() const noexcept
    {
        return colours.size() <= 2 ? 1 : colours.size() <= 4 ? 2 : colours.size() <= 16 ? 4 : 8;
    }
};

std::uint8_t entryOf(std::vector<Rgb>& colours, const Rgb& colour)
{
    const auto found = std::find(colours.begin(), colours.end(), colour);
    const auto entry = static_cast<std::uint8_t>(found - colours.begin());
    if (found == colours.end())
        colours.push_back(colour);
    return entry;
}

// Empty colours when the picture shows more than a palette holds.
PngPalette pngPaletteOf(const DecodedPicture& picture)
{
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    PngPalette palette;
    palette.entries.resize(pixels);
    if (picture.indexed() && picture.colourTable.size() <= 256 && picture.indices.size() == pixels) {
        std::array<bool, 256> used{};
        for (const std::uint8_t index : picture.indices)
            used[index] = true;
        std::array<std::uint8_t, 256> entry{};
        for (std::size_t n = 0; n < picture.colourTable.size(); ++n) {
            if (used[n])
                entry[n] = entryOf(palette.colours, picture.colourTable[n]);
        }
        for (std::size_t i = 0; i < pixels; ++i)
            palette.entries[i] = entry[picture.indices[i]];
        return palette;
    }
    // YJK pictures: most show thousands of colours, and the count stops at
    // the 257th.
    std::unordered_map<std::uint32_t, std::uint8_t> entries;
    entries.reserve(512);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* rgb = picture.rgb.data() + i * 3;
        const std::uint32_t key =
            static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 | rgb[2];
        const auto [at, isNew] = entries.try_emplace(key, static_cast<std::uint8_t>(palette.colours.size()));
        if (isNew) {
            if (palette.colours.size() == 256)
                return {};
            palette.colours.push_back({rgb[0], rgb[1], rgb[2]});
        }
        palette.entries[i] = at->second;
    }
    return palette;
}

// One row of palette entries packed at `depth` bits, leftmost pixel in the
// high bits.
void packRow(const std::uint8_t* entries, std::size_t width, int depth, std::uint8_t* out)
{
    if (depth == 8) {
        std::copy_n(entries, width, out);
        return;
    }
    const std::size_t perByte = 8 / static_cast<std::size_t>(depth);
    for (std::size_t x = 0; x < width; x += perByte) {
        unsigned byte = 0;
        for (std::size_t i = 0; i < perByte; ++i)
            byte = byte << depth | (x + i < width ? entries[x + i] : 0u);
        *out++ = static_cast<std::uint8_t>(byte);
    }
}

void pngWarning(png_structp, png_const_charp)
{}

} // namespace

BmpGeometry bmpGeometry(const ScreenModeLayout& layout) noexcept
{
    return geometryFor(layout.width, layout.height, layout.bitsPerPixel);
}

BmpGeometry bmpGeometry(const DecodedPicture& picture) noexcept
{
    return geometryFor(picture.width, picture.height, bmpBitsPerPixel(picture));
}

void writeBmp(const DecodedPicture& picture, ByteSink& out)
{
    const BmpGeometry g = bmpGeometry(picture);
    std::string headers;
    headers.reserve(g.pixelOffset);
    headers += "BM";
    appendLe32(headers, g.fileSize);
    appendLe32(headers, 0);
    appendLe32(headers, g.pixelOffset);
    appendLe32(headers, InfoHeaderBytes);
    appendLe32(headers, static_cast<std::uint32_t>(g.width));
    appendLe32(headers, static_cast<std::uint32_t>(g.height)); // positive: bottom-up rows
    appendLe16(headers, 1);
    appendLe16(headers, static_cast<std::uint32_t>(g.bitsPerPixel));
    appendLe32(headers, 0); // uncompressed
    appendLe32(headers, g.pixelBytes);
    for (int i = 0; i < 4; ++i)
        appendLe32(headers, 0);
    if (g.colourEntries) {
        for (const Rgb& colour : picture.colourTable) {
            headers += static_cast<char>(colour.blue);
            headers += static_cast<char>(colour.green);
            headers += static_cast<char>(colour.red);
            headers += '\0';
        }
    }
    out.write(headers);

    std::vector<std::uint8_t> row(g.rowBytes);
    const auto width = static_cast<std::size_t>(picture.width);
    for (int line = picture.height - 1; line >= 0; --line) {
        const std::size_t first = static_cast<std::size_t>(line) * width;
        switch (g.bitsPerPixel) {
        case 4:
            // Left pixel in the high nibble.
            for (std::size_t x = 0; x < width; x += 2) {
                const std::uint8_t right = x + 1 < width ? picture.indices[first + x + 1] : 0;
                row[x / 2] = static_cast<std::uint8_t>(picture.indices[first + x] << 4 | (right & 0x0F));
            }
            break;
        case 8: std::copy_n(picture.indices.begin() + static_cast<std::ptrdiff_t>(first), width, row.begin()); break;
        default:
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t* rgb = picture.rgb.data() + (first + x) * 3;
                row[x * 3] = rgb[2];
                row[x * 3 + 1] = rgb[1];
                row[x * 3 + 2] = rgb[0];
            }
            break;
        }
        out.write(row.data(), row.size());
    }
}

void writePng(const DecodedPicture& picture, ByteSink& out)
{
    // Made before the long jump's target: nothing with a destructor may be
    // made after it.
    const PngPalette palette = pngPaletteOf(picture);
    const bool paletted = !palette.colours.empty();
    const int depth = paletted ? palette.bitDepth() : 8;
    const auto width = static_cast<std::size_t>(picture.width);
    std::vector<std::uint8_t> row(paletted ? (width * static_cast<std::size_t>(depth) + 7) / 8 : 0);
    std::vector<png_color> colours;
    for (const Rgb& colour : palette.colours)
        colours.push_back({colour.red, colour.green, colour.blue});

    const QuilletPngCalls& lib = pngCalls();
    PngWrite state{&lib, &out, nullptr};
    png_structp png = lib.create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, pngWarning);
    if (!png)
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    png_infop info = lib.create_info_struct(png);
    if (!info) {
        lib.destroy_write_struct(&png, nullptr);
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    }
    if (setjmp(*lib.set_longjmp_fn(png, longjmp, sizeof(jmp_buf)))) {
        lib.destroy_write_struct(&png, &info);
        if (state.error)
            std::rethrow_exception(state.error);
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    }
    lib.set_write_fn(png, &state, pngWrite, pngFlush);
    lib.set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), depth,
                 paletted ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletted)
        lib.set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    lib.write_info(png, info);
    for (int line = 0; line < picture.height; ++line) {
        const std::size_t first = static_cast<std::size_t>(line) * width;
        if (paletted) {
            packRow(palette.entries.data() + first, width, depth, row.data());
            lib.write_row(png, row.data());
        } else
            lib.write_row(png, picture.rgb.data() + first * 3);
    }
    lib.write_end(png, info);
    lib.destroy_write_struct(&png, &info);
}

void writePictureAs(const DecodedPicture& picture, PictureFormat format, ByteSink& out)
{
    if (format == PictureFormat::Png)
        writePng(picture, out);
    else
        writeBmp(picture, out);
}

} // namespace quillet
