// SPDX-License-Identifier: MIT
#pragma once
// The RTF listing: every byte of an ASCII listing becomes a hexadecimal
// escape in font 0 (text), 1 (graphic characters) or 2 (the mapped 0xAD),
// after a header that declares the fonts, and each CR a paragraph.

#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "decoder/Roles.h"
#include "render/ListingWriter.h"
#include "render/RoleColours.h"

#include <cstdint>
#include <optional>
#include <span>
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
    // The colour of each role, for a listing written with its roles
    // (RtfListingSink::writeLine): the header gains a colour table, colour
    // N + 1 being role N's, and each run of a role is in its colour.
    // Without it nothing of the document changes.
    std::optional<RoleColourSet> roleColours;
    // With roleColours, the paper behind the text (the MSX screen's blue);
    // without, the reader's own.
    std::optional<std::uint32_t> paperColour;

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
// in Kanji mode, the colour table with role colours, then font 0 and the
// size in half-points (and the paper's colour).
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
    // One line of the listing without its line end, which this adds: the
    // same escapes as its bytes and CR LF written above, each run of a role
    // in the role's colour when the options have role colours.
    void writeLine(std::string_view text, std::span<const RoleSpan> roles);
    // Ends the body and writes the closing; the line count for the status
    // bar. Nothing may be written after it. Throws the sink's error.
    std::int64_t finish() { return writer_.finish(); }

private:
    ListingWriter<16> writer_;
    bool coloured_;
    int colour_ = -1; // the \cf in force; none yet
};

// Writes the whole document (header, body, closing) for the listing read
// from `listing` and returns the line count for the status bar. The body
// ends where the source ends or fails. Throws the sink's error.
std::int64_t writeRtfListing(ByteSource& listing, ByteSink& out, const RtfListingOptions& options);

} // namespace quillet
