// SPDX-License-Identifier: MIT
#include "image/CopiedPicture.h"

#include "common/Errors.h"
#include "image/BsaveConverter.h"
#include "image/ScreenMode.h"
#include "image/Yjk.h"

#include <algorithm>
#include <string>

namespace quillet {

std::optional<CopiedPictureSize> copiedPictureSizeOf(std::span<const std::uint8_t> head) noexcept
{
    if (head.size() < CopiedPictureHeaderBytes)
        return std::nullopt;
    const int width = head[0] | head[1] << 8;
    const int height = head[2] | head[3] << 8;
    if (width == 0 || width > CopiedPictureMaxWidth || height == 0 || height > CopiedPictureMaxHeight)
        return std::nullopt;
    return CopiedPictureSize{width, height};
}

bool copiedPictureFits(std::span<const std::uint8_t> head, std::uint64_t size, int bits) noexcept
{
    const auto shape = copiedPictureSizeOf(head);
    if (!shape || bits <= 0)
        return false;
    const std::uint64_t pixels = static_cast<std::uint64_t>(shape->width) * static_cast<std::uint64_t>(shape->height);
    const std::uint64_t bytes = CopiedPictureHeaderBytes + (pixels * static_cast<std::uint64_t>(bits) + 7) / 8;
    return size + 1 >= bytes && size <= bytes + 1;
}

int copiedPictureMode(std::string_view name, std::span<const std::uint8_t> head, std::uint64_t size,
                      int setting) noexcept
{
    const auto fits = [&](int mode) { return copiedPictureFits(head, size, vramBitsPerPixel(mode)); };
    // A COPY name first, else what any picture name says (IMG001.SC5).
    int named = copiedPictureModeOfName(name);
    if (named < 0)
        named = detectScreenModeFromPictureName(name);
    if (named > 0 && fits(named))
        return named;
    if (fits(setting))
        return setting;
    for (const int mode : {5, 8, 6}) {
        if (fits(mode))
            return mode;
    }
    if (named > 0)
        return named;
    return vramBitsPerPixel(setting) > 0 ? setting : 5;
}

// The rectangle as a screen of its own size that was cleared before it was
// copied in at the top left: pixels the file lacks are colour 0 (in YJK, zero
// bytes), and a YJK row's last group of four, when the width leaves it
// short, takes zero bytes for its missing pixels' part of the chroma.
const DecodedPicture& BsaveConverter::decodeCopied(std::string_view file, int mode, const PictureOptions& options)
{
    const ScreenModeLayout* layout = screenModeLayout(mode);
    const int bits = vramBitsPerPixel(mode);
    if (!layout || bits == 0)
        throw QuilletError(ErrorKind::UnsupportedScreenMode,
                           "SCREEN " + std::to_string(mode) + " saves no COPY picture");
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    const auto size = copiedPictureSizeOf(bytes);
    if (!size)
        throw QuilletError(ErrorKind::DamagedPicture, "COPY picture: no width and height");
    const std::span data = bytes.subspan(CopiedPictureHeaderBytes);
    loadedBytes_ = data.size();

    DecodedPicture& picture = picture_;
    picture.width = size->width;
    picture.height = size->height;
    const auto width = static_cast<std::size_t>(picture.width);
    const auto pixels = width * static_cast<std::size_t>(picture.height);
    picture.colourTable.clear();
    picture.indices.clear();
    picture.rgb.clear();
    if (layout->hasPalette) {
        const std::uint8_t* table = options.paletteTable ? options.paletteTable->data() : DefaultPalette.data();
        palette_ = buildScreenPalette(std::span<const std::uint8_t, PaletteTableBytes>(table, PaletteTableBytes));
    }
    if (bits == 8 && layout->bitsPerPixel == 24) {
        // YJK: each row on its own, in groups of four.
        const PixelRows rows = rowTarget_ ? rowTarget_->rgbRows(picture.width, picture.height)
                                          : PixelRows{nullptr, static_cast<std::ptrdiff_t>(width * 3)};
        if (!rowTarget_)
            picture.rgb.resize(pixels * 3);
        std::uint8_t* const top = rowTarget_ ? rows.top : picture.rgb.data();
        const ScreenPalette* palette = layout->hasPalette ? &palette_ : nullptr;
        std::uint8_t group[4];
        std::uint8_t colours[12];
        for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
            std::uint8_t* out = top + static_cast<std::ptrdiff_t>(y) * rows.stride;
            for (std::size_t x = 0; x < width; x += 4) {
                for (std::size_t i = 0; i < 4; ++i) {
                    const std::size_t at = y * width + x + i;
                    group[i] = x + i < width && at < data.size() ? data[at] : 0;
                }
                yjkGroup(group, palette, colours);
                const std::size_t shown = std::min<std::size_t>(4, width - x);
                std::copy_n(colours, shown * 3, out + x * 3);
            }
        }
        return picture;
    }

    if (bits == 8) {
        for (unsigned i = 0; i < 256; ++i)
            picture.colourTable.push_back(screen8Colour(static_cast<std::uint8_t>(i)));
    } else
        picture.colourTable.assign(palette_.begin(), palette_.end());
    const PixelRows numbers =
        rowTarget_ ? rowTarget_->numberRows(picture.width, picture.height, picture.colourTable) : PixelRows{};
    if (!numbers.top)
        picture.indices.resize(pixels);
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
        std::uint8_t* out = numbers.top ? numbers.top + static_cast<std::ptrdiff_t>(y) * numbers.stride
                                        : picture.indices.data() + y * width;
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t bit = (y * width + x) * static_cast<std::size_t>(bits);
            const std::size_t at = bit / 8;
            const unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
            out[x] = at < data.size() ? static_cast<std::uint8_t>(data[at] >> shift & mask) : 0;
        }
    }
    if (numbers.top)
        return picture;
    const PixelRows rows = rowTarget_ ? rowTarget_->rgbRows(picture.width, picture.height)
                                      : PixelRows{nullptr, static_cast<std::ptrdiff_t>(width * 3)};
    if (!rowTarget_)
        picture.rgb.resize(pixels * 3);
    std::uint8_t* const top = rowTarget_ ? rows.top : picture.rgb.data();
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
        std::uint8_t* out = top + static_cast<std::ptrdiff_t>(y) * rows.stride;
        for (std::size_t x = 0; x < width; ++x) {
            const Rgb& colour = picture.colourTable[picture.indices[y * width + x]];
            *out++ = colour.red;
            *out++ = colour.green;
            *out++ = colour.blue;
        }
    }
    return picture;
}

} // namespace quillet
