// SPDX-License-Identifier: MIT
#pragma once
// What a document shown as its bytes (DocumentRole::Bytes: a BSAVE file of
// machine code, or a file that is neither listing nor picture) is shown as:
// a hex view, written as an ASCII listing (CR LF lines of MSX characters),
// so that the listing view, its saves and quillet-convert's listing forms
// take it as they take a listing.
//
// A BSAVE binary starts with its header, the addresses in the MSX's &H
// form and the length they name, and its lines go by the address each byte
// loads at; any other file starts with "Binary file" and its lines go by
// the offset in the file. A line is the address, 16 bytes in hex in two
// groups of 8, and the same bytes as characters: the MSX's printable ones
// as they are, control codes (and DEL) as '.'. Every line of the dump has
// its columns where the others have them, the last one padded.

#include "common/ByteStream.h"
#include "document/Document.h"

#include <cstddef>
#include <functional>
#include <string_view>

namespace quillet {

inline constexpr std::size_t HexViewBytesPerLine = 16;

// Calls `each` with every line of the hex view of the document, without
// its line end, reading `rest` (the bytes after the head's first byte) as
// it goes: memory stays the same whatever the size. What `each` is given
// is valid only during the call. Throws QuilletError(ReadFailed), and
// whatever `each` throws.
void forEachHexViewLine(const DocumentHead& head, ByteSource& rest, const std::function<void(std::string_view)>& each);

// The same lines, each ended by CR LF, gathered into large writes.
void writeHexView(const DocumentHead& head, ByteSource& rest, ByteSink& out);

} // namespace quillet
