#pragma once
// The MSX2 screen modes a BSAVE picture can be read in, their video-memory
// layout, and how the mode is chosen (stored setting or file name).

#include <cstdint>
#include <string_view>

namespace quillet {

// One row per mode. Lines are stored from video address 0 on, line y at
// y * bytesPerLine.
struct ScreenModeLayout {
    int mode;
    int width;        // picture pixels per line: 256 or 512
    int height;       // lines: always 212
    int bytesPerLine; // in the video-memory image
    bool hasPalette;  // a palette table lives at paletteAddress
    std::uint32_t paletteAddress;
    int paletteEntries; // 16, or 256 for the fixed colours of SCREEN 8
    int bitsPerPixel;   // of the picture: 4, 8 or 24
};

// The layout of `mode`, or nullptr for SCREEN 9 and any number outside
// 5 to 12: those modes have no picture.
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
