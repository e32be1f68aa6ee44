// SPDX-License-Identifier: MIT
#include "image/Sprites.h"

#include <algorithm>

namespace quillet {

namespace {

constexpr int ScreenDots = 256;
constexpr int NoSprite = -1;

struct LineSprite {
    int number;
    int patternRow; // 0 to 15, the row of the pattern on this line
};

} // namespace

bool spritesDrawable(const ScreenModeLayout& layout) noexcept
{
    return layout.spriteMode != 0;
}

bool spriteLine(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options, int y,
                SpriteLine& colours) noexcept
{
    colours.fill(0);
    if (!spritesDrawable(layout))
        return false;
    const bool mode1 = layout.spriteMode == 1;
    const int dots = (options.size & 2) ? 16 : 8;
    const int magnify = (options.size & 1) ? 2 : 1;
    const int extent = dots * magnify;
    const int end = mode1 ? SpriteEndMode1 : SpriteEndMode2;
    const int perLine = mode1 ? 4 : 8;
    const std::uint8_t* attributes = vram + layout.spriteAttributes;
    const std::uint8_t* lineColours = vram + layout.spriteAttributes - 512; // mode 2 only
    const std::uint8_t* patterns = vram + layout.spritePatterns;

    // The sprites on this line, in order of priority, up to the limit.
    LineSprite onLine[8];
    int count = 0;
    for (int n = 0; n < 32; ++n) {
        const int spriteY = attributes[4 * n];
        if (spriteY == end)
            break;
        // A sprite starts on the line below its Y; near 255 it starts above the top.
        const int row = (y - spriteY - 1) & 0xFF;
        if (row >= extent)
            continue;
        if (count == perLine)
            break;
        onLine[count++] = {n, row / magnify};
    }
    if (count == 0)
        return false;

    std::array<int, ScreenDots> colour;
    std::array<int, ScreenDots> group; // the CC-clear sprite a dot belongs to
    colour.fill(NoSprite);
    group.fill(NoSprite);
    int lastPlain = NoSprite; // nearest sprite above with CC clear
    for (int i = 0; i < count; ++i) {
        const LineSprite& sprite = onLine[i];
        const std::uint8_t* attribute = attributes + 4 * sprite.number;
        const int colourByte = mode1 ? attribute[3] : lineColours[16 * sprite.number + sprite.patternRow];
        const bool earlyClock = (colourByte & 0x80) != 0;
        const bool combined = !mode1 && (colourByte & 0x40) != 0;
        const int spriteColour = colourByte & 0x0F;
        if (combined && lastPlain == NoSprite)
            continue; // a CC sprite shows only beside a plain one above it
        if (!combined)
            lastPlain = sprite.number;
        const int owner = lastPlain;
        const int pattern = dots == 16 ? attribute[2] & 0xFC : attribute[2];
        const std::uint8_t* rows = patterns + 8 * pattern + sprite.patternRow;
        const int bits = dots == 16 ? rows[0] << 8 | rows[16] : rows[0] << 8;
        const int left = attribute[1] - (earlyClock ? 32 : 0);
        for (int dot = 0; dot < dots; ++dot) {
            if (!(bits & (0x8000 >> dot)))
                continue;
            for (int m = 0; m < magnify; ++m) {
                const int x = left + dot * magnify + m;
                if (x < 0 || x >= ScreenDots)
                    continue;
                const auto at = static_cast<std::size_t>(x);
                if (colour[at] == NoSprite) {
                    if (spriteColour != 0) {
                        colour[at] = spriteColour;
                        group[at] = owner;
                    }
                } else if (combined && group[at] == owner) {
                    colour[at] |= spriteColour;
                }
            }
        }
    }
    bool shown = false;
    for (std::size_t x = 0; x < colour.size(); ++x) {
        if (colour[x] > 0) {
            colours[x] = static_cast<std::uint8_t>(colour[x]);
            shown = true;
        }
    }
    return shown;
}

void drawSprites(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options,
                 DecodedPicture& picture, bool interlaced)
{
    const int dotWidth = picture.width / ScreenDots; // 2 in SCREEN 6 and 7
    const int linesPerScreenLine = interlaced ? 2 : 1;
    SpriteLine colours;
    for (int y = 0; y < picture.height; ++y) {
        if (!spriteLine(vram, layout, options, y / linesPerScreenLine, colours))
            continue;
        std::uint8_t* line = picture.indices.data() + static_cast<std::size_t>(y) * picture.width;
        for (int x = 0; x < ScreenDots; ++x) {
            const std::uint8_t c = colours[static_cast<std::size_t>(x)];
            if (c == 0)
                continue; // transparent
            if (dotWidth == 1) {
                line[x] = c;
            } else if (layout.mode == 6) {
                // Four colours a dot: the high two bits on the left, the low two on the right.
                line[2 * x] = static_cast<std::uint8_t>(c >> 2);
                line[2 * x + 1] = static_cast<std::uint8_t>(c & 3);
            } else {
                line[2 * x] = line[2 * x + 1] = c;
            }
        }
    }
}

void drawSpritesRgb(const std::uint8_t* vram, const ScreenModeLayout& layout, const SpriteOptions& options,
                    const ScreenPalette& colours, std::uint8_t* top, std::ptrdiff_t stride, int lines, bool interlaced)
{
    const int linesPerScreenLine = interlaced ? 2 : 1;
    SpriteLine numbers;
    for (int y = 0; y < lines; ++y) {
        if (!spriteLine(vram, layout, options, y / linesPerScreenLine, numbers))
            continue;
        std::uint8_t* out = top + y * stride;
        for (std::size_t x = 0; x < numbers.size(); ++x, out += 3) {
            if (numbers[x] == 0)
                continue;
            const Rgb& colour = colours[numbers[x]];
            out[0] = colour.red;
            out[1] = colour.green;
            out[2] = colour.blue;
        }
    }
}

} // namespace quillet
