#pragma once
// A listing as UTF-8 text, for editors and version control: each byte
// becomes the Unicode character that looks like its MSX glyph in the
// chosen character set, a graphic pair (0x01 and a code from 0x40 to 0x5F)
// its graphic character, and line ends and tabs stay what they are.

#include "common/ByteStream.h"
#include "render/MsxCharset.h"

namespace quillet {

// Nothing is dropped: a 0x01 not followed by a graphic code is shown as
// its own glyph, and the byte after it is taken on its own. Throws the
// sink's error, or QuilletError(ReadFailed) when the listing cannot be read.
void writeUtf8Listing(ByteSource& listing, ByteSink& out, msx::CharacterSet set);

} // namespace quillet
