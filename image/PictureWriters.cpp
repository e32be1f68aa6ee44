// SPDX-License-Identifier: MIT
#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/DecodedPicture.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <exception>
#include <string>

namespace quillet {

namespace {

constexpr std::uint32_t FileHeaderBytes = 14;
constexpr std::uint32_t InfoHeaderBytes = 40;

void put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

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

// libpng reports failures by long jump; the sink's own exception must not
// cross libpng's frames, so it is kept and thrown again afterwards.
struct PngWrite {
    ByteSink* sink;
    std::exception_ptr error;
};

void pngWrite(png_structp png, png_bytep data, png_size_t size)
{
    auto* state = static_cast<PngWrite*>(png_get_io_ptr(png));
    try {
        state->sink->write(data, size);
    } catch (...) {
        state->error = std::current_exception();
        png_error(png, "write failed");
    }
}

void pngFlush(png_structp)
{}

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
    put32(headers, g.fileSize);
    put32(headers, 0);
    put32(headers, g.pixelOffset);
    put32(headers, InfoHeaderBytes);
    put32(headers, static_cast<std::uint32_t>(g.width));
    put32(headers, static_cast<std::uint32_t>(g.height)); // positive: bottom-up rows
    put16(headers, 1);
    put16(headers, static_cast<std::uint32_t>(g.bitsPerPixel));
    put32(headers, 0); // uncompressed
    put32(headers, g.pixelBytes);
    for (int i = 0; i < 4; ++i)
        put32(headers, 0);
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
    PngWrite state{&out, nullptr};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, pngWarning);
    if (!png)
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    }
    // Nothing with a destructor lives between here and the long jump's target.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (state.error)
            std::rethrow_exception(state.error);
        throw QuilletError(ErrorKind::WriteFailed, "PNG");
    }
    png_set_write_fn(png, &state, pngWrite, pngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    for (int line = 0; line < picture.height; ++line)
        png_write_row(png, picture.rgb.data() + static_cast<std::size_t>(line) * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
}

void writePictureAs(const DecodedPicture& picture, PictureFormat format, ByteSink& out)
{
    if (format == PictureFormat::Png)
        writePng(picture, out);
    else
        writeBmp(picture, out);
}

} // namespace quillet
