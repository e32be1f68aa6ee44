#pragma once
// The kinds of document the program opens, told apart by their first byte,
// and what each becomes: a listing or a picture. This is the one place
// that knows them: a new kind (another picture format) is a new row of
// DocumentKinds and a case in the conversions below, a new kind of file
// that holds files a row of ContainerKinds, and both the viewer and
// quillet-convert take it from here.

#include "common/ByteStream.h"
#include "container/Recognise.h"
#include "decoder/ListingConverter.h"
#include "image/BsaveConverter.h"
#include "image/PictureCompanions.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

enum class DocumentKind { TokenizedBasic, BsaveImage, AsciiText };

// What a document is shown as.
enum class DocumentRole { Listing, Picture };

inline constexpr std::uint8_t TokenizedBasicMark = 0xFF;
inline constexpr std::uint8_t BsaveImageMark = 0xFE;
// The row for a first byte no other row claims, and for an empty file.
inline constexpr int AnyFirstByte = -1;

struct DocumentKindInfo {
    DocumentKind kind;
    int firstByte; // the mark the kind starts with, or AnyFirstByte
    DocumentRole role;
    std::string_view mimeType; // as the desktop knows the kind
};

// Searched in order; the AnyFirstByte row comes last.
inline constexpr DocumentKindInfo DocumentKinds[] = {
    {DocumentKind::TokenizedBasic, TokenizedBasicMark, DocumentRole::Listing, "application/x-msx-basic"},
    {DocumentKind::BsaveImage, BsaveImageMark, DocumentRole::Picture, "image/x-msx-bsave"},
    {DocumentKind::AsciiText, AnyFirstByte, DocumentRole::Listing, "text/plain"},
};

// Files that hold other files (container/Container.h opens them). They are
// told by their content before any first byte is looked at: a boot sector
// and FAT, the cassette block header, an archive's magic. A file that is
// none of them is one of the kinds above.
enum class ContainerKind { CassetteImage, Zip, Lzh, SevenZip, Gzip, Tar, DiskImage };

// How much of a file's start the recognisers need.
inline constexpr std::size_t ContainerHeadSize = 64 * 1024;

struct ContainerKindInfo {
    ContainerKind kind;
    ContainerTest test;
    std::string_view description; // for messages: "disk image"
    std::string_view mimeType;    // as the desktop knows the kind, or our own name
};

// Searched in order; the disk image, the weakest test, comes last.
inline constexpr ContainerKindInfo ContainerKinds[] = {
    {ContainerKind::CassetteImage, looksLikeCassetteImage, "cassette image", "application/x-msx-cassette-image"},
    {ContainerKind::Zip, looksLikeZip, "ZIP archive", "application/zip"},
    {ContainerKind::Lzh, looksLikeLzh, "LZH archive", "application/x-lzh-compressed"},
    {ContainerKind::SevenZip, looksLikeSevenZip, "7z archive", "application/x-7z-compressed"},
    {ContainerKind::Gzip, looksLikeGzip, "gzip file", "application/gzip"},
    {ContainerKind::Tar, looksLikeTar, "tar archive", "application/x-tar"},
    {ContainerKind::DiskImage, looksLikeDiskImage, "disk image", "application/x-msx-disk-image"},
};

// The container kind of a file whose first bytes (up to ContainerHeadSize)
// are `head`, `size` bytes in all, named `name`; nullopt for a document of
// its own. The content decides; the name only settles what the content
// leaves open (a disk image cut short that has no boot sector).
std::optional<ContainerKind> containerKindOf(std::span<const std::uint8_t> head, std::uint64_t size,
                                             std::string_view name);
const ContainerKindInfo& containerKindInfo(ContainerKind kind);

// The kind by the first byte alone; nullopt stands for an empty file.
DocumentKind documentKindOf(std::optional<std::uint8_t> firstByte);
const DocumentKindInfo& documentKindInfo(DocumentKind kind);

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
// line by line, anything else copied unchanged, its first byte included.
// Text is always complete; a program says whether its bytes were cut off.
// Throws QuilletError: DamagedProgram, ReadFailed, or the sink's error.
ProgramEnd writeListing(const DocumentHead& head, ByteSource& rest, ByteSink& out, const ListingOptions& options);

// The BMP picture of a picture document in screen mode `mode`, with the
// files found beside it (image/PictureCompanions.h; one that does not fit
// is passed over). Throws QuilletError: UnsupportedScreenMode before
// anything is read or written, ReadFailed, or the sink's error.
// A picture is always written; `HeaderOnly` says it shows nothing because
// the file had no bytes after its header.
enum class PictureData { Present, HeaderOnly };
PictureData writePicture(const DocumentHead& head, ByteSource& rest, int mode, BsaveConverter& converter, ByteSink& out,
                         const PictureOptions& options = {}, const PictureCompanions& companions = {});

} // namespace quillet
