// SPDX-License-Identifier: MIT
#include "document/Kinds.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace quillet {

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
