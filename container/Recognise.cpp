// SPDX-License-Identifier: MIT
#include "document/Kinds.h"

#include <algorithm>
#include <string_view>

namespace quillet {

namespace {

bool startsWith(std::span<const std::uint8_t> head, std::size_t at, std::string_view magic)
{
    return head.size() >= at + magic.size()
           && std::equal(magic.begin(), magic.end(), head.begin() + static_cast<std::ptrdiff_t>(at),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

} // namespace

bool looksLikeZip(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    // A local file header, or the end record alone of an empty archive.
    return startsWith(head, 0, "PK\x03\x04") || startsWith(head, 0, "PK\x05\x06");
}

bool looksLikeLzh(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    // "-lh5-" and the like after the header's size and checksum bytes.
    if (head.size() < 22 || head[6] != '-')
        return false;
    return (startsWith(head, 2, "-lh") || startsWith(head, 2, "-lz")) && head[5] >= '0' && head[5] <= 'z';
}

bool looksLikeSevenZip(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    return startsWith(head, 0, "7z\xBC\xAF\x27\x1C");
}

bool looksLikeGzip(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    return startsWith(head, 0, "\x1F\x8B\x08");
}

bool looksLikeTar(std::span<const std::uint8_t> head, std::uint64_t, std::string_view)
{
    // The POSIX and GNU magic; older tar files without it go unrecognised.
    return startsWith(head, 257, "ustar");
}

} // namespace quillet
