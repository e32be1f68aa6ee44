#pragma once
// The content tests of the container kinds (the rows of ContainerKinds in
// document/Document.h). Each looks at the first bytes of a file (`head`,
// up to ContainerHeadSize of them), its whole size and its name.

#include <cstdint>
#include <span>
#include <string_view>

namespace quillet {

using ContainerTest = bool (*)(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);

// The cassette block header at the start.
bool looksLikeCassetteImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// The archives' magic numbers.
bool looksLikeZip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeLzh(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeSevenZip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeGzip(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
bool looksLikeTar(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);
// A FAT boot sector, or a FAT whose first byte is one of the media bytes
// of the older disks without one (DiskImage.cpp).
bool looksLikeDiskImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name);

} // namespace quillet
