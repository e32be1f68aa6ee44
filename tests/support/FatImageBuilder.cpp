// SPDX-License-Identifier: MIT
#include "support/FatImageBuilder.h"

#include <stdexcept>

namespace quillet::test {

namespace {

void put16(std::string& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}

} // namespace

FatImageBuilder::FatImageBuilder(const FatLayout& layout, bool bootSector)
    : layout_(layout), image_(std::size_t(layout.totalSectors) * layout.bytesPerSector, '\0'),
      used_(layout.clusterCount() + 2, false)
{
    if ((layout.clusterCount() + 2) * 3 / 2 > layout.sectorsPerFat * layout.bytesPerSector)
        throw std::invalid_argument("the FAT is too small for the clusters");
    if (bootSector) {
        // The jump MSX-DOS writes, a maker name, then the BIOS parameters.
        const std::string start = "\xEB\xFE\x90QUILLET ";
        image_.replace(0, start.size(), start);
        put16(image_, 0x0B, layout.bytesPerSector);
        image_[0x0D] = static_cast<char>(layout.sectorsPerCluster);
        put16(image_, 0x0E, layout.reservedSectors);
        image_[0x10] = static_cast<char>(layout.fatCount);
        put16(image_, 0x11, layout.rootEntries);
        put16(image_, 0x13, layout.totalSectors);
        image_[0x15] = static_cast<char>(layout.media);
        put16(image_, 0x16, layout.sectorsPerFat);
        put16(image_, 0x18, layout.sectorsPerTrack);
        put16(image_, 0x1A, layout.heads);
        if (layout.bytesPerSector >= 512) // else the FAT starts before it
            put16(image_, 0x1FE, 0xAA55);
    }
    // The first two FAT entries: the media byte, then the end mark.
    setFat(0, 0xF00 | layout.media);
    setFat(1, EndOfChain);
    folders_[""] = Folder{};
}

std::uint64_t FatImageBuilder::clusterOffset(std::uint32_t cluster) const
{
    return (std::uint64_t(layout_.dataSector()) + std::uint64_t(cluster - 2) * layout_.sectorsPerCluster)
           * layout_.bytesPerSector;
}

void FatImageBuilder::setFat(std::uint32_t cluster, std::uint32_t value, int copy)
{
    for (std::uint32_t c = 0; c < layout_.fatCount; ++c) {
        if (copy >= 0 && static_cast<std::uint32_t>(copy) != c)
            continue;
        const std::size_t at =
            std::size_t(layout_.reservedSectors + c * layout_.sectorsPerFat) * layout_.bytesPerSector + cluster * 3 / 2;
        auto b0 = static_cast<std::uint8_t>(image_[at]), b1 = static_cast<std::uint8_t>(image_[at + 1]);
        if (cluster % 2 == 0) {
            b0 = static_cast<std::uint8_t>(value & 0xFF);
            b1 = static_cast<std::uint8_t>((b1 & 0xF0) | ((value >> 8) & 0x0F));
        } else {
            b0 = static_cast<std::uint8_t>((b0 & 0x0F) | ((value & 0x0F) << 4));
            b1 = static_cast<std::uint8_t>((value >> 4) & 0xFF);
        }
        image_[at] = static_cast<char>(b0);
        image_[at + 1] = static_cast<char>(b1);
    }
}

std::uint32_t FatImageBuilder::fat(std::uint32_t cluster, int copy) const
{
    const std::size_t at =
        std::size_t(layout_.reservedSectors + copy * layout_.sectorsPerFat) * layout_.bytesPerSector + cluster * 3 / 2;
    const std::uint32_t pair = static_cast<std::uint8_t>(image_[at]) | static_cast<std::uint8_t>(image_[at + 1]) << 8;
    return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
}

std::uint32_t FatImageBuilder::nextFree()
{
    for (std::uint32_t c = 2; c < used_.size(); ++c) {
        if (!used_[c])
            return c;
    }
    throw std::length_error("the disk is full");
}

void FatImageBuilder::place(const std::vector<std::uint32_t>& clusters, std::string_view contents)
{
    for (std::size_t i = 0; i < clusters.size(); ++i) {
        used_.at(clusters[i]) = true;
        setFat(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : EndOfChain);
        const std::size_t from = i * layout_.clusterBytes();
        if (from < contents.size())
            image_.replace(clusterOffset(clusters[i]),
                           std::min<std::size_t>(layout_.clusterBytes(), contents.size() - from),
                           contents.substr(from, layout_.clusterBytes()));
    }
}

std::string FatImageBuilder::entry(std::string_view name, std::uint8_t attributes, std::uint32_t firstCluster,
                                   std::uint32_t size, FatTime time)
{
    std::string e(32, '\0');
    std::string base(name.substr(0, name.find('.'))), ext;
    if (name.find('.') != std::string_view::npos && name != "." && name != "..")
        ext = std::string(name.substr(name.find('.') + 1));
    else
        base = std::string(name);
    base.resize(8, ' ');
    ext.resize(3, ' ');
    e.replace(0, 8, base);
    e.replace(8, 3, ext);
    e[11] = static_cast<char>(attributes);
    put16(e, 22, std::uint32_t(time.hour << 11 | time.minute << 5 | time.second / 2));
    put16(e, 24, std::uint32_t((time.year - 1980) << 9 | time.month << 5 | time.day));
    put16(e, 26, firstCluster);
    put32(e, 28, size);
    return e;
}

void FatImageBuilder::appendEntry(std::string_view folder, std::string_view entry)
{
    const auto found = folders_.find(folder);
    if (found == folders_.end())
        throw std::invalid_argument("no folder " + std::string(folder));
    Folder& f = found->second;
    std::size_t at;
    if (f.clusters.empty()) {
        if (f.used >= layout_.rootEntries)
            throw std::length_error("the root folder is full");
        at = std::size_t(layout_.rootSector()) * layout_.bytesPerSector + f.used * 32;
    } else {
        const std::size_t perCluster = layout_.clusterBytes() / 32;
        if (f.used >= perCluster * f.clusters.size())
            throw std::length_error("the folder is full");
        at = clusterOffset(f.clusters[f.used / perCluster]) + (f.used % perCluster) * 32;
    }
    image_.replace(at, 32, entry.substr(0, 32));
    ++f.used;
}

std::uint32_t FatImageBuilder::addFile(std::string_view folder, std::string_view name, std::string_view contents,
                                       std::uint8_t attributes, std::vector<std::uint32_t> clusters, FatTime time)
{
    if (clusters.empty()) {
        const std::size_t count = (contents.size() + layout_.clusterBytes() - 1) / layout_.clusterBytes();
        for (std::size_t i = 0; i < count; ++i) {
            clusters.push_back(nextFree());
            used_[clusters.back()] = true;
        }
    }
    place(clusters, contents);
    const std::uint32_t first = clusters.empty() ? 0 : clusters.front();
    appendEntry(folder, entry(name, attributes, first, static_cast<std::uint32_t>(contents.size()), time));
    return first;
}

std::uint32_t FatImageBuilder::addFolder(std::string_view parent, std::string_view name,
                                         std::vector<std::uint32_t> clusters)
{
    if (clusters.empty()) {
        clusters.push_back(nextFree());
        used_[clusters.back()] = true;
    }
    place(clusters, {});
    const std::uint32_t first = clusters.front();
    const std::uint32_t parentCluster = parent.empty() ? 0 : folders_.at(std::string(parent)).clusters.front();
    appendEntry(parent, entry(name, 0x10, first, 0));
    const std::string path = parent.empty() ? std::string(name) : std::string(parent) + "/" + std::string(name);
    folders_[path] = Folder{clusters, 0};
    appendEntry(path, entry(".", 0x10, first, 0));
    appendEntry(path, entry("..", 0x10, parentCluster, 0));
    return first;
}

void FatImageBuilder::addVolumeLabel(std::string_view label)
{
    std::string e = entry("", 0x08, 0, 0);
    std::string name(label);
    name.resize(11, ' ');
    e.replace(0, 11, name);
    appendEntry("", e);
}

void FatImageBuilder::addRawEntry(std::string_view folder, std::string_view entry)
{
    if (entry.size() != 32)
        throw std::invalid_argument("a directory entry is 32 bytes");
    appendEntry(folder, entry);
}

std::string gamesDisk(std::string_view program)
{
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "GAME.BAS", program);
    disk.addFolder("", "PICS");
    disk.addFile("PICS", "TITLE.SC7", std::string("\xFE\0\0\0\0\0\0", 7));
    disk.addFile("", "LOOP.BAS", std::string(program) + std::string(3000, '\0'), FatImageBuilder::Archive,
                 {20, 21, 22});
    disk.setFat(21, 20);
    return disk.bytes();
}

} // namespace quillet::test
