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
    // Room for `bytes` at `out` in the block, which is written out first
    // when it has not; where to write them.
    char* room(char* out, std::size_t bytes);
    // The characters of text[begin, end) at `out`, which has room for a
    // run's markup; returns their end, with room for as much after it.
    char* putText(char* out, std::string_view text, std::size_t begin, std::size_t end);

    ByteSink& out_;
    const LineNumberSet& present_;
    std::unique_ptr<const Tables> tables_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
    LineNumberSet anchored_; // a number listed twice is an anchor once, at its first line
};

// The numbers of the lines forEachListedLine gives for the document, read
// without the roles where the line numbers need none (a program).
LineNumberSet listedLineNumbers(const DocumentHead& head, ByteSource& rest, const ListingOptions& options);

// Where a page's listing is read from: the document's bytes after its
// first byte, from their start, once for the line numbers (pass 1) and
// once for the page (pass 2). What it returns is used until the next call.
using ListingPasses = std::function<ByteSource&(int pass)>;

// The whole page of a listing document. Throws QuilletError as
// forEachListedLine does, what `passes` throws and the sink's error.
void writeHtmlListing(ByteSink& out, const HtmlListingOptions& options, const DocumentHead& head,
                      const ListingOptions& listing, const ListingPasses& passes);

} // namespace quillet
