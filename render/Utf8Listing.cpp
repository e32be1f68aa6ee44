// SPDX-License-Identifier: MIT
#include "render/Utf8Listing.h"

#include "common/Errors.h"
#include "common/HexDigits.h"
#include "common/Utf8.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace quillet {

namespace {

constexpr std::uint8_t GraphicPrefix = 0x01;
constexpr std::uint8_t EndOfFile = 0x1A;

bool isGraphicCode(std::uint8_t code)
{
    return code >= msx::FirstGraphicCode && code < msx::FirstGraphicCode + 0x20;
}

// Line ends and tabs keep the text's lines and columns in an editor.
bool keptAsIs(std::uint8_t byte)
{
    return byte == '\r' || byte == '\n' || byte == '\t';
}

// What a character stands for in a set: a byte, or a graphic pair.
struct Code {
    char32_t glyph;
    std::uint8_t code;
    bool graphic;
};

std::vector<Code> makeCodes(msx::CharacterSet set)
{
    std::vector<Code> codes;
    for (unsigned code = 0x20; code <= 0xFF; ++code)
        codes.push_back({msx::charGlyph(set, static_cast<std::uint8_t>(code)), static_cast<std::uint8_t>(code), false});
    for (unsigned code = msx::FirstGraphicCode; code < msx::FirstGraphicCode + 0x20u; ++code)
        codes.push_back(
            {msx::graphicGlyph(set, static_cast<std::uint8_t>(code)), static_cast<std::uint8_t>(code), true});
    // Sorted by glyph, the first of equal glyphs being the one to keep.
    std::stable_sort(codes.begin(), codes.end(), [](const Code& a, const Code& b) { return a.glyph < b.glyph; });
    return codes;
}

const std::vector<Code>& codesOf(msx::CharacterSet set)
{
    static const std::array<std::vector<Code>, 3> tables = {
        makeCodes(msx::CharacterSet::Japanese),
        makeCodes(msx::CharacterSet::International),
        makeCodes(msx::CharacterSet::Brazilian),
    };
    return tables[static_cast<std::size_t>(set)];
}

std::string codePointName(char32_t c)
{
    std::string digits;
    for (int shift = c > 0xFFFF ? 16 : 12; shift >= 0; shift -= 4)
        digits += upperHexDigit(static_cast<unsigned>(c >> shift));
    return "U+" + digits;
}

} // namespace

std::string readUtf8Listing(std::string_view text, msx::CharacterSet set)
{
    const std::vector<Code>& codes = codesOf(set);
    std::string out;
    out.reserve(text.size());
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    // Line by line, the ends counted as the tokenizer counts them (CR LF,
    // CR or LF), so that both name the same text line.
    std::size_t textLine = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        else
            end += text.substr(end, 2) == "\r\n" ? 2 : 1;
        const std::string_view line = text.substr(start, end - start);
        start = end;
        ++textLine;
        auto fail = [&](const std::string& problem) {
            throw QuilletError(ErrorKind::BadListing, "text line " + std::to_string(textLine) + ": " + problem);
        };
        if (!isValidUtf8(line))
            fail("not valid UTF-8");
        for (const char32_t c : decodeUtf8(line)) {
            if (c < 0x20) {
                out += static_cast<char>(c);
                continue;
            }
            const auto found = std::lower_bound(codes.begin(), codes.end(), c,
                                                [](const Code& code, char32_t glyph) { return code.glyph < glyph; });
            if (found != codes.end() && found->glyph == c) {
                if (found->graphic)
                    out += static_cast<char>(GraphicPrefix);
                out += static_cast<char>(found->code);
            } else if (c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                fail(codePointName(c) + " is not a character of the " + std::string(msx::characterSetName(set))
                     + " set");
            }
        }
    }
    // The end mark of a listing saved by MSX BASIC, written as its glyph
    // after the last line, is the end mark again: no line starts with a
    // graphic character.
    const std::size_t n = out.size();
    if (n >= 2 && out[n - 2] == static_cast<char>(GraphicPrefix)
        && out[n - 1] == static_cast<char>(msx::FirstGraphicCode + EndOfFile) && (n == 2 || out[n - 3] == '\n'))
        out.replace(n - 2, 2, 1, static_cast<char>(EndOfFile));
    return out;
}

namespace {

// A character takes at most 4 of an entry's 6 bytes.
using Writer = ListingWriter<8>;

Writer::Format utf8Format(msx::CharacterSet set)
{
    using Entry = Writer::Entry;
    auto encode = [](char32_t glyph) {
        std::string text;
        appendUtf8(text, glyph);
        return Entry::of(text);
    };
    Writer::Format format;
    Writer::Format::Lead prefix{GraphicPrefix};
    for (unsigned code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        format.bytes[code] =
            keptAsIs(byte) ? Entry::of(std::string(1, static_cast<char>(byte))) : encode(msx::charGlyph(set, byte));
        // Before any other byte the prefix shows as its own glyph, and the
        // byte is taken on its own.
        prefix.pairs[code] =
            isGraphicCode(byte) ? encode(msx::graphicGlyph(set, byte)) : Entry::of({}, ListingRole::Unpaired);
    }
    prefix.atEnd = format.bytes[GraphicPrefix];
    format.leads = {prefix};
    return format;
}

} // namespace

Utf8ListingSink::Utf8ListingSink(ByteSink& out, msx::CharacterSet set) : writer_(out, utf8Format(set))
{}

void writeUtf8Listing(ByteSource& listing, ByteSink& out, msx::CharacterSet set)
{
    Utf8ListingSink sink(out, set);
    for (auto chunk = listing.nextChunk(); !chunk.empty(); chunk = listing.nextChunk())
        sink.write(chunk.data(), chunk.size());
    if (listing.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    sink.finish();
}

} // namespace quillet
