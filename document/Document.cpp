#include "document/Document.h"

#include "common/Errors.h"

#include <iterator>
#include <stdexcept>

namespace quillet {

std::optional<ContainerKind> containerKindOf(std::span<const std::uint8_t> head, std::uint64_t size,
                                             std::string_view name)
{
    for (const ContainerKindInfo& info : ContainerKinds) {
        if (info.test(head, size, name))
            return info.kind;
    }
    return std::nullopt;
}

const ContainerKindInfo& containerKindInfo(ContainerKind kind)
{
    for (const ContainerKindInfo& info : ContainerKinds) {
        if (info.kind == kind)
            return info;
    }
    throw std::invalid_argument("no such container kind");
}

DocumentKind documentKindOf(std::optional<std::uint8_t> firstByte)
{
    for (const DocumentKindInfo& info : DocumentKinds) {
        if (info.firstByte == AnyFirstByte || (firstByte && info.firstByte == *firstByte))
            return info.kind;
    }
    return DocumentKind::AsciiText;
}

const DocumentKindInfo& documentKindInfo(DocumentKind kind)
{
    for (const DocumentKindInfo& info : DocumentKinds) {
        if (info.kind == kind)
            return info;
    }
    return DocumentKinds[std::size(DocumentKinds) - 1];
}

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
    case DocumentKind::AsciiText: {
        if (head.firstByte)
            out.put(*head.firstByte);
        for (auto chunk = rest.nextChunk(); !chunk.empty(); chunk = rest.nextChunk())
            out.write(chunk.data(), chunk.size());
        if (rest.failed())
            throw QuilletError(ErrorKind::ReadFailed, head.name);
        return ProgramEnd::Complete;
    }
    case DocumentKind::BsaveImage: break;
    }
    throw std::invalid_argument(head.name + ": not a listing");
}

PictureData writePicture(const DocumentHead& head, ByteSource& rest, int mode, BsaveConverter& converter, ByteSink& out,
                         const PictureOptions& options, const PictureCompanions& companions)
{
    if (documentKindInfo(head.kind).role != DocumentRole::Picture)
        throw std::invalid_argument(head.name + ": not a picture");
    writeBmp(decodePicture(converter, rest, mode, options, companions, false), out);
    return converter.loadedBytes() == 0 ? PictureData::HeaderOnly : PictureData::Present;
}

} // namespace quillet
