// SPDX-License-Identifier: MIT
#include "render/RtfListing.h"

#include "render/CodePage.h"
#include "render/RoleRuns.h"
#include "render/RtfEscape.h"

#include <algorithm>
#include <array>

namespace quillet {

namespace {

constexpr std::uint8_t GraphicPrefix = 0x01;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t SmallYu = 0xAD;

constexpr std::string_view HeaderStart =
    "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0\\fnil\\fcharset";
constexpr std::string_view LineEnd = "\\par\r\n";
constexpr std::string_view Closing = "\\par}\r\n";

// \fN\'HH\f0: one byte in another font of the listing.
void appendFontEscape(std::string& out, char font, std::uint8_t byte)
{
    const char escape[10] = {'\\', 'f', font, '\\', '\'', upperHexDigit(byte >> 4u), upperHexDigit(byte),
                             '\\', 'f', '0'};
    out.append(escape, 10);
}

bool mapsSmallYu(const RtfListingOptions& options)
{
    return options.isAnkMode && options.isMap0xAD;
}

void appendText(std::string& out, std::uint8_t byte, const RtfListingOptions& options)
{
    if (byte == SmallYu && mapsSmallYu(options))
        appendFontEscape(out, '2', mappedCodeFor0xAD(options));
    else
        appendRtfHexEscape(out, byte);
}

void appendFontEntry(std::string& out, int charset, const std::string& name)
{
    out += std::to_string(charset);
    out += ' ';
    out += rtfFontNameCp932(name);
}

void appendColourEntry(std::string& out, std::uint32_t rgb)
{
    out += "\\red" + std::to_string(rgb >> 16 & 0xFF) + "\\green" + std::to_string(rgb >> 8 & 0xFF) + "\\blue"
           + std::to_string(rgb & 0xFF) + ';';
}

// Colour 0 is the reader's default, the roles follow in their order, then
// the paper.
constexpr std::size_t PaperColourIndex = RoleCount + 1;
constexpr std::array<std::string_view, RoleCount> ColourWords = {
    "\\cf1", "\\cf2", "\\cf3", "\\cf4", "\\cf5", "\\cf6", "\\cf7", "\\cf8", "\\cf9", "\\cf10",
};

} // namespace

RtfListingOptions RtfListingOptions::fromSettings(const Settings& settings)
{
    RtfListingOptions options;
    options.isAnkMode = settings.isAnkMode;
    options.fontCharset = settings.fontCharset;
    options.fontSize = settings.fontSize;
    options.fontNameAnk = settings.fontNameAnk;
    options.fontNameAnkGraph = settings.fontNameAnkGraph;
    options.fontNameKanji = settings.fontNameKanji;
    options.isMap0xAD = settings.isMap0xAD;
    options.mapFontFrom0xAD = settings.mapFontFrom0xAD;
    options.mapCodeFrom0xAD = settings.mapCodeFrom0xAD;
    return options;
}

std::uint8_t mappedCodeFor0xAD(const RtfListingOptions& options)
{
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(options.mapCodeFrom0xAD, 0, 255));
}

std::string escapeRtfText(std::string_view bytes, const RtfListingOptions& options)
{
    std::string out;
    out.reserve(bytes.size() * 4);
    for (const char byte : bytes)
        appendText(out, static_cast<std::uint8_t>(byte), options);
    return out;
}

std::string escapeRtfGraphic(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 10);
    for (const char byte : bytes)
        appendFontEscape(out, '1', static_cast<std::uint8_t>(byte));
    return out;
}

std::string rtfListingHeader(const RtfListingOptions& options)
{
    std::string header(HeaderStart);
    appendFontEntry(header, options.fontCharset, options.isAnkMode ? options.fontNameAnk : options.fontNameKanji);
    header += ";}{\\f1\\fnil\\fcharset";
    appendFontEntry(header, options.fontCharset, options.fontNameAnkGraph);
    if (options.isAnkMode) {
        header += ";}{\\f2\\fnil\\fcharset";
        appendFontEntry(header, options.fontCharset, options.mapFontFrom0xAD);
    }
    header += ";}}";
    if (options.roleColours) {
        header += "{\\colortbl;";
        for (const std::uint32_t colour : *options.roleColours)
            appendColourEntry(header, colour);
        if (options.paperColour)
            appendColourEntry(header, *options.paperColour);
        header += '}';
    }
    header += "\\f0\\fs";
    header += std::to_string(2 * static_cast<std::int64_t>(options.fontSize));
    // Paragraph shading, which every paragraph after keeps.
    if (options.roleColours && options.paperColour)
        header += "\\cbpat" + std::to_string(PaperColourIndex);
    return header;
}

namespace {

// The longest escape, \f1\'HH\f0, takes 10 of an entry's 14 bytes.
using Writer = ListingWriter<16>;

// Each byte's escape is worked out once, by the same rules as
// escapeRtfText and escapeRtfGraphic.
Writer::Format rtfFormat(const RtfListingOptions& options)
{
    using Entry = Writer::Entry;
    Writer::Format format;
    Writer::Format::Lead prefix{GraphicPrefix};
    Writer::Format::Lead carriageReturn{CarriageReturn};
    for (unsigned code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        std::string text, graphic;
        appendText(text, byte, options);
        if (options.isAnkMode)
            appendFontEscape(graphic, '1', byte);
        else
            appendText(graphic, byte, options); // never maps 0xAD in Kanji mode
        format.bytes[code] = Entry::of(text);
        prefix.pairs[code] = Entry::of(graphic);
        // A line ends at CR LF. A CR or LF on its own is a byte of a string
        // or comment, shown as its glyph, so that it neither splits a line
        // nor joins two.
        carriageReturn.pairs[code] =
            byte == LineFeed ? Entry::of(LineEnd, ListingRole::LineEnd) : Entry::of({}, ListingRole::Unpaired);
    }
    // A graphic prefix with no code after it shows nothing; a CR that ends
    // the listing ends its line.
    prefix.atEnd = Entry::of({});
    carriageReturn.atEnd = Entry::of(LineEnd, ListingRole::LineEnd);
    format.leads = {prefix, carriageReturn};
    format.prologue = rtfListingHeader(options) + "\r\n";
    format.epilogue = Closing;
    return format;
}

} // namespace

RtfListingSink::RtfListingSink(ByteSink& out, const RtfListingOptions& options)
    : writer_(out, rtfFormat(options)), coloured_(options.roleColours.has_value())
{}

void RtfListingSink::writeLine(std::string_view text, std::span<const RoleSpan> roles)
{
    if (coloured_) {
        // The prefix pairs with any byte in the RTF listing.
        forEachRoleRun(
            text, roles, [](std::uint8_t) { return true; },
            [&](std::size_t begin, std::size_t end, Role role) {
                const int colour = static_cast<int>(role) + 1;
                if (colour != colour_) {
                    writer_.writeText(ColourWords[static_cast<std::size_t>(role)]);
                    colour_ = colour;
                }
                writer_.write(text.data() + begin, end - begin);
            });
    } else {
        writer_.write(text.data(), text.size());
    }
    writer_.write("\r\n", 2);
}

std::int64_t writeRtfListing(ByteSource& listing, ByteSink& out, const RtfListingOptions& options)
{
    RtfListingSink sink(out, options);
    for (auto chunk = listing.nextChunk(); !chunk.empty(); chunk = listing.nextChunk())
        sink.write(chunk.data(), chunk.size());
    return sink.finish();
}

} // namespace quillet
