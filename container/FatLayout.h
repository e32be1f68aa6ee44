// SPDX-License-Identifier: MIT
#pragma once
// The layout of a FAT12/FAT16 disk image as the boot sector or the FAT's
// media byte describes it; shared by the reader and the writer, so that
// both find the FATs, folders and clusters in the same places.

#include "container/MemberNames.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillet::fat {

inline constexpr std::uint32_t EntrySize = 32;
inline constexpr std::uint8_t DeletedMark = 0xE5;
inline constexpr std::uint8_t KanjiE5Stand = 0x05; // a first name byte 0xE5 is stored as 0x05
inline constexpr std::uint8_t AttrVolume = 0x08;   // also set on long-name entries
inline constexpr std::uint8_t AttrDirectory = 0x10;
// MSX-DOS paths hold 63 characters, so no real disk nests folders deeper.
inline constexpr int MaxFolderDepth = 64;

inline std::uint32_t le16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8;
}

inline std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

// The 11-byte name of a folder entry as the disk's list shows it: "GAME.BAS",
// in UTF-8, a stored 05 read back as E5; "_" for a name of blanks only.
inline std::string entryNameText(std::string_view entry)
{
    std::string base(entry.substr(0, 8)), ext(entry.substr(8, 3));
    if (static_cast<std::uint8_t>(base[0]) == KanjiE5Stand)
        base[0] = static_cast<char>(DeletedMark);
    base.erase(base.find_last_not_of(' ') + 1);
    ext.erase(ext.find_last_not_of(' ') + 1);
    std::string name = msxNameToUtf8(base);
    if (!ext.empty())
        name += "." + msxNameToUtf8(ext);
    return name.empty() ? "_" : name;
}

inline bool isPowerOfTwo(std::uint32_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

struct Geometry {
    std::uint32_t bytesPerSector;
    std::uint32_t sectorsPerCluster;
    std::uint32_t reservedSectors;
    std::uint32_t fatCount;
    std::uint32_t rootEntries;
    std::uint32_t totalSectors;
    std::uint32_t sectorsPerFat;
    std::uint8_t media;

    std::uint64_t fatOffset(std::uint32_t copy) const
    {
        return std::uint64_t(reservedSectors + copy * sectorsPerFat) * bytesPerSector;
    }
    std::uint64_t fatBytes() const { return std::uint64_t(sectorsPerFat) * bytesPerSector; }
    std::uint64_t rootOffset() const { return fatOffset(fatCount); }
    std::uint32_t rootSectors() const { return (rootEntries * EntrySize + bytesPerSector - 1) / bytesPerSector; }
    std::uint32_t dataSector() const { return reservedSectors + fatCount * sectorsPerFat + rootSectors(); }
    std::uint32_t clusterCount() const
    {
        return totalSectors > dataSector() ? (totalSectors - dataSector()) / sectorsPerCluster : 0;
    }
    // The count of clusters decides the entry width, as DOS decides it.
    bool fat16() const { return clusterCount() >= 4085; }
    std::uint64_t clusterBytes() const { return std::uint64_t(sectorsPerCluster) * bytesPerSector; }
    std::uint64_t imageBytes() const { return std::uint64_t(totalSectors) * bytesPerSector; }
};

// The layouts of the media bytes of disks without a boot sector to trust:
// 512-byte sectors, one reserved sector, two FATs.
struct MediaLayout {
    std::uint8_t media;
    std::uint32_t totalSectors, sectorsPerCluster, sectorsPerFat, rootEntries;
};
inline constexpr MediaLayout MediaLayouts[] = {
    {0xF8, 720, 2, 2, 112},  // 3.5", one side, 80 tracks of 9 sectors: 360 KB
    {0xF9, 1440, 2, 3, 112}, // 3.5", two sides, 80 tracks of 9 sectors: 720 KB
    {0xFA, 640, 2, 1, 112},  // one side, 80 tracks of 8 sectors
    {0xFB, 1280, 2, 2, 112}, // two sides, 80 tracks of 8 sectors
    {0xFC, 360, 1, 2, 64},   // one side, 40 tracks of 9 sectors
    {0xFD, 720, 2, 2, 112},  // two sides, 40 tracks of 9 sectors
    {0xFE, 320, 1, 1, 64},   // one side, 40 tracks of 8 sectors
    {0xFF, 640, 2, 1, 112},  // two sides, 40 tracks of 8 sectors
};

inline std::optional<Geometry> mediaGeometry(std::uint8_t media)
{
    for (const MediaLayout& layout : MediaLayouts) {
        if (layout.media == media)
            return Geometry{
                512,  layout.sectorsPerCluster, 1, 2, layout.rootEntries, layout.totalSectors, layout.sectorsPerFat,
                media};
    }
    return std::nullopt;
}

inline std::optional<Geometry> bootSectorGeometry(std::span<const std::uint8_t> head)
{
    if (head.size() < 0x24)
        return std::nullopt;
    Geometry g{};
    g.bytesPerSector = le16(head, 0x0B);
    g.sectorsPerCluster = head[0x0D];
    g.reservedSectors = le16(head, 0x0E);
    g.fatCount = head[0x10];
    g.rootEntries = le16(head, 0x11);
    g.totalSectors = le16(head, 0x13);
    if (g.totalSectors == 0)
        g.totalSectors = le32(head, 0x20);
    g.media = head[0x15];
    g.sectorsPerFat = le16(head, 0x16);
    if (!isPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 128 || g.bytesPerSector > 4096)
        return std::nullopt;
    if (!isPowerOfTwo(g.sectorsPerCluster) || g.reservedSectors == 0 || g.fatCount == 0 || g.fatCount > 4)
        return std::nullopt;
    if (g.rootEntries == 0 || g.sectorsPerFat == 0 || (g.media < 0xF8 && g.media != 0xF0))
        return std::nullopt;
    // Room for at least one cluster, and no more than FAT16 counts.
    if (g.totalSectors <= g.dataSector() || g.clusterCount() == 0 || g.clusterCount() >= 65525)
        return std::nullopt;
    return g;
}

inline bool fatSignatureAt(std::span<const std::uint8_t> head, std::uint64_t at)
{
    return head.size() >= at + 3 && head[at] >= 0xF0 && head[at + 1] == 0xFF && head[at + 2] == 0xFF;
}

// The geometry that reads `head`: the boot sector's, unless the FAT's own
// media byte contradicts it and names a layout, which is what MSX-DOS 1
// goes by.
inline std::optional<Geometry> geometryOf(std::span<const std::uint8_t> head)
{
    const std::optional<Geometry> boot = bootSectorGeometry(head);
    const std::optional<Geometry> media = fatSignatureAt(head, 512) ? mediaGeometry(head[512]) : std::nullopt;
    if (boot && media && boot->fatOffset(0) == 512 && boot->media != head[512])
        return media;
    return boot ? boot : media;
}

} // namespace quillet::fat
