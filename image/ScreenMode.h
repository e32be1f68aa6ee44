#pragma once
// The MSX screen modes a BSAVE picture can be read in, their video-memory
// layout, and how the mode is chosen (stored setting or file name).

#include <cstdint>
#include <string_view>

namespace quillet {

// One row per mode. Bitmap modes (5 to 12) store line y at
// y * bytesPerLine from video address 0; pattern modes (1 to 4) build their
// 256 x 192 dots from a name table, a pattern generator table and a colour
// table at the addresses BASIC's SCREEN statement gives them.
struct ScreenModeLayout {
    int mode;
    int width;        // picture pixels per line: 256 or 512
    int height;       // lines: 212, or 192 for the pattern modes
    int bytesPerLine; // in the video-memory image; 0 for the pattern modes
    bool hasPalette;  // a palette table lives at paletteAddress
    std::uint32_t paletteAddress;
    int paletteEntries; // 16, or 256 for the fixed colours of SCREEN 8
    int bitsPerPixel;   // of the BMP picture: 4, 8 or 24
    // Pattern modes only.
    std::uint32_t nameTable = 0;
    std::uint32_t patternTable = 0;
    std::uint32_t colourTable = 0; // none in SCREEN 3
    // Sprites: mode 1 (one colour per sprite), mode 2 (a colour per line
    // from the table 512 bytes below the attributes), or 0 for none.
    int spriteMode = 0;
    std::uint32_t spriteAttributes = 0;
    std::uint32_t spritePatterns = 0;

    constexpr bool patterned() const noexcept { return mode <= 4; }
    // Where page 1 starts in video memory: one page of the mode further.
    constexpr std::uint32_t pageBytes() const noexcept { return bytesPerLine <= 128 ? 0x8000 : 0x10000; }
};

// The layout of `mode`, or nullptr for SCREEN 9 and any number outside
// 1 to 12: those modes have no picture.
const ScreenModeLayout* screenModeLayout(int mode) noexcept;

// The mode a file name asks for, read from its last one or two characters
// (the whole path counts, not only an extension): "5" to "9" give 5 to 9,
// "A", "B", "C" give 10, 11, 12, and failing those "10", "11", "12" give
// 10, 11, 12. Case matters. -1 when the name says nothing.
int detectScreenModeFromName(std::string_view path) noexcept;

struct ModeSelection {
    int mode;      // the mode to convert in; becomes the stored setting
    bool indicate; // the caller must show (and store) the mode
};

// The first step of every picture conversion. With detection off the stored
// mode is used as it is; with it on the name decides when it says anything,
// and the mode is indicated either way.
ModeSelection selectScreenMode(int screenMode, bool isAutoDetectScreenMode, std::string_view imageSourcePath) noexcept;

} // namespace quillet
