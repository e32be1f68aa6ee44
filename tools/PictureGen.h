// SPDX-License-Identifier: MIT
#pragma once
// Pictures the project makes itself: the bundled samples and the inputs of
// the golden tests, written as BSAVE files by code so that every byte can
// be traced to the rule that made it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::gen {

// A whole BSAVE file: type byte, start, end (start + size - 1) and
// execution address 0, then `data`.
std::string bsaveFile(std::uint16_t startAddress, std::string_view data);

// samples/sample.sc5: a sunset over the sea in 16 colours of its own palette.
std::string sampleScreen5();
// samples/sample.s12: a YJK colour field, hue across and brightness down.
std::string sampleScreen12();

struct GoldenPicture {
    std::string name; // also the file name when written out
    int mode;
    std::string file; // the BSAVE file, type byte included
};

// One picture per mode with a layout: every byte value on its lines (every
// pattern byte and colour pair in SCREEN 1 to 4), own
// palettes with the ignored bits set, every YJK chroma pair, palette pixels
// of SCREEN 10 and 11.
std::vector<GoldenPicture> goldenPictures();

// The paint program's compressed file (image/GraphSaurus.h) of the video
// memory `vram` from address 0, followed by `tail`: a run of two or more,
// and every byte below 16, as a run (of up to 15 in the short form, longer
// in the long), other bytes as themselves. The data must fit its 16-bit size.
std::string compressedPicture(std::string_view vram, std::string_view tail = {});

// The zlib/PNG CRC-32, as the golden manifest (tools/Golden.h) lists it.
std::uint32_t crc32(std::string_view bytes);

} // namespace quillet::gen
