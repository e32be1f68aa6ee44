#include "image/ScreenMode.h"

#include <array>

namespace quillet {

namespace {

constexpr std::uint32_t VramBytes = 0x20000;

// Indexed by mode - 5; SCREEN 9 is the row with width 0.
constexpr std::array<ScreenModeLayout, 8> Layouts{{
    {5, 256, 212, 128, true, 0x7680, 16, 4},
    {6, 512, 212, 128, true, 0x7680, 16, 4},
    {7, 512, 212, 256, true, 0xFA80, 16, 4},
    {8, 256, 212, 256, false, 0, 256, 8},
    {9, 0, 0, 0, false, 0, 0, 0},
    {10, 256, 212, 256, true, 0xFA80, 16, 24},
    {11, 256, 212, 256, true, 0xFA80, 16, 24},
    {12, 256, 212, 256, false, 0, 0, 24},
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
    }
    return true;
}
static_assert(layoutsStayInsideVram());

} // namespace

const ScreenModeLayout* screenModeLayout(int mode) noexcept
{
    if (mode < 5 || mode > 12 || mode == 9)
        return nullptr;
    return &Layouts[static_cast<std::size_t>(mode - 5)];
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
