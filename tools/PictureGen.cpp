// SPDX-License-Identifier: MIT
#include "tools/PictureGen.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace quillet::gen {

namespace {

constexpr std::size_t Screen5LineBytes = 128;
constexpr std::size_t Screen5PaletteAddress = 0x7680;
constexpr std::size_t HighPaletteAddress = 0xFA80; // SCREEN 7, 10, 11
constexpr int Lines = 212;

struct Level {
    int red, green, blue; // 0 to 7
};

// Palette table bytes: 0RRR0BBB, 00000GGG.
void putPalette(std::string& vram, std::size_t address, const std::array<Level, 16>& levels)
{
    for (std::size_t n = 0; n < levels.size(); ++n) {
        vram[address + 2 * n] = static_cast<char>(levels[n].red << 4 | levels[n].blue);
        vram[address + 2 * n + 1] = static_cast<char>(levels[n].green);
    }
}

// A palette with levels that differ per entry and, on some entries, the
// bits the hardware ignores set (bits 7 and 3 of the first byte, the top
// five of the second).
void putNoisyPalette(std::string& vram, std::size_t address, int seed)
{
    for (int n = 0; n < 16; ++n) {
        const int red = (n + seed) & 7;
        const int green = (n * 3 + seed) & 7;
        const int blue = (7 - n + 2 * seed) & 7;
        int b0 = red << 4 | blue;
        int b1 = green;
        if (n & 1)
            b0 |= 0x88;
        if (n % 3 == 0)
            b1 |= 0xF8;
        vram[address + 2 * static_cast<std::size_t>(n)] = static_cast<char>(b0);
        vram[address + 2 * static_cast<std::size_t>(n) + 1] = static_cast<char>(b1);
    }
}

// Bytes between the picture lines and the palette are never shown; fill
// them so that a file that shows them by mistake looks wrong.
void fillUnseen(std::string& vram, std::size_t from, std::size_t to)
{
    for (std::size_t a = from; a < to; ++a)
        vram[a] = static_cast<char>(a * 7 + 3);
}

// Four pixels of 5-bit red, green, blue as one YJK group: each pixel keeps
// its own luminance, the chroma is the group's rounded mean.
void encodeYjkGroup(const std::array<std::array<int, 3>, 4>& rgb, char* out)
{
    int y[4];
    int jSum = 0, kSum = 0;
    for (int i = 0; i < 4; ++i) {
        const auto [r, g, b] = rgb[static_cast<std::size_t>(i)];
        y[i] = std::clamp((4 * b + 2 * r + g + 4) / 8, 0, 31);
        jSum += r - y[i];
        kSum += g - y[i];
    }
    auto mean = [](int sum) { return std::clamp(sum >= 0 ? (sum + 2) / 4 : -((-sum + 2) / 4), -32, 31); };
    const int j = mean(jSum) & 63;
    const int k = mean(kSum) & 63;
    const int low[4] = {k & 7, k >> 3, j & 7, j >> 3};
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(y[i] << 3 | low[i]);
}

// Hue 0..1535 around the colour circle to 8-bit red, green, blue.
std::array<int, 3> hueColour(int hue)
{
    const int f = hue % 256;
    switch (hue / 256) {
    case 0: return {255, f, 0};
    case 1: return {255 - f, 255, 0};
    case 2: return {0, 255, f};
    case 3: return {0, 255 - f, 255};
    case 4: return {f, 0, 255};
    default: return {255, 0, 255 - f};
    }
}

// 4 x 4 ordered dither threshold, 0 to 15.
int bayer(int x, int y)
{
    static constexpr int matrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return matrix[y & 3][x & 3];
}

// Triangle wave of period `period`, 0 up to period / 2 and back.
int triangle(int x, int period)
{
    const int m = ((x % period) + period) % period;
    return m < period / 2 ? m : period - m;
}

} // namespace

std::string bsaveFile(std::uint16_t startAddress, std::string_view data)
{
    if (data.empty() || startAddress + data.size() > 0x10000)
        throw std::invalid_argument("BSAVE data must fit the 16-bit address range");
    const std::size_t end = startAddress + data.size() - 1;
    std::string file;
    file += '\xFE';
    file += static_cast<char>(startAddress & 0xFF);
    file += static_cast<char>(startAddress >> 8);
    file += static_cast<char>(end & 0xFF);
    file += static_cast<char>(end >> 8);
    file += '\0';
    file += '\0';
    file += data;
    return file;
}

std::string sampleScreen5()
{
    // Night sky to sunset glow, sun, mountains, sea with the sun's path.
    static constexpr std::array<Level, 16> levels{{
        {0, 0, 0},
        {1, 0, 2},
        {2, 0, 3},
        {4, 1, 3},
        {6, 2, 2},
        {7, 4, 1},
        {7, 6, 2},
        {7, 7, 5},
        {0, 1, 3},
        {1, 2, 4},
        {2, 3, 5},
        {7, 5, 2},
        {1, 0, 1},
        {2, 1, 2},
        {5, 5, 6},
        {7, 7, 7},
    }};
    constexpr int horizon = 132;
    constexpr int sunX = 128, sunY = 118, sunRadius = 30;
    std::string vram(Screen5PaletteAddress + 32, '\0');
    auto setPixel = [&](int x, int y, int colour) {
        auto& byte = vram[static_cast<std::size_t>(y) * Screen5LineBytes + static_cast<std::size_t>(x / 2)];
        const int shift = (x & 1) ? 0 : 4;
        byte = static_cast<char>((static_cast<unsigned char>(byte) & ~(0xF << shift)) | colour << shift);
    };
    std::uint32_t random = 12345;
    auto nextRandom = [&] {
        random = random * 1103515245u + 12345u;
        return static_cast<int>((random >> 16) & 0x7FFF);
    };

    for (int y = 0; y < Lines; ++y) {
        for (int x = 0; x < 256; ++x) {
            int colour;
            if (y < horizon) {
                // Sky: colours 1 to 6 from top to horizon, dithered between bands.
                const int scaled = y * 5 * 16 / horizon; // 0 .. 79
                colour = 1 + scaled / 16 + (scaled % 16 > bayer(x, y) ? 1 : 0);
                const int dx = x - sunX, dy = y - sunY;
                const bool inSun = dx * dx + dy * dy <= sunRadius * sunRadius;
                const bool cut = dy > 4 && (dy / 3) % 2 == 1; // the sun's bars near the horizon
                if (inSun && !cut)
                    colour = dx * dx + dy * dy <= (sunRadius - 6) * (sunRadius - 6) ? 7 : 6;
                // Two ranges of mountains in front of the sky.
                const int far = horizon - 18 - triangle(x * 3 + 40, 190) / 4 - triangle(x, 46) / 3;
                const int near = horizon - 6 - triangle(x + 100, 150) / 3 - triangle(x * 5, 34) / 6;
                if (y >= near && (x < 80 || x > 180))
                    colour = 12;
                else if (y >= far && (x < 96 || x > 164))
                    colour = 13;
            } else {
                // Sea: darker with depth, the sun's path in broken stripes.
                const int depth = y - horizon;
                const int scaled = depth * 2 * 16 / (Lines - horizon);
                colour = 10 - scaled / 16 - (scaled % 16 > bayer(x, y) ? 1 : 0);
                const int halfWidth = 6 + depth / 2;
                const int wave = triangle(x + depth * 5, 12);
                if (x > sunX - halfWidth && x < sunX + halfWidth && (depth / 2 + wave) % 4 < 2)
                    colour = depth < 20 ? 6 : 11;
            }
            setPixel(x, y, colour);
        }
    }
    // Stars in the dark top of the sky.
    for (int i = 0; i < 60; ++i) {
        const int x = nextRandom() % 256;
        const int y = nextRandom() % 40;
        setPixel(x, y, i % 4 == 0 ? 15 : 14);
    }
    fillUnseen(vram, static_cast<std::size_t>(Lines) * Screen5LineBytes, Screen5PaletteAddress);
    putPalette(vram, Screen5PaletteAddress, levels);
    return bsaveFile(0, vram);
}

std::string sampleScreen12()
{
    std::string vram(static_cast<std::size_t>(Lines) * 256, '\0');
    for (int y = 0; y < Lines; ++y) {
        for (int group = 0; group < 64; ++group) {
            std::array<std::array<int, 3>, 4> rgb;
            for (int i = 0; i < 4; ++i) {
                const int x = group * 4 + i;
                std::array<int, 3> colour;
                if (y < 192) {
                    // White at the top, full colour in the middle, dark below.
                    colour = hueColour(x * 6);
                    const int saturation = y < 96 ? y * 255 / 95 : 255;
                    const int value = y < 96 ? 255 : 255 - (y - 96) * 230 / 95;
                    for (int& c : colour)
                        c = ((255 - saturation) * 255 + saturation * c) / 255 * value / 255;
                } else {
                    colour = {x, x, x}; // a grey ramp
                }
                for (std::size_t c = 0; c < 3; ++c)
                    rgb[static_cast<std::size_t>(i)][c] = colour[c] >> 3;
            }
            encodeYjkGroup(rgb, &vram[static_cast<std::size_t>(y) * 256 + static_cast<std::size_t>(group) * 4]);
        }
    }
    return bsaveFile(0, vram);
}

std::vector<GoldenPicture> goldenPictures()
{
    std::vector<GoldenPicture> pictures;

    // SCREEN 5 and 6: 128 bytes a line; across the lines every byte value
    // shows in every position. Own palettes with ignored bits set.
    for (const int mode : {5, 6}) {
        std::string vram(Screen5PaletteAddress + 32, '\0');
        for (int y = 0; y < Lines; ++y)
            for (int x = 0; x < 128; ++x)
                vram[static_cast<std::size_t>(y * 128 + x)] = static_cast<char>(mode == 5 ? x + 37 * y : 3 * x + 5 * y);
        fillUnseen(vram, static_cast<std::size_t>(Lines) * 128, Screen5PaletteAddress);
        putNoisyPalette(vram, Screen5PaletteAddress, mode);
        pictures.push_back({"golden" + std::to_string(mode) + ".sc" + std::to_string(mode), mode, bsaveFile(0, vram)});
    }

    // SCREEN 7: 256 bytes a line, palette high in memory.
    {
        std::string vram(HighPaletteAddress + 32, '\0');
        for (int y = 0; y < Lines; ++y)
            for (int x = 0; x < 256; ++x)
                vram[static_cast<std::size_t>(y * 256 + x)] = static_cast<char>(x ^ (3 * y));
        fillUnseen(vram, static_cast<std::size_t>(Lines) * 256, HighPaletteAddress);
        putNoisyPalette(vram, HighPaletteAddress, 7);
        pictures.push_back({"golden7.sc7", 7, bsaveFile(0, vram)});
    }

    // SCREEN 8: a diagonal gradient through all 256 fixed colours.
    {
        std::string vram(static_cast<std::size_t>(Lines) * 256, '\0');
        for (int y = 0; y < Lines; ++y)
            for (int x = 0; x < 256; ++x)
                vram[static_cast<std::size_t>(y * 256 + x)] = static_cast<char>(x + y);
        pictures.push_back({"golden8.sc8", 8, bsaveFile(0, vram)});
    }

    // SCREEN 1 to 4: every pattern byte value and colour pair appears; the
    // names run backwards so that a decoder which ignores them shows it.
    // SCREEN 4 carries a palette of its own at 0x1B80.
    for (const int mode : {1, 2, 3, 4}) {
        std::string vram(0x4000, '\0');
        for (std::size_t a = 0; a < 0x1800; ++a)
            vram[a] = static_cast<char>(a * 5 + a / 256);
        for (std::size_t cell = 0; cell < 768; ++cell) {
            const std::size_t name = mode == 3 ? (cell / 128) * 32 + 31 - cell % 32 : 255 - cell % 256;
            vram[(mode == 3 ? 0x0800 : 0x1800) + cell] = static_cast<char>(name);
        }
        if (mode != 3) {
            for (std::size_t a = 0; a < (mode == 1 ? 32u : 0x1800u); ++a)
                vram[0x2000 + a] = static_cast<char>(a * 7 + 0x1F);
        }
        if (mode == 4)
            putNoisyPalette(vram, 0x1B80, 4);
        const std::size_t size = mode == 3 ? 0x0B00 : mode == 1 ? 0x2020 : 0x3800;
        pictures.push_back({"golden" + std::to_string(mode) + ".sc" + std::to_string(mode), mode,
                            bsaveFile(0, std::string_view(vram).substr(0, size))});
    }

    // SCREEN 10, 11, 12: group g has chroma pair g mod 4096, so all 4096
    // pairs appear; luminance varies per pixel. In 10 and 11 every fifth
    // pixel is a palette pixel.
    for (const int mode : {10, 11, 12}) {
        const bool palettePixels = mode != 12;
        std::string vram(palettePixels ? HighPaletteAddress + 32 : static_cast<std::size_t>(Lines) * 256, '\0');
        for (int g = 0; g < Lines * 64; ++g) {
            const int pair = g % 4096;
            const int k = pair & 63;
            const int j = pair >> 6;
            const int low[4] = {k & 7, k >> 3, j & 7, j >> 3};
            for (int i = 0; i < 4; ++i) {
                const int n = g * 4 + i;
                int byte;
                if (palettePixels)
                    byte = ((n + g / 64) % 16) << 4 | ((n % 5 == 0) ? 0x08 : 0) | low[i];
                else
                    byte = ((n + g / 64) % 32) << 3 | low[i];
                vram[static_cast<std::size_t>(n)] = static_cast<char>(byte);
            }
        }
        if (palettePixels) {
            fillUnseen(vram, static_cast<std::size_t>(Lines) * 256, HighPaletteAddress);
            putNoisyPalette(vram, HighPaletteAddress, mode);
        }
        const char* suffix = mode == 10 ? ".sca" : mode == 11 ? ".scb" : ".scc";
        pictures.push_back({"golden" + std::to_string(mode) + suffix, mode, bsaveFile(0, vram)});
    }
    return pictures;
}

std::string compressedPicture(std::string_view vram, std::string_view tail)
{
    std::string data;
    for (std::size_t i = 0; i < vram.size();) {
        std::size_t run = 1;
        while (i + run < vram.size() && vram[i + run] == vram[i] && run < 256)
            ++run;
        if (run == 1 && static_cast<std::uint8_t>(vram[i]) >= 16)
            data += vram[i];
        else if (run <= 15)
            data += {static_cast<char>(run), vram[i]};
        else
            data += {'\0', static_cast<char>(run & 0xFF), vram[i]};
        i += run;
    }
    if (data.size() > 0xFFFF)
        throw std::invalid_argument("compressed data must fit its 16-bit size");
    const auto size = data.size();
    return std::string{'\xFD', '\0', '\0', static_cast<char>(size & 0xFF), static_cast<char>(size >> 8), '\xFF', '\xFF'}
           + data + std::string(tail);
}

std::uint32_t crc32(std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes)
        crc = table[(crc ^ static_cast<std::uint8_t>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace quillet::gen
