// SPDX-License-Identifier: MIT
#pragma once
// A document's start and its listing. The kinds are in document/Kinds.h;
// how a name becomes an opened document is document/Open.h, and how a
// picture document becomes pixels document/Picture.h.

#include "common/ByteStream.h"
#include "decoder/ListingConverter.h"
#include "document/Kinds.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillet {

// The start of an opened document. Reading it leaves the source just after
// the first byte, where the conversions below go on.
struct DocumentHead {
    std::optional<std::uint8_t> firstByte; // none for an empty file
    DocumentKind kind = DocumentKind::AsciiText;
    std::string name; // for error texts
};

// Throws QuilletError(ReadFailed) when the first byte cannot be read.
DocumentHead readDocumentHead(ByteSource& source, std::string name);

// The ASCII listing of a listing document: a tokenized program converted
// line by line, text copied unchanged, its first byte included; of a
// document shown as its bytes, its hex view (document/HexView.h).
// Text is always complete; a program says whether its bytes were cut off.
// Throws QuilletError: ReadFailed, or the sink's error.
ProgramEnd writeListing(const DocumentHead& head, ByteSource& rest, ByteSink& out, const ListingOptions& options);

} // namespace quillet
