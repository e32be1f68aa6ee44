// SPDX-License-Identifier: MIT
#pragma once
// Builds FAT12 disk images as MSX-DOS formats them, for tests and
// benchmarks: the boot sector (or none), the FAT copies, the root folder,
// folders and files placed on the clusters a test names, so that fragmented
// files and each kind of damage can be written down as they are.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

struct FatLayout {
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerCluster;
    std::uint32_t reservedSectors = 1;
    std::uint32_t fatCount = 2;
    std::uint32_t rootEntries;
    std::uint32_t totalSectors;
    std::uint32_t sectorsPerFat;
    std::uint8_t media;
    std::uint32_t sectorsPerTrack = 9;
    std::uint32_t heads;

    // MSX-DOS's 3.5" formats: one side (360 KB) and two sides (720 KB).
    static FatLayout singleSided360k() { return {512, 2, 1, 2, 112, 720, 2, 0xF8, 9, 1}; }
    static FatLayout doubleSided720k() { return {512, 2, 1, 2, 112, 1440, 3, 0xF9, 9, 2}; }

    std::uint32_t rootSector() const { return reservedSectors + fatCount * sectorsPerFat; }
    std::uint32_t dataSector() const { return rootSector() + (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector; }
    std::uint32_t clusterBytes() const { return sectorsPerCluster * bytesPerSector; }
    std::uint32_t clusterCount() const { return (totalSectors - dataSector()) / sectorsPerCluster; }
};

// A DOS date and time: 2024-05-06 12:34:56 unless told.
struct FatTime {
    int year = 2024, month = 5, day = 6, hour = 12, minute = 34, second = 56;
};

class FatImageBuilder {
public:
    static constexpr std::uint8_t Archive = 0x20, Hidden = 0x02, System = 0x04, ReadOnly = 0x01;
    static constexpr std::uint32_t EndOfChain = 0xFFF;

    // `bootSector` false leaves sector 0 zero, as on the older disks that
    // only the media byte in the FAT describes.
    explicit FatImageBuilder(const FatLayout& layout, bool bootSector = true);

    // A file in `folder` ("" for the root, "DIR/SUB" below it) named as
    // "NAME.EXT" in MSX bytes. Its data go to `clusters` in that order (the
    // next free ones when empty), chained in every FAT copy. Returns the
    // first cluster.
    std::uint32_t addFile(std::string_view folder, std::string_view name, std::string_view contents,
                          std::uint8_t attributes = Archive, std::vector<std::uint32_t> clusters = {},
                          FatTime time = {});
    // A folder with its "." and ".." entries, on one cluster unless told.
    std::uint32_t addFolder(std::string_view parent, std::string_view name, std::vector<std::uint32_t> clusters = {});
    void addVolumeLabel(std::string_view label);
    // A directory entry exactly as given (32 bytes), for deleted entries,
    // odd names and entries that point anywhere.
    void addRawEntry(std::string_view folder, std::string_view entry);
    // An entry as addFile writes it, without placing any data.
    static std::string entry(std::string_view name, std::uint8_t attributes, std::uint32_t firstCluster,
                             std::uint32_t size, FatTime time = {});

    // A FAT entry in one copy (0, 1, ...) or, with copy -1, in all of them.
    void setFat(std::uint32_t cluster, std::uint32_t value, int copy = -1);
    std::uint32_t fat(std::uint32_t cluster, int copy = 0) const;

    const FatLayout& layout() const { return layout_; }
    std::uint64_t clusterOffset(std::uint32_t cluster) const;
    const std::string& bytes() const { return image_; }

private:
    struct Folder {
        std::vector<std::uint32_t> clusters; // empty for the root
        std::size_t used = 0;                // entries
    };
    std::uint32_t nextFree();
    void place(const std::vector<std::uint32_t>& clusters, std::string_view contents);
    void appendEntry(std::string_view folder, std::string_view entry);

    FatLayout layout_;
    std::string image_;
    std::map<std::string, Folder, std::less<>> folders_;
    std::vector<bool> used_;
};

// A 720 KB disk as a collection holds one: GAME.BAS (`program`),
// PICS/TITLE.SC7 (a SCREEN 7 picture without data) and LOOP.BAS, whose
// cluster chain comes back to its start.
std::string gamesDisk(std::string_view program);

} // namespace quillet::test
