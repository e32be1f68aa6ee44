// SPDX-License-Identifier: MIT
#pragma once
// The MSX screen modes a BSAVE picture can be read in, their video-memory
// layout, and how the mode is chosen (stored setting or file name).

#include "image/BsaveHeader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

namespace quillet {

// The mode a name asks for, knowing the names pictures come under besides
// the last-character rule above (which decides last): .SC1 to .SC4 and
// .GRP (SCREEN 2), the paint programs' .SR5 .SR7 .SR8 .GE5 .GE7 (by their
// last character) and .SRS (SCREEN 12), and every interlaced page's name
// (interlacedPageOfName: .S05, .S50, .R70, ...). Extensions compare
// without case. -1 when the name says nothing.
int detectScreenModeFromPictureName(std::string_view path) noexcept;

// Whether the data plainly cannot be a picture of `mode`: a pattern mode
// lives in the 16 KB of an MSX1 screen, so data reaching past 0x4000 is
// none; a dump from 0 that holds a pattern screen's pattern and name
// tables and ends within those 16 KB (the usual SCREEN 2 to 4 saves of
// 14 or 16 KB) is no bitmap picture. Anything else (header only, a table
// alone, a short bitmap) leaves every mode open.
bool contentRulesOut(int mode, const BsaveShape& shape) noexcept;

// Whether a BSAVE file of `fileSize` bytes in all (header included) with
// `header` can be a picture dump of some mode: its data starts where a
// table or a line of a mode starts, and lies in video memory where a mode
// the content does not rule out has it. The end address is that of a
// BSAVE dump of this length (its last byte) or a paint program's (the
// size), or ends a table or a line for a file cut short or carrying less
// than a sector more; a dump past 64 KB cannot name its end.
bool fitsPictureLayout(const BsaveHeader& header, std::uint64_t fileSize) noexcept;

// The mode detection picks: the name's mode unless the content rules it
// out; else SCREEN 2 for a pattern-screen dump, `fallback` when the
// content allows it, SCREEN 5 for other bitmap dumps.
int detectScreenMode(std::string_view path, const BsaveShape& shape, int fallback) noexcept;

// selectScreenMode with the content taking part when detecting.
ModeSelection selectScreenMode(int screenMode, bool isAutoDetectScreenMode, std::string_view imageSourcePath,
                               const BsaveShape& shape) noexcept;

// Interlaced pictures saved as two files (x the mode's character, 5 to 8
// or A to C): page 0 as NAME.S0x or NAME.SCx and page 1 as NAME.S1x; or
// NAME.Sx0 and NAME.Sx1 (x not C: NAME.SC1 is SCREEN 1's); or, compressed,
// NAME.Rx0 and NAME.Rx1 (x also S for SCREEN 12, not B). A page-0 name is a
// single picture when no other page lies beside it. The page a name may
// hold, or -1; the names the other page may have, the likelier first, in
// the case of the extension's first letter, or none; the first of them;
// and the mode the name gives, or -1.
int interlacedPageOfName(std::string_view path) noexcept;
std::vector<std::string> interlacedPartnerNames(std::string_view path);
std::string interlacedPartnerName(std::string_view path);
int interlacedModeOfName(std::string_view path) noexcept;

// Paint programs keep a picture's palette beside it: NAME.PL5 for NAME.SR5
// and NAME.GE5, NAME.PL7 for .SR7 and .GE7 (a BSAVE picture carries its
// own). The names to look for, upper-case extension first; empty for other
// names.
std::vector<std::string> paletteFileNames(std::string_view picturePath);

// Bits a pixel takes in video memory (and in a COPY-saved rectangle):
// 4 in SCREEN 5 and 7, 2 in SCREEN 6, 8 in SCREEN 8 and 10 to 12; 0 for
// the pattern modes and modes without a layout.
int vramBitsPerPixel(int mode) noexcept;

// Pictures BASIC's COPY statement saved: the mode their name gives
// (.GL5 to .GL8, .GLA, .GLC, .GLS, .CP5 to .CPC: by the last character,
// S being SCREEN 12), 0 for .CPY, which says no mode, and -1 for other
// names. Extensions compare without case.
int copiedPictureModeOfName(std::string_view path) noexcept;

} // namespace quillet
