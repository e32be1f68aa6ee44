// SPDX-License-Identifier: MIT
#pragma once
// A listing as one web page that needs nothing beside it: the MSX font
// inside, each character as the Unicode character that looks like its
// glyph (as the UTF-8 listing writes it), the roles in their colours,
// each numbered line an anchor L<number> and each line reference a link
// to it, or a marked span when the program has no such line.

#include "common/ByteStream.h"
#include "document/ListedLines.h"
#include "render/MsxCharset.h"
#include "render/RoleColours.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

struct HtmlListingOptions {
    msx::CharacterSet characterSet = msx::CharacterSet::Japanese;
    RoleColourSet colours = roleColoursFor(RoleScheme::Standard, 0x000000, 0xFFFFFF);
    std::uint32_t background = 0xFFFFFF;
    // The page's title, UTF-8: the program's name.
    std::string title;
    // The character set's MSX font, a TrueType file in base64, which the
    // page carries; empty: the reader's monospace font.
    std::string_view fontBase64;
};

// The options for a scheme on its own background: Standard is black on
// white paper, MsxScreen white on the MSX's blue.
HtmlListingOptions htmlListingOptionsFor(RoleScheme scheme);

// The numbers of a program's lines: all a page needs to know before it is
// written, whatever the program's size.
class LineNumberSet {
public:
    void add(std::uint16_t number) { numbers_.set(number); }
    bool contains(std::uint16_t number) const { return numbers_.test(number); }

private:
    std::bitset<65536> numbers_;
};

// Writes the page as its lines arrive, in blocks, so that a listing is
// never held whole. A line reference is a link when `present` holds its
// target. The page's head goes out with the first block.
class HtmlListingWriter {
public:
    HtmlListingWriter(ByteSink& out, const HtmlListingOptions& options, const LineNumberSet& present);
    ~HtmlListingWriter();
    HtmlListingWriter(const HtmlListingWriter&) = delete;
    HtmlListingWriter& operator=(const HtmlListingWriter&) = delete;

    void line(const ListedLine& line);
    // Writes the end of the page; nothing may be written after it. Throws
    // the sink's error.
    void finish();

private:
    struct Tables;
    void put(std::string_view text);
    // The characters of text[begin, end).
    void putText(std::string_view text, std::size_t begin, std::size_t end);

    ByteSink& out_;
    const LineNumberSet& present_;
    std::unique_ptr<const Tables> tables_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
    LineNumberSet anchored_; // a number listed twice is an anchor once, at its first line
};

// Calls its argument for every line of the listing, as forEachListedLine
// does; whoever gives one can go through the listing twice.
using ListedLineWalk = std::function<void(const std::function<void(const ListedLine&)>&)>;

// The whole page: `walk` runs twice, first for the line numbers, then to
// write the lines. Throws what `walk` throws and the sink's error.
void writeHtmlListing(ByteSink& out, const HtmlListingOptions& options, const ListedLineWalk& walk);

} // namespace quillet
