// SPDX-License-Identifier: MIT
#include "render/HtmlListing.h"

#include "common/HexDigits.h"
#include "common/Utf8.h"
#include "render/RoleRuns.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillet {

namespace {

// Output goes out in blocks of about this size; the text of a line is
// written in pieces, each with room for all its glyphs.
constexpr std::size_t BlockSize = 256 * 1024;
constexpr std::size_t PieceBytes = 4096;

// A character as the page has it: at most four bytes of UTF-8, or an
// entity for the characters HTML gives a meaning.
struct Glyph {
    char text[7];
    std::uint8_t size;
};

Glyph glyphOf(char32_t c)
{
    std::string text;
    switch (c) {
    case U'&': text = "&amp;"; break;
    case U'<': text = "&lt;"; break;
    case U'>': text = "&gt;"; break;
    default: appendUtf8(text, c);
    }
    Glyph glyph{};
    text.copy(glyph.text, sizeof glyph.text);
    glyph.size = static_cast<std::uint8_t>(text.size());
    return glyph;
}

bool isGraphicCode(std::uint8_t code)
{
    return code >= msx::FirstGraphicCode && code < msx::FirstGraphicCode + 0x20;
}

// The class of each role's span; Text has none.
constexpr std::array<std::string_view, RoleCount> RoleClasses = {
    "", "ln", "kw", "lr", "nu", "st", "cm", "da", "va", "op",
};

void appendColour(std::string& out, std::uint32_t rgb)
{
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4)
        out += upperHexDigit(rgb >> shift);
}

unsigned brightness(std::uint32_t rgb)
{
    const unsigned r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return (r * 299 + g * 587 + b * 114) / 1000;
}

void appendEscaped(std::string& out, std::string_view text)
{
    for (const char32_t c : decodeUtf8(text)) {
        switch (c) {
        case U'&': out += "&amp;"; break;
        case U'<': out += "&lt;"; break;
        case U'>': out += "&gt;"; break;
        case U'"': out += "&quot;"; break;
        default: appendUtf8(out, c);
        }
    }
}

std::string pageHead(const HtmlListingOptions& options)
{
    const bool light = brightness(options.background) >= 128;
    std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    appendEscaped(head, options.title);
    head += "</title>\n<style>\n";
    if (!options.fontBase64.empty()) {
        head += "@font-face{font-family:\"Quillet MSX\";src:url(data:font/ttf;base64,";
        head += options.fontBase64;
        head += ") format(\"truetype\")}\n";
    }
    head += "html{background:";
    appendColour(head, options.background);
    head += ";color:";
    appendColour(head, options.colours[static_cast<std::size_t>(Role::Text)]);
    // The font's em is the MSX's 8-pixel cell and its lines touch, so a
    // size of whole pixels per dot keeps the glyphs sharp and the box
    // drawing joined from line to line.
    head += "}\nbody{margin:0}\npre{margin:8px;font:16px/1 \"Quillet MSX\",monospace;white-space:pre-wrap;"
            "overflow-wrap:anywhere}\n";
    for (std::size_t role = 1; role < RoleCount; ++role) {
        head += '.';
        head += RoleClasses[role];
        head += "{color:";
        appendColour(head, options.colours[role]);
        head += "}\n";
    }
    head += "a.lr{text-decoration:underline}\n"
            ".lr.mi{text-decoration:underline wavy ";
    appendColour(head, light ? 0xD00000 : 0xFF6060);
    head += "}\n:target{background:";
    head += light ? "#FFF59D" : "rgba(255,255,255,.25)";
    head += "}\n</style>\n</head>\n<body>\n<pre>";
    return head;
}

constexpr std::string_view PageEnd = "</pre>\n</body>\n</html>\n";
constexpr std::size_t BlockCapacity = BlockSize + 2 * PieceBytes * sizeof(Glyph);

} // namespace

struct HtmlListingWriter::Tables {
    std::array<Glyph, 256> bytes;
    std::array<Glyph, 0x20> graphics; // by code - FirstGraphicCode

    explicit Tables(msx::CharacterSet set)
    {
        for (unsigned code = 0; code < 256; ++code) {
            const auto byte = static_cast<std::uint8_t>(code);
            // A tab keeps the columns after it, as in the UTF-8 listing.
            bytes[code] = byte == '\t' ? glyphOf(U'\t') : glyphOf(msx::charGlyph(set, byte));
        }
        for (unsigned code = 0; code < 0x20; ++code)
            graphics[code] = glyphOf(msx::graphicGlyph(set, static_cast<std::uint8_t>(msx::FirstGraphicCode + code)));
    }
};

HtmlListingOptions htmlListingOptionsFor(RoleScheme scheme)
{
    HtmlListingOptions options;
    const bool msxScreen = scheme == RoleScheme::MsxScreen;
    options.background = msxScreen ? MsxScreenBackground : 0xFFFFFF;
    options.colours = roleColoursFor(scheme, msxScreen ? MsxScreenText : 0x000000, options.background);
    return options;
}

HtmlListingWriter::HtmlListingWriter(ByteSink& out, const HtmlListingOptions& options, const LineNumberSet& present)
    : out_(out), present_(present), tables_(std::make_unique<Tables>(options.characterSet)),
      block_(std::make_unique<char[]>(BlockCapacity))
{
    put(pageHead(options));
}

HtmlListingWriter::~HtmlListingWriter() = default;

void HtmlListingWriter::put(std::string_view text)
{
    if (text.size() > BlockCapacity - used_) {
        out_.write(block_.get(), used_);
        used_ = 0;
        if (text.size() > BlockCapacity) {
            out_.write(text);
            return;
        }
    }
    std::memcpy(block_.get() + used_, text.data(), text.size());
    used_ += text.size();
}

void HtmlListingWriter::putText(std::string_view text, std::size_t begin, std::size_t end)
{
    const Tables& tables = *tables_;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    while (begin < end) {
        // Room for a piece, each byte taking at most one padded glyph (a
        // pair's two bytes take one).
        const std::size_t pieceEnd = begin + std::min(end - begin, PieceBytes);
        if (used_ > BlockCapacity - PieceBytes * sizeof(Glyph)) {
            out_.write(block_.get(), used_);
            used_ = 0;
        }
        char* out = block_.get() + used_;
        std::size_t at = begin;
        for (; at < pieceEnd; ++at) {
            const Glyph* glyph = &tables.bytes[bytes[at]];
            // A graphic pair shows its graphic; a prefix before anything
            // else shows as its own glyph.
            if (bytes[at] == ListingGraphicPrefix && at + 1 < end && isGraphicCode(bytes[at + 1]))
                glyph = &tables.graphics[bytes[++at] - msx::FirstGraphicCode];
            std::memcpy(out, glyph, sizeof(Glyph));
            out += glyph->size;
        }
        used_ = static_cast<std::size_t>(out - block_.get());
        begin = at;
    }
}

void HtmlListingWriter::line(const ListedLine& line)
{
    const bool anchor = line.number && !anchored_.contains(*line.number);
    if (anchor) {
        anchored_.add(*line.number);
        put("<span id=\"L" + std::to_string(*line.number) + "\">");
    }
    forEachRoleRun(line.text, line.roles, isGraphicCode, [&](std::size_t begin, std::size_t end, Role role) {
        if (role == Role::Text) {
            putText(line.text, begin, end);
            return;
        }
        std::string_view closing = "</span>";
        if (role == Role::LineReference) {
            const RoleSpan span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin), role};
            const std::uint16_t target = referencedLine(line, span);
            if (present_.contains(target)) {
                put("<a class=\"lr\" href=\"#L" + std::to_string(target) + "\">");
                closing = "</a>";
            } else {
                put("<span class=\"lr mi\" title=\"no line " + std::to_string(target) + "\">");
            }
        } else {
            put("<span class=\"");
            put(RoleClasses[static_cast<std::size_t>(role)]);
            put("\">");
        }
        putText(line.text, begin, end);
        put(closing);
    });
    put(anchor ? "</span>\n" : "\n");
    if (used_ >= BlockSize) {
        out_.write(block_.get(), used_);
        used_ = 0;
    }
}

void HtmlListingWriter::finish()
{
    put(PageEnd);
    out_.write(block_.get(), used_);
    used_ = 0;
}

void writeHtmlListing(ByteSink& out, const HtmlListingOptions& options, const ListedLineWalk& walk)
{
    LineNumberSet present;
    walk([&](const ListedLine& line) {
        if (line.number)
            present.add(*line.number);
    });
    HtmlListingWriter writer(out, options, present);
    walk([&](const ListedLine& line) { writer.line(line); });
    writer.finish();
}

} // namespace quillet
