// SPDX-License-Identifier: MIT
#include "document/Document.h"

#include "common/Errors.h"
#include "document/HexView.h"

#include <stdexcept>

namespace quillet {

DocumentHead readDocumentHead(ByteSource& source, std::string name)
{
    DocumentHead head;
    head.name = std::move(name);
    std::uint8_t first = 0;
    if (source.next(first))
        head.firstByte = first;
    if (source.failed())
        throw QuilletError(ErrorKind::ReadFailed, head.name);
    head.kind = documentKindOf(head.firstByte);
    return head;
}

ProgramEnd writeListing(const DocumentHead& head, ByteSource& rest, ByteSink& out, const ListingOptions& options)
{
    switch (head.kind) {
    case DocumentKind::TokenizedBasic: return convertTokenizedBasic(rest, out, options);
    case DocumentKind::Binary:
    case DocumentKind::BsaveBinary: writeHexView(head, rest, out); return ProgramEnd::Complete;
    case DocumentKind::AsciiText: {
        if (head.firstByte)
            out.put(*head.firstByte);
        for (auto chunk = rest.nextChunk(); !chunk.empty(); chunk = rest.nextChunk())
            out.write(chunk.data(), chunk.size());
        if (rest.failed())
            throw QuilletError(ErrorKind::ReadFailed, head.name);
        return ProgramEnd::Complete;
    }
    case DocumentKind::BsaveImage:
    case DocumentKind::GraphSaurusImage:
    case DocumentKind::CopiedImage: break;
    }
    throw std::invalid_argument(head.name + ": not a listing");
}

} // namespace quillet
