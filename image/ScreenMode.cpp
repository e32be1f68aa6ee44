// SPDX-License-Identifier: MIT
#include "image/ScreenMode.h"

#include <array>

namespace quillet {

namespace {

constexpr std::uint32_t VramBytes = 0x20000;

// Indexed by mode - 1; SCREEN 9 is the row with width 0.
constexpr std::array<ScreenModeLayout, 12> Layouts{{
    {1, 256, 192, 0, false, 0, 16, 4, 0x1800, 0x0000, 0x2000, 1, 0x1B00, 0x3800},
    {2, 256, 192, 0, false, 0, 16, 4, 0x1800, 0x0000, 0x2000, 1, 0x1B00, 0x3800},
    {3, 256, 192, 0, false, 0, 16, 4, 0x0800, 0x0000, 0, 1, 0x1B00, 0x3800},
    {4, 256, 192, 0, true, 0x1B80, 16, 4, 0x1800, 0x0000, 0x2000, 2, 0x1E00, 0x3800},
    {5, 256, 212, 128, true, 0x7680, 16, 4, 0, 0, 0, 2, 0x7600, 0x7800},
    {6, 512, 212, 128, true, 0x7680, 16, 4, 0, 0, 0, 2, 0x7600, 0x7800},
    {7, 512, 212, 256, true, 0xFA80, 16, 4, 0, 0, 0, 2, 0xFA00, 0xF000},
    {8, 256, 212, 256, false, 0, 256, 8, 0, 0, 0, 2, 0xFA00, 0xF000},
    {9, 0, 0, 0, false, 0, 0, 0},
    {10, 256, 212, 256, true, 0xFA80, 16, 24, 0, 0, 0, 2, 0xFA00, 0xF000},
    {11, 256, 212, 256, true, 0xFA80, 16, 24, 0, 0, 0, 2, 0xFA00, 0xF000},
    {12, 256, 212, 256, false, 0, 0, 24, 0, 0, 0, 2, 0xFA00, 0xF000},
}};

// The converter reads lines and palettes without further bounds checks on
// the strength of this.
constexpr bool layoutsStayInsideVram()
{
    for (const auto& layout : Layouts) {
        if (static_cast<std::uint32_t>(layout.height) * static_cast<std::uint32_t>(layout.bytesPerLine) > VramBytes)
            return false;
        if (layout.hasPalette && layout.paletteAddress + 32 > VramBytes)
            return false;
        // Two pages of lines for an interlaced picture.
        if (!layout.patterned() && layout.width > 0
            && layout.pageBytes() + static_cast<std::uint32_t>(layout.height * layout.bytesPerLine) > VramBytes)
            return false;
        // Pattern modes live in the first 16 KB, sprite tables in the first 64 KB.
        if (layout.patterned() && (layout.nameTable + 768 > 0x4000 || layout.patternTable + 0x1800 > 0x4000))
            return false;
        if (layout.spriteMode
            && (layout.spriteAttributes + 128 > 0x10000 || layout.spritePatterns + 2048 > 0x10000
                || layout.spriteAttributes < 512))
            return false;
    }
    return true;
}
static_assert(layoutsStayInsideVram());

} // namespace

const ScreenModeLayout* screenModeLayout(int mode) noexcept
{
    if (mode < 1 || mode > 12 || mode == 9)
        return nullptr;
    return &Layouts[static_cast<std::size_t>(mode - 1)];
}

int detectScreenModeFromName(std::string_view path) noexcept
{
    // Bytes stand in for characters: the last byte of a multi-byte UTF-8
    // character is never one of the ASCII characters compared here.
    if (path.empty())
        return -1;
    switch (path.back()) {
    case '5': return 5;
    case '6': return 6;
    case '7': return 7;
    case '8': return 8;
    case '9': return 9;
    case 'A': return 10;
    case 'B': return 11;
    case 'C': return 12;
    default: break;
    }
    if (path.ends_with("10"))
        return 10;
    if (path.ends_with("11"))
        return 11;
    if (path.ends_with("12"))
        return 12;
    return -1;
}

ModeSelection selectScreenMode(int screenMode, bool isAutoDetectScreenMode, std::string_view imageSourcePath) noexcept
{
    if (!isAutoDetectScreenMode)
        return {screenMode, false};
    const int detected = detectScreenModeFromName(imageSourcePath);
    return {detected >= 0 ? detected : screenMode, true};
}

} // namespace quillet

namespace quillet {

namespace {

constexpr std::uint64_t PatternScreenBytes = 0x4000;
// Pattern generator (0x1800) and name table (768) of SCREEN 2 and 4.
constexpr std::uint64_t PatternAndNameBytes = 0x1B00;
// Every table and line of every mode starts on a multiple of this, and
// ends on a multiple of the second (a palette is 32 bytes).
constexpr std::uint32_t TableStartAlignment = 128;
constexpr std::uint32_t TableEndAlignment = 32;
// A file copied by whole sectors carries less than one more.
constexpr std::uint64_t SectorBytes = 512;
// What a 16-bit end address can name.
constexpr std::uint64_t AddressSpace = 0x10000;

constexpr bool tablesStartAligned()
{
    const auto aligned = [](std::uint32_t address) { return address % TableStartAlignment == 0; };
    for (const auto& layout : Layouts) {
        if (!aligned(static_cast<std::uint32_t>(layout.bytesPerLine)) || !aligned(layout.nameTable)
            || !aligned(layout.patternTable) || !aligned(layout.colourTable) || !aligned(layout.paletteAddress)
            || !aligned(layout.spriteAttributes) || !aligned(layout.spritePatterns)
            || (layout.spriteMode == 2 && !aligned(layout.spriteAttributes - 512)))
            return false;
    }
    return true;
}
static_assert(tablesStartAligned());

char upper(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The extension after the last dot of the last path step, upper case.
std::string extensionOf(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        c = upper(c);
    return extension;
}

bool isInterlaceModeChar(char c) noexcept
{
    return (c >= '5' && c <= '8') || (c >= 'A' && c <= 'C');
}

} // namespace

int detectScreenModeFromPictureName(std::string_view path) noexcept
{
    const std::string extension = extensionOf(path);
    if (extension.size() == 3 && extension.starts_with("SC") && extension[2] >= '1' && extension[2] <= '4')
        return extension[2] - '0';
    if (extension == "GRP")
        return 2;
    if (extension == "SRS")
        return 12;
    // NAME.SCx is left to the last-character rule, which tells case.
    if (const int mode = interlacedModeOfName(path); mode >= 0 && !extension.starts_with("SC"))
        return mode;
    if (extension.size() == 3 && (extension.starts_with("SR") || extension.starts_with("GE")) && extension[2] >= '5'
        && extension[2] <= '8')
        return extension[2] - '0';
    return detectScreenModeFromName(path);
}

bool contentRulesOut(int mode, const BsaveShape& shape) noexcept
{
    if (shape.dataBytes == 0)
        return false;
    const std::uint64_t end = shape.startAddress + shape.dataBytes; // one past the last byte
    const bool pastPatternScreen = end > PatternScreenBytes + 1;    // BSAVE's end address 0x4000 is common
    const bool patternDump = shape.startAddress == 0 && shape.dataBytes >= PatternAndNameBytes && !pastPatternScreen;
    return mode <= 4 ? pastPatternScreen : patternDump;
}

bool fitsPictureLayout(const BsaveHeader& header, std::uint64_t fileSize) noexcept
{
    const std::uint64_t start = header.startAddress;
    if (header.endAddress < header.startAddress || start % TableStartAlignment != 0)
        return false;
    const BsaveShape shape{header.startAddress, fileSize > BsaveHeaderBytes ? fileSize - BsaveHeaderBytes : 0};
    const std::uint64_t named = header.endAddress - start + 1;
    const bool exact = shape.dataBytes == named || shape.dataBytes + 1 == named;
    if (!exact) {
        if ((header.endAddress + 1u) % TableEndAlignment != 0)
            return false;
        if (shape.dataBytes > named + SectorBytes && start + shape.dataBytes <= AddressSpace)
            return false;
    }
    if (start + shape.dataBytes > VramBytes)
        return false;
    for (int mode = 1; mode <= 12; ++mode) {
        if (screenModeLayout(mode) && !contentRulesOut(mode, shape))
            return true;
    }
    return false;
}

int detectScreenMode(std::string_view path, const BsaveShape& shape, int fallback) noexcept
{
    const int named = detectScreenModeFromPictureName(path);
    if (named >= 0 && !contentRulesOut(named, shape))
        return named;
    if (contentRulesOut(5, shape))
        return 2;
    if (!contentRulesOut(fallback, shape))
        return fallback;
    return 5;
}

ModeSelection selectScreenMode(int screenMode, bool isAutoDetectScreenMode, std::string_view imageSourcePath,
                               const BsaveShape& shape) noexcept
{
    if (!isAutoDetectScreenMode)
        return {screenMode, false};
    return {detectScreenMode(imageSourcePath, shape, screenMode), true};
}

namespace {

// Where an interlaced page's name keeps its page and mode characters.
struct PageName {
    int page = -1;
    char mode = 0;          // '5' to '8', 'A' to 'C', 'S' (SCREEN 12)
    std::size_t pageAt = 0; // of the page character, from the extension's start
};

PageName pageNameOf(const std::string& extension) noexcept
{
    if (extension.size() != 3)
        return {};
    const char a = extension[0];
    const char b = extension[1];
    const char c = extension[2];
    // NAME.S05 + NAME.S15; NAME.SC5 + NAME.S15.
    if (a == 'S' && (b == '0' || b == '1' || b == 'C') && isInterlaceModeChar(c))
        return {b == '1' ? 1 : 0, c, 1};
    // NAME.S50 + NAME.S51; not for SCREEN 12, whose .SC1 is SCREEN 1's.
    if (a == 'S' && isInterlaceModeChar(b) && b != 'C' && (c == '0' || c == '1'))
        return {c - '0', b, 2};
    // The compressed pages: NAME.R50 + NAME.R51.
    if (a == 'R' && (isInterlaceModeChar(b) || b == 'S') && b != 'B' && (c == '0' || c == '1'))
        return {c - '0', b, 2};
    return {};
}

} // namespace

int interlacedPageOfName(std::string_view path) noexcept
{
    return pageNameOf(extensionOf(path)).page;
}

std::vector<std::string> interlacedPartnerNames(std::string_view path)
{
    const PageName name = pageNameOf(extensionOf(path));
    if (name.page < 0)
        return {};
    const std::size_t at = path.size() - 3 + name.pageAt;
    // The other page's character in the case of the one before it.
    const bool lower = path[path.size() - 3] >= 'a';
    std::vector<std::string> partners;
    const auto with = [&](char page) {
        std::string partner(path);
        partner[at] = page;
        partners.push_back(std::move(partner));
    };
    if (name.pageAt == 2)
        with(name.page == 0 ? '1' : '0');
    else if (name.page == 0)
        with('1');
    else {
        with('0');
        with(lower ? 'c' : 'C');
    }
    return partners;
}

std::string interlacedPartnerName(std::string_view path)
{
    std::vector<std::string> partners = interlacedPartnerNames(path);
    return partners.empty() ? std::string() : std::move(partners.front());
}

int interlacedModeOfName(std::string_view path) noexcept
{
    const PageName name = pageNameOf(extensionOf(path));
    if (name.page < 0)
        return -1;
    if (name.mode == 'S')
        return 12;
    return name.mode <= '9' ? name.mode - '0' : name.mode - 'A' + 10;
}

std::vector<std::string> paletteFileNames(std::string_view picturePath)
{
    const std::string extension = extensionOf(picturePath);
    if (extension.size() != 3)
        return {};
    const char mode = extension[2];
    const std::string_view kind = std::string_view(extension).substr(0, 2);
    const std::string stem(picturePath.substr(0, picturePath.size() - 3));
    // A compressed interlaced page, NAME.R50, has its palette in NAME.PL5.
    if (extension[0] == 'R' && (extension[1] == '5' || extension[1] == '7') && interlacedPageOfName(picturePath) >= 0)
        return {stem + "PL" + extension[1], stem + "pl" + extension[1]};
    if ((mode != '5' && mode != '7') || (kind != "SR" && kind != "GE"))
        return {};
    return {stem + "PL" + mode, stem + "pl" + mode};
}

int vramBitsPerPixel(int mode) noexcept
{
    const ScreenModeLayout* layout = screenModeLayout(mode);
    if (!layout || layout->patterned())
        return 0;
    return layout->bytesPerLine * 8 / layout->width;
}

int copiedPictureModeOfName(std::string_view path) noexcept
{
    const std::string extension = extensionOf(path);
    if (extension == "CPY")
        return 0;
    if (extension.size() != 3 || (!extension.starts_with("GL") && !extension.starts_with("CP")))
        return -1;
    const char mode = extension[2];
    if (mode == 'S' && extension[1] == 'L')
        return 12;
    if (mode >= '5' && mode <= '8')
        return mode - '0';
    if (mode >= 'A' && mode <= 'C')
        return mode - 'A' + 10;
    return -1;
}

} // namespace quillet
