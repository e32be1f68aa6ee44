// SPDX-License-Identifier: MIT
#pragma once
// A listing as UTF-8 text, for editors and version control: each byte
// becomes the Unicode character that looks like its MSX glyph in the
// chosen character set, a graphic pair (0x01 and a code from 0x40 to 0x5F)
// its graphic character, and line ends and tabs stay what they are.

#include "common/ByteStream.h"
#include "render/ListingWriter.h"
#include "render/MsxCharset.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

// Nothing is dropped: a 0x01 not followed by a graphic code is shown as
// its own glyph, and the byte after it is taken on its own. Throws the
// sink's error, or QuilletError(ReadFailed) when the listing cannot be read.
void writeUtf8Listing(ByteSource& listing, ByteSink& out, msx::CharacterSet set);

// The same written as the listing arrives, in pieces of any size (a graphic
// pair may be split between two), so that a listing is never held whole.
class Utf8ListingSink final : public ByteSink {
public:
    Utf8ListingSink(ByteSink& out, msx::CharacterSet set);
    Utf8ListingSink(const Utf8ListingSink&) = delete;
    Utf8ListingSink& operator=(const Utf8ListingSink&) = delete;

    void write(const void* data, std::size_t size) override { writer_.write(data, size); }
    using ByteSink::write;
    // Writes what is left; nothing may be written after it.
    void finish() { writer_.finish(); }

private:
    ListingWriter<8> writer_;
};

// The way back, for a listing written as above or typed in an editor: each
// character becomes the code whose glyph it is. A glyph of a code below
// 0x20 becomes that graphic pair (0x01, code + 0x40); where codes share a
// glyph the lowest takes it (the blank is 0x20). CR, LF, tab and the other
// control characters stay as they are, an ASCII character the set draws
// differently (the Japanese backslash) is taken as itself, a byte order
// mark at the start is skipped, and the glyph of 0x1A alone after the last
// line end is the end mark 0x1A. Throws QuilletError(BadListing) naming the
// text line for a malformed sequence or a character the set does not have.
std::string readUtf8Listing(std::string_view text, msx::CharacterSet set);

} // namespace quillet
