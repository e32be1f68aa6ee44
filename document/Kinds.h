// SPDX-License-Identifier: MIT
#pragma once
// The kinds of file the programs open: documents, told apart by their first
// byte, and containers (files that hold files), told by their content. Each
// kind is a row with its mark and its MIME type. Nothing here reads or
// converts a file, so the container readers and the desktop files can lean
// on it without leaning on the converters.
//
// A new picture format is a row of DocumentKinds (and its decoding in
// PictureFile::decode, document/Picture.cpp); a new container kind is a
// row of ContainerKinds with its content test (and its reader in
// container/).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillet {

// How much of a file's start the content tests (of documents and
// containers) need.
inline constexpr std::size_t ContainerHeadSize = 64 * 1024;

enum class DocumentKind {
    TokenizedBasic,
    BsaveImage,
    BsaveBinary,      // a BSAVE file of memory no screen shows: machine code
    GraphSaurusImage, // a paint program's compressed picture
    CopiedImage,      // a rectangle BASIC's COPY statement saved
    Binary,           // bytes no listing holds
    AsciiText,
};

// What a document is shown as: a listing, a picture, or its bytes.
enum class DocumentRole { Listing, Picture, Bytes };

inline constexpr std::uint8_t TokenizedBasicMark = 0xFF;
inline constexpr std::uint8_t BsaveImageMark = 0xFE;
inline constexpr std::uint8_t GraphSaurusMark = 0xFD;
// The row for a first byte no other row claims, and for an empty file.
inline constexpr int AnyFirstByte = -1;

// A content test beside the first byte: the file's first bytes (up to
// ContainerHeadSize, the first byte included), its whole size and its name.
using DocumentTest = bool (*)(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// A BSAVE file whose data no screen mode shows (image/ScreenMode.h).
bool looksLikeBsaveBinary(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// A COPY-saved picture: a width and a height word whose pixels fill the
// file, at the depth a COPY name gives (.GL5, .CP7, ...) or at any.
bool looksLikeCopiedPictureByName(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeCopiedPicture(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// Bytes a text listing cannot hold before its end mark: control codes
// other than tabs, line ends and the graphic prefix.
bool looksLikeBinary(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);

struct DocumentKindInfo {
    DocumentKind kind;
    int firstByte;     // the mark the kind starts with, or AnyFirstByte
    DocumentTest test; // what the content must pass besides, or none
    DocumentRole role;
    std::string_view mimeType;    // as the desktop knows the kind
    std::string_view description; // for lists: "BSAVE binary"
};

// Searched in order; a row matches when its first byte and its test both
// do. A COPY name beats the first byte, whose rows beat content alone;
// the AnyFirstByte row without a test comes last.
inline constexpr DocumentKindInfo DocumentKinds[] = {
    {DocumentKind::CopiedImage, AnyFirstByte, looksLikeCopiedPictureByName, DocumentRole::Picture, "image/x-msx-copy",
     "COPY picture"},
    {DocumentKind::TokenizedBasic, TokenizedBasicMark, nullptr, DocumentRole::Listing, "application/x-msx-basic",
     "tokenized BASIC"},
    {DocumentKind::BsaveBinary, BsaveImageMark, looksLikeBsaveBinary, DocumentRole::Bytes,
     "application/x-msx-bsave-binary", "BSAVE binary"},
    {DocumentKind::BsaveImage, BsaveImageMark, nullptr, DocumentRole::Picture, "image/x-msx-bsave", "BSAVE picture"},
    {DocumentKind::GraphSaurusImage, GraphSaurusMark, nullptr, DocumentRole::Picture, "image/x-msx-graph-saurus",
     "compressed picture"},
    {DocumentKind::CopiedImage, AnyFirstByte, looksLikeCopiedPicture, DocumentRole::Picture, "image/x-msx-copy",
     "COPY picture"},
    {DocumentKind::Binary, AnyFirstByte, looksLikeBinary, DocumentRole::Bytes, "application/octet-stream", "binary"},
    {DocumentKind::AsciiText, AnyFirstByte, nullptr, DocumentRole::Listing, "text/plain", "text"},
};

// The kind by the first byte alone, as if every content test failed;
// nullopt stands for an empty file.
DocumentKind documentKindOf(std::optional<std::uint8_t> firstByte);
// The kind of a file whose first bytes (up to ContainerHeadSize) are
// `head`, `size` bytes in all, named `name`.
DocumentKind documentKindOf(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
DocumentKind documentKindOf(std::string_view head, std::uint64_t size, std::string_view name);
const DocumentKindInfo& documentKindInfo(DocumentKind kind);

// The names picture files go by (lower case, without the dot): the screen
// modes' BSAVE names, the paint programs' (compressed or not), the
// interlaced pages' and the COPY pictures'. A file
// so named is expected to be a picture; its content still decides.
inline constexpr std::string_view PictureSuffixes[] = {
    "sc1", "sc2", "sc3", "sc4", "grp", "sc5", "sc6", "sc7", "sc8", "sca", "scb", "scc", "s10", "s11", "s12", "sr5",
    "sr6", "sr7", "sr8", "srs", "ge5", "ge6", "ge7", "ge8", "s05", "s06", "s07", "s08", "s0a", "s0b", "s0c", "s15",
    "s16", "s17", "s18", "s1a", "s1b", "s1c",
    // The other names of interlaced pages, the compressed pictures' and
    // the COPY pictures'.
    "s50", "s51", "s60", "s61", "s70", "s71", "s80", "s81", "sa0", "sa1", "sb0", "sb1", "sra", "src", "r50", "r51",
    "r60", "r61", "r70", "r71", "r80", "r81", "ra0", "ra1", "rc0", "rc1", "rs0", "rs1", "gl5", "gl6", "gl7", "gl8",
    "gla", "glc", "gls", "cp5", "cp6", "cp7", "cp8", "cpa", "cpb", "cpc", "cpy"};

// Whether the last step of `path` ends in one of PictureSuffixes, in any case.
bool namesPicture(std::string_view path) noexcept;

// Files that hold other files. They are told by their content before any
// first byte is looked at: a boot sector and FAT, the cassette block
// header, an archive's magic; an empty file named .cas is a blank tape. A
// file that is none of them is a document.
enum class ContainerKind { CassetteImage, Zip, Lzh, SevenZip, Gzip, Tar, DiskImage };

// A content test: the first bytes of a file (`head`, up to ContainerHeadSize
// of them), its whole size and its name (which only settles what the
// content leaves open). The tests live with the readers, in container/.
using ContainerTest = bool (*)(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeCassetteImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeZip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeLzh(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeSevenZip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeGzip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeTar(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// A FAT boot sector, or a FAT whose first byte is one of the media bytes of
// the older disks without one.
bool looksLikeDiskImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);

struct ContainerKindInfo {
    ContainerKind kind;
    ContainerTest test;
    std::string_view description; // for messages: "disk image"
    std::string_view mimeType;    // as the desktop knows the kind, or our own name
    std::string_view suffixes;    // the names its files go by, for open dialogs: "dsk di1 di2"
};

// Searched in order; the disk image, the weakest test, comes last.
inline constexpr ContainerKindInfo ContainerKinds[] = {
    {ContainerKind::CassetteImage, looksLikeCassetteImage, "cassette image", "application/x-msx-cassette-image", "cas"},
    {ContainerKind::Zip, looksLikeZip, "ZIP archive", "application/zip", "zip"},
    {ContainerKind::Lzh, looksLikeLzh, "LZH archive", "application/x-lzh-compressed", "lzh lha"},
    {ContainerKind::SevenZip, looksLikeSevenZip, "7z archive", "application/x-7z-compressed", "7z"},
    {ContainerKind::Gzip, looksLikeGzip, "gzip file", "application/gzip", "gz tgz"},
    {ContainerKind::Tar, looksLikeTar, "tar archive", "application/x-tar", "tar"},
    {ContainerKind::DiskImage, looksLikeDiskImage, "disk image", "application/x-msx-disk-image", "dsk di1 di2"},
};

// The container kind of a file whose first bytes (up to ContainerHeadSize)
// are `head`, `size` bytes in all, named `name`; nullopt for a document.
std::optional<ContainerKind> containerKindOf(std::span<const std::uint8_t> head, std::uint64_t size,
                                             std::string_view name);
std::optional<ContainerKind> containerKindOf(std::string_view head, std::uint64_t size, std::string_view name);
const ContainerKindInfo& containerKindInfo(ContainerKind kind);

} // namespace quillet
