// SPDX-License-Identifier: MIT
#include "document/Kinds.h"

#include "image/BsaveHeader.h"
#include "image/CopiedPicture.h"
#include "image/ScreenMode.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace quillet {

namespace {

bool rowMatches(const DocumentKindInfo& info, std::span<const std::uint8_t> head, std::uint64_t size,
                std::string_view name)
{
    if (info.firstByte != AnyFirstByte && (head.empty() || head[0] != info.firstByte))
        return false;
    return !info.test || info.test(head, size, name);
}

bool copiedPictureFitsAnyDepth(std::span<const std::uint8_t> head, std::uint64_t size)
{
    return copiedPictureFits(head, size, 4) || copiedPictureFits(head, size, 8) || copiedPictureFits(head, size, 2);
}

// How far into a file the binary test looks.
constexpr std::size_t BinaryTestBytes = 4096;

} // namespace

bool looksLikeBsaveBinary(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name)
{
    const std::string_view bytes(reinterpret_cast<const char*>(head.data()), head.size());
    if (!startsWithWholeBsaveHeader(bytes) || namesPicture(name))
        return false;
    const BsaveHeader header = bsaveHeaderOf(bytes.substr(1));
    // A dump from the top of the screen, or of a table below the second
    // page, is a picture; machine code lives higher, in the RAM BASIC
    // leaves free.
    if (header.startAddress == 0)
        return false;
    return header.startAddress >= 0x8000 || !fitsPictureLayout(header, size);
}

bool looksLikeCopiedPictureByName(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name)
{
    const int mode = copiedPictureModeOfName(name);
    if (mode < 0)
        return false;
    return mode == 0 ? copiedPictureFitsAnyDepth(head, size) : copiedPictureFits(head, size, vramBitsPerPixel(mode));
}

bool looksLikeCopiedPicture(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view)
{
    return copiedPictureFitsAnyDepth(head, size);
}

bool looksLikeBinary(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    // A listing may carry a stray control code in a string; a NUL, or
    // control codes in more than one byte of sixteen, it cannot.
    std::size_t looked = 0;
    std::size_t controls = 0;
    for (const std::uint8_t byte : head.first(std::min(head.size(), BinaryTestBytes))) {
        if (byte == 0x1A)
            break;
        ++looked;
        if (byte == 0)
            return true;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' && byte != 0x01)
            ++controls;
    }
    return controls * 16 > looked;
}

DocumentKind documentKindOf(std::optional<std::uint8_t> firstByte)
{
    for (const DocumentKindInfo& info : DocumentKinds) {
        if (info.test)
            continue;
        if (info.firstByte == AnyFirstByte || (firstByte && info.firstByte == *firstByte))
            return info.kind;
    }
    return DocumentKind::AsciiText;
}

DocumentKind documentKindOf(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name)
{
    head = head.first(std::min(head.size(), ContainerHeadSize));
    for (const DocumentKindInfo& info : DocumentKinds) {
        if (rowMatches(info, head, size, name))
            return info.kind;
    }
    return DocumentKind::AsciiText;
}

DocumentKind documentKindOf(std::string_view head, std::uint64_t size, std::string_view name)
{
    return documentKindOf(std::span(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()), size, name);
}

const DocumentKindInfo& documentKindInfo(DocumentKind kind)
{
    for (const DocumentKindInfo& info : DocumentKinds) {
        if (info.kind == kind)
            return info;
    }
    return DocumentKinds[std::size(DocumentKinds) - 1];
}

bool namesPicture(std::string_view path) noexcept
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    const std::string_view suffix = path.substr(dot + 1);
    return std::any_of(std::begin(PictureSuffixes), std::end(PictureSuffixes), [&](std::string_view known) {
        return std::equal(suffix.begin(), suffix.end(), known.begin(), known.end(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
    });
}

std::optional<ContainerKind> containerKindOf(std::span<const std::uint8_t> head, std::uint64_t size,
                                             std::string_view name)
{
    head = head.first(std::min(head.size(), ContainerHeadSize));
    for (const ContainerKindInfo& info : ContainerKinds) {
        if (info.test(head, size, name))
            return info.kind;
    }
    return std::nullopt;
}

std::optional<ContainerKind> containerKindOf(std::string_view head, std::uint64_t size, std::string_view name)
{
    return containerKindOf(std::span(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()), size, name);
}

const ContainerKindInfo& containerKindInfo(ContainerKind kind)
{
    for (const ContainerKindInfo& info : ContainerKinds) {
        if (info.kind == kind)
            return info;
    }
    throw std::invalid_argument("no such container kind");
}

} // namespace quillet
