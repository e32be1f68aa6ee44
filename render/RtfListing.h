// SPDX-License-Identifier: MIT
#pragma once
// The RTF listing: every byte of an ASCII listing becomes a hexadecimal
// escape in font 0 (text), 1 (graphic characters) or 2 (the mapped 0xAD),
// after a header that declares the fonts, and each CR a paragraph.

#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "render/ListingWriter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// What the builder reads of the settings. Font names are UTF-8.
struct RtfListingOptions {
    bool isAnkMode = true;
    int fontCharset = 2;
    std::int32_t fontSize = 12; // points
    std::string fontNameAnk = "MSX ROM 8dot";
    std::string fontNameAnkGraph = "MSX ROM Graph 8dot";
    std::string fontNameKanji = "ＭＳ ゴシック";
    bool isMap0xAD = true;
    std::string mapFontFrom0xAD = "MSX ROM 8dot";
    std::int32_t mapCodeFrom0xAD = 0x7F;

    static RtfListingOptions fromSettings(const Settings& settings);
};

// The code written for a mapped 0xAD: the setting, held to 0-255 so that
// it stays one byte (a hand-edited store can hold anything).
std::uint8_t mappedCodeFor0xAD(const RtfListingOptions& options);

// One escape per byte: \'HH, or \f2\'HH\f0 with the mapped code for 0xAD
// when ANK mode and the 0xAD mapping are both on.
std::string escapeRtfText(std::string_view bytes, const RtfListingOptions& options);

// One \f1\'HH\f0 per byte; no byte is special.
std::string escapeRtfGraphic(std::string_view bytes);

// The header line without its CR LF: fonts 0, 1 and 2 in ANK mode, 0 and 1
// in Kanji mode, then font 0 and the size in half-points.
std::string rtfListingHeader(const RtfListingOptions& options);

// The RTF document written as the ASCII listing arrives, in pieces of any
// size (a pair or a CR LF may be split between two), so that a listing is
// never held whole. The header goes out with the first output block.
class RtfListingSink final : public ByteSink {
public:
    RtfListingSink(ByteSink& out, const RtfListingOptions& options);
    RtfListingSink(const RtfListingSink&) = delete;
    RtfListingSink& operator=(const RtfListingSink&) = delete;

    void write(const void* data, std::size_t size) override { writer_.write(data, size); }
    using ByteSink::write;
    // Ends the body and writes the closing; the line count for the status
    // bar. Nothing may be written after it. Throws the sink's error.
    std::int64_t finish() { return writer_.finish(); }

private:
    ListingWriter<16> writer_;
};

// Writes the whole document (header, body, closing) for the listing read
// from `listing` and returns the line count for the status bar. The body
// ends where the source ends or fails. Throws the sink's error.
std::int64_t writeRtfListing(ByteSource& listing, ByteSink& out, const RtfListingOptions& options);

} // namespace quillet
