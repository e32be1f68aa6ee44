// SPDX-License-Identifier: MIT
#include "render/HtmlListing.h"

#include "common/HexDigits.h"
#include "common/Utf8.h"
#include "decoder/ListingConverter.h"
#include "render/RoleRuns.h"

#include <algorithm>
#include <array>
#include <charconv>
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

// The element of each role's runs: custom elements, valid HTML with no
// meaning of their own, their names kept short since a large program has
// millions of them. Text has none; a line reference is a link, or m-x for
// a line the program lacks.
constexpr std::array<std::string_view, RoleCount> RoleElements = {
    "", "m-n", "m-k", "a", "m-c", "m-s", "m-r", "m-d", "m-v", "m-o",
};
constexpr std::string_view MissingElement = "m-x";

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
        head += RoleElements[role];
        if (static_cast<Role>(role) == Role::LineReference) {
            head += ',';
            head += MissingElement;
        }
        head += "{color:";
        appendColour(head, options.colours[role]);
        head += "}\n";
    }
    head += "a{text-decoration:underline}\n";
    head += MissingElement;
    head += "{text-decoration:underline wavy ";
    appendColour(head, light ? 0xD00000 : 0xFF6060);
    head += "}\n:target{background:";
    head += light ? "#FFF59D" : "rgba(255,255,255,.25)";
    head += "}\n</style>\n</head>\n<body>\n<pre>";
    return head;
}

constexpr std::string_view PageEnd = "</pre>\n</body>\n</html>\n";

// A piece of markup padded to a fixed size, so that it is always copied
// whole, as the glyphs are.
struct Tag {
    char text[15];
    std::uint8_t size;

    static Tag of(std::string_view text)
    {
        Tag tag{};
        text.copy(tag.text, sizeof tag.text);
        tag.size = static_cast<std::uint8_t>(text.size());
        return tag;
    }
};

// The most a run adds besides its glyphs: a missing reference's opening
// with its number, and a closing tag.
constexpr std::size_t RunMarkup = 64;
constexpr std::size_t BlockCapacity = BlockSize + PieceBytes * sizeof(Glyph) + 4 * RunMarkup;

char* putTag(char* out, const Tag& tag)
{
    std::memcpy(out, &tag, sizeof tag);
    return out + tag.size;
}

char* putTag(char* out, const Tag& before, std::uint16_t number, const Tag& after)
{
    out = putTag(out, before);
    out = std::to_chars(out, out + 5, number).ptr;
    return putTag(out, after);
}

} // namespace

struct HtmlListingWriter::Tables {
    std::array<Glyph, 256> bytes;
    std::array<Glyph, 0x20> graphics; // by code - FirstGraphicCode
    // The tags around a run of each role; none for Text, nor for a role in
    // the text's own colour, which would only make the page longer.
    std::array<Tag, RoleCount> opening{};
    std::array<Tag, RoleCount> closing{};
    Tag anchor = Tag::of("<span id=L");
    Tag link = Tag::of("<a href=#L");
    Tag missing = Tag::of("<m-x title=\"no");
    Tag missingRest = Tag::of(" line ");
    Tag tagEnd = Tag::of(">");
    Tag quotedTagEnd = Tag::of("\">");
    Tag linkEnd = Tag::of("</a>");
    Tag missingEnd = Tag::of("</m-x>");
    Tag lineEnd = Tag::of("\n");
    Tag anchoredLineEnd = Tag::of("</span>\n");

    explicit Tables(const HtmlListingOptions& options)
    {
        for (unsigned code = 0; code < 256; ++code) {
            const auto byte = static_cast<std::uint8_t>(code);
            // A tab keeps the columns after it, as in the UTF-8 listing.
            bytes[code] = byte == '\t' ? glyphOf(U'\t') : glyphOf(msx::charGlyph(options.characterSet, byte));
        }
        for (unsigned code = 0; code < 0x20; ++code)
            graphics[code] = glyphOf(
                msx::graphicGlyph(options.characterSet, static_cast<std::uint8_t>(msx::FirstGraphicCode + code)));
        const std::uint32_t text = options.colours[static_cast<std::size_t>(Role::Text)];
        for (std::size_t role = 1; role < RoleCount; ++role) {
            if (options.colours[role] != text) {
                opening[role] = Tag::of("<" + std::string(RoleElements[role]) + ">");
                closing[role] = Tag::of("</" + std::string(RoleElements[role]) + ">");
            }
        }
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
    : out_(out), present_(present), tables_(std::make_unique<Tables>(options)),
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

[[gnu::always_inline]] inline char* HtmlListingWriter::room(char* out, std::size_t bytes)
{
    if (static_cast<std::size_t>(out - block_.get()) + bytes > BlockCapacity) [[unlikely]] {
        out_.write(block_.get(), static_cast<std::size_t>(out - block_.get()));
        out = block_.get();
    }
    return out;
}

[[gnu::always_inline]] inline char* HtmlListingWriter::putText(char* out, std::string_view text, std::size_t begin,
                                                               std::size_t end)
{
    const Tables& tables = *tables_;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    while (begin < end) {
        // A piece at a time, each byte taking at most one padded glyph (a
        // pair's two bytes take one), with room for the closing after it.
        const std::size_t pieceEnd = begin + std::min(end - begin, PieceBytes);
        out = room(out, (pieceEnd - begin) * sizeof(Glyph) + RunMarkup);
        std::size_t at = begin;
        for (; at < pieceEnd; ++at) {
            const Glyph* glyph = &tables.bytes[bytes[at]];
            // A graphic pair shows its graphic; a prefix before anything
            // else shows as its own glyph.
            if (bytes[at] == ListingGraphicPrefix && at + 1 < end && isGraphicCode(bytes[at + 1])) [[unlikely]]
                glyph = &tables.graphics[bytes[++at] - msx::FirstGraphicCode];
            std::memcpy(out, glyph, sizeof(Glyph));
            out += glyph->size;
        }
        begin = at;
    }
    return out;
}

void HtmlListingWriter::line(const ListedLine& line)
{
    const Tables& tables = *tables_;
    char* out = room(block_.get() + used_, 2 * RunMarkup);
    const bool anchor = line.number && !anchored_.contains(*line.number);
    if (anchor) {
        anchored_.add(*line.number);
        out = putTag(out, tables.anchor, *line.number, tables.tagEnd);
    }
    forEachRoleRun(line.text, line.roles, isGraphicCode, [&](std::size_t begin, std::size_t end, Role role) {
        out = room(out, RunMarkup);
        if (role == Role::LineReference) {
            const RoleSpan span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin), role};
            const std::uint16_t target = referencedLine(line, span);
            if (present_.contains(target)) {
                out = putTag(out, tables.link, target, tables.tagEnd);
                out = putText(out, line.text, begin, end);
                out = putTag(out, tables.linkEnd);
            } else {
                out = putTag(out, tables.missing);
                out = putTag(out, tables.missingRest, target, tables.quotedTagEnd);
                out = putText(out, line.text, begin, end);
                out = putTag(out, tables.missingEnd);
            }
            return;
        }
        const auto index = static_cast<std::size_t>(role);
        out = putTag(out, tables.opening[index]);
        out = putText(out, line.text, begin, end);
        out = putTag(out, tables.closing[index]);
    });
    out = room(out, RunMarkup);
    out = putTag(out, anchor ? tables.anchoredLineEnd : tables.lineEnd);
    used_ = static_cast<std::size_t>(out - block_.get());
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

LineNumberSet listedLineNumbers(const DocumentHead& head, ByteSource& rest, const ListingOptions& options)
{
    LineNumberSet numbers;
    if (head.kind == DocumentKind::TokenizedBasic) {
        forEachProgramLine(rest, options, nullptr, [&](const ListingLine& line) { numbers.add(line.number); });
    } else {
        forEachListedLine(head, rest, options, [&](const ListedLine& line) {
            if (line.number)
                numbers.add(*line.number);
        });
    }
    return numbers;
}

void writeHtmlListing(ByteSink& out, const HtmlListingOptions& options, const DocumentHead& head,
                      const ListingOptions& listing, const ListingPasses& passes)
{
    const LineNumberSet present = listedLineNumbers(head, passes(1), listing);
    HtmlListingWriter writer(out, options, present);
    forEachListedLine(head, passes(2), listing, [&](const ListedLine& line) { writer.line(line); });
    writer.finish();
}

} // namespace quillet
