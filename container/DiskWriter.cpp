// SPDX-License-Identifier: MIT
// MSX-DOS disk images written: blank ones as FORMAT leaves them, and files
// and folders put in and taken out through the same layout the reader
// reads by. Only FAT12 disks that read without a fault are written, and
// every change is made on a copy that replaces the image once complete.

#include "container/DiskWriter.h"

#include "common/Errors.h"
#include "common/LittleEndian.h"
#include "common/Utf8.h"
#include "container/FatLayout.h"
#include "container/MemberNames.h"
#include "container/Readers.h"
#include "render/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace quillet {

namespace {

using namespace fat;

constexpr std::uint8_t AttrArchive = 0x20;
constexpr std::uint8_t AttrLongName = 0x0F;
constexpr std::uint32_t EndOfChain = 0xFFF;
constexpr std::uint32_t EndMarks = 0xFF8; // entries from here on end a chain

std::string plural(std::uint64_t count, const char* unit)
{
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// DOS keeps seconds in 2-second steps and years from 1980 to 2107; a date
// outside them is held as the nearest one it can hold.
std::pair<std::uint32_t, std::uint32_t> dosDateTime(const MemberDate& given)
{
    MemberDate d = given;
    if (d.year < 1980)
        d = {1980, 1, 1, 0, 0, 0};
    else if (d.year > 2107)
        d = {2107, 12, 31, 23, 59, 58};
    const std::uint32_t date = (d.year - 1980) << 9 | std::clamp(d.month, 1, 12) << 5 | std::clamp(d.day, 1, 31);
    const std::uint32_t time =
        std::clamp(d.hour, 0, 23) << 11 | std::clamp(d.minute, 0, 59) << 5 | std::clamp(d.second, 0, 59) / 2;
    return {date, time};
}

// How a character is named in a refusal: itself when it can be shown,
// else its code point.
std::string shown(char32_t c)
{
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == ReplacementCharacter) {
        char text[16];
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
        return text;
    }
    std::string out = "\"";
    appendUtf8(out, c);
    return out + "\"";
}

bool refusedInNames(std::uint8_t byte)
{
    // What MSX-DOS takes as the end of a name or as a wildcard.
    return byte <= 0x20 || byte == 0x7F
           || std::string_view("\"*+,./:;<=>?[\\]|").find(static_cast<char>(byte)) != std::string_view::npos;
}

// The code page 932 bytes of one part of a name, cut to `room` bytes
// without splitting a double-byte character.
std::string namePart(std::string_view utf8, std::size_t room, std::string_view name)
{
    std::string out;
    bool full = false;
    for (const char32_t c : decodeUtf8(utf8)) {
        const auto refuse = [&](const std::string& why) {
            throw QuilletError(ErrorKind::BadName, "'" + readableMemberPath(name) + "': " + why);
        };
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            refuse("the control character " + shown(c) + " cannot be in a name");
        if (c == ReplacementCharacter)
            refuse("a byte that is not UTF-8");
        std::optional<std::string> encoded = encodeCp932(c);
        if (!encoded)
            refuse(shown(c) + " has no form in code page 932");
        std::string& bytes = *encoded;
        if (bytes.size() == 1 && refusedInNames(static_cast<std::uint8_t>(bytes[0])))
            refuse(c == ' '   ? std::string("MSX-DOS names hold no blank")
                   : c == '.' ? std::string("\".\" may only part the name from its extension")
                              : shown(c) + (c < 0x80 ? "" : " (the byte \"" + bytes + "\")")
                                    + " is not allowed in MSX-DOS names");
        if (bytes.size() == 1 && bytes[0] >= 'a' && bytes[0] <= 'z')
            bytes[0] = static_cast<char>(bytes[0] - 'a' + 'A');
        // Checked to its end: a refused character past the cut is refused too.
        if (!full && out.size() + bytes.size() <= room)
            out += bytes;
        else
            full = true;
    }
    return out + std::string(room - out.size(), ' ');
}

// Two entry names alike but for the case of ASCII letters; the second byte
// of a double-byte character is compared as it is.
bool sameEntryName(std::string_view a, std::string_view b)
{
    bool trail = false;
    for (std::size_t i = 0; i < 11; ++i) {
        auto x = static_cast<std::uint8_t>(a[i]), y = static_cast<std::uint8_t>(b[i]);
        if (!trail && x >= 'a' && x <= 'z')
            x = x - 'a' + 'A';
        if (!trail && y >= 'a' && y <= 'z')
            y = y - 'a' + 'A';
        if (x != y)
            return false;
        trail = !trail && ((x >= 0x81 && x <= 0x9F) || (x >= 0xE0 && x <= 0xFC)) && i != 7 && i != 10;
    }
    return true;
}

std::vector<std::string> pathParts(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A disk image's layout over its bytes, with what the editing needs.
class Disk {
public:
    struct Folder {
        std::uint32_t cluster = 0; // 0 for the root
        std::vector<std::uint64_t> slots;
    };
    struct Slot {
        std::uint64_t at;
        bool neverUsed; // the entry that ends the folder
    };

    explicit Disk(std::string& bytes) : bytes_(bytes)
    {
        const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                 std::min<std::size_t>(bytes.size(), 4096));
        const std::optional<Geometry> geometry = geometryOf(head);
        if (!geometry)
            throw QuilletError(ErrorKind::NotAContainer, "no boot sector or FAT of a disk image");
        g_ = *geometry;
        // Clusters past what the FAT can chain cannot be given out.
        lastCluster_ = g_.clusterCount() + 1;
        while (lastCluster_ >= 2 && std::uint64_t(lastCluster_) * 3 / 2 + 1 >= g_.fatBytes())
            --lastCluster_;
    }

    const Geometry& geometry() const { return g_; }
    std::uint32_t lastCluster() const { return lastCluster_; }

    std::uint8_t byte(std::uint64_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
    std::uint32_t word(std::uint64_t at) const { return byte(at) | byte(at + 1) << 8; }
    std::uint32_t dword(std::uint64_t at) const { return word(at) | word(at + 2) << 16; }
    std::string_view entryName(std::uint64_t at) const { return std::string_view(bytes_).substr(at, 11); }

    std::uint32_t fat(std::uint32_t cluster) const
    {
        const std::uint64_t at = g_.fatOffset(0) + std::uint64_t(cluster) * 3 / 2;
        const std::uint32_t pair = word(at);
        return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
    }

    void setFat(std::uint32_t cluster, std::uint32_t value)
    {
        for (std::uint32_t copy = 0; copy < g_.fatCount; ++copy) {
            const std::uint64_t at = g_.fatOffset(copy) + std::uint64_t(cluster) * 3 / 2;
            const std::uint32_t pair = word(at);
            storeLe16(bytes_, at, cluster % 2 == 0 ? (pair & 0xF000) | value : (pair & 0x000F) | value << 4);
        }
    }

    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        return (g_.dataSector() + std::uint64_t(cluster - 2) * g_.sectorsPerCluster) * g_.bytesPerSector;
    }

    // The chain from `first` to its end mark; nullopt when it loops, leaves
    // the clusters or meets one of `taken` (which it then marks).
    std::optional<std::vector<std::uint32_t>> chain(std::uint32_t first, std::vector<bool>* taken = nullptr) const
    {
        std::vector<std::uint32_t> clusters;
        std::vector<bool> passed(lastCluster_ + 1, false);
        for (std::uint32_t cluster = first; cluster < EndMarks; cluster = fat(cluster)) {
            if (cluster < 2 || cluster > lastCluster_ || passed[cluster] || (taken && (*taken)[cluster]))
                return std::nullopt;
            passed[cluster] = true;
            if (taken)
                (*taken)[cluster] = true;
            clusters.push_back(cluster);
        }
        return clusters;
    }

    void freeChain(std::uint32_t first)
    {
        for (const std::uint32_t cluster : chain(first).value_or(std::vector<std::uint32_t>{}))
            setFat(cluster, 0);
    }

    std::vector<std::uint32_t> freeClusters() const
    {
        std::vector<std::uint32_t> clusters;
        for (std::uint32_t cluster = 2; cluster <= lastCluster_; ++cluster) {
            if (fat(cluster) == 0)
                clusters.push_back(cluster);
        }
        return clusters;
    }

    Folder folderAt(std::uint32_t cluster) const
    {
        Folder folder;
        folder.cluster = cluster;
        if (cluster == 0) {
            for (std::uint32_t i = 0; i < g_.rootEntries; ++i)
                folder.slots.push_back(g_.rootOffset() + std::uint64_t(i) * EntrySize);
            return folder;
        }
        for (const std::uint32_t c : chain(cluster).value_or(std::vector<std::uint32_t>{})) {
            for (std::uint64_t at = 0; at < g_.clusterBytes(); at += EntrySize)
                folder.slots.push_back(clusterOffset(c) + at);
        }
        return folder;
    }

    // The entries of files and folders, in order, without "." and "..".
    std::vector<std::uint64_t> entries(const Folder& folder) const
    {
        std::vector<std::uint64_t> found;
        for (const std::uint64_t at : folder.slots) {
            if (byte(at) == 0x00)
                break;
            if (byte(at) == DeletedMark || (byte(at + 11) & AttrVolume))
                continue;
            const std::string_view name = entryName(at);
            if (name == ".          " || name == "..         ")
                continue;
            found.push_back(at);
        }
        return found;
    }

    std::optional<std::uint64_t> findListed(const Folder& folder, std::string_view name) const
    {
        const std::string wanted = foldCase(name);
        for (const std::uint64_t at : entries(folder)) {
            if (foldCase(entryNameText(entryName(at))) == wanted)
                return at;
        }
        return std::nullopt;
    }

    std::optional<std::uint64_t> findEntry(const Folder& folder, std::string_view entryName) const
    {
        for (const std::uint64_t at : entries(folder)) {
            if (sameEntryName(this->entryName(at), entryName))
                return at;
        }
        return std::nullopt;
    }

    // The folder at "A/B", matched as the reader's paths are.
    Folder folder(std::string_view path) const
    {
        Folder current = folderAt(0);
        for (const std::string& part : pathParts(path)) {
            const std::optional<std::uint64_t> at = findListed(current, part);
            if (!at || !(byte(*at + 11) & AttrDirectory))
                throw QuilletError(ErrorKind::UnknownMember, at ? part + " is a file, not a folder"
                                                                : "no folder " + std::string(path) + " on the disk");
            current = folderAt(word(*at + 26));
        }
        return current;
    }

    // The first entry free to take: a deleted one, or the one that ends the folder.
    std::optional<Slot> freeSlot(const Folder& folder) const
    {
        for (const std::uint64_t at : folder.slots) {
            if (byte(at) == 0x00)
                return Slot{at, true};
            if (byte(at) == DeletedMark)
                return Slot{at, false};
        }
        return std::nullopt;
    }

    // Takes the slot for a new entry; the one after an end entry becomes
    // the end, so that no stale entry past it comes to light.
    void takeSlot(const Folder& folder, const Slot& slot)
    {
        const auto here = std::find(folder.slots.begin(), folder.slots.end(), slot.at);
        if (slot.neverUsed && here != folder.slots.end() && here + 1 != folder.slots.end())
            bytes_[*(here + 1)] = 0x00;
    }

    // A new cluster at the end of a sub-folder, its entries never used.
    std::uint64_t growFolder(Folder& folder, std::uint32_t cluster)
    {
        const std::vector<std::uint32_t> clusters = chain(folder.cluster).value_or(std::vector<std::uint32_t>{});
        setFat(clusters.back(), cluster);
        setFat(cluster, EndOfChain);
        clearCluster(cluster);
        const std::uint64_t first = clusterOffset(cluster);
        for (std::uint64_t at = 0; at < g_.clusterBytes(); at += EntrySize)
            folder.slots.push_back(first + at);
        return first;
    }

    void clearCluster(std::uint32_t cluster)
    {
        std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(clusterOffset(cluster)), g_.clusterBytes(), '\0');
    }

    // Writes `data` into `clusters` and chains them.
    void store(const std::vector<std::uint32_t>& clusters, std::string_view data)
    {
        for (std::size_t i = 0; i < clusters.size(); ++i) {
            clearCluster(clusters[i]);
            const std::string_view part =
                data.substr(std::min<std::uint64_t>(i * g_.clusterBytes(), data.size()), g_.clusterBytes());
            std::copy(part.begin(), part.end(),
                      bytes_.begin() + static_cast<std::ptrdiff_t>(clusterOffset(clusters[i])));
            setFat(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : EndOfChain);
        }
    }

    void writeEntry(std::uint64_t at, std::string_view name, std::uint8_t attributes, std::uint32_t cluster,
                    std::uint32_t size, const MemberDate& date)
    {
        std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at), EntrySize, '\0');
        bytes_.replace(at, 11, name);
        bytes_[at + 11] = static_cast<char>(attributes);
        const auto [dosDate, dosTime] = dosDateTime(date);
        storeLe16(bytes_, at + 22, dosTime);
        storeLe16(bytes_, at + 24, dosDate);
        storeLe16(bytes_, at + 26, cluster);
        storeLe32(bytes_, at + 28, size);
    }

    void markDeleted(const Folder& folder, std::uint64_t at)
    {
        bytes_[at] = static_cast<char>(DeletedMark);
        // The long name written before it by other systems goes with it.
        auto here = std::find(folder.slots.begin(), folder.slots.end(), at);
        while (here != folder.slots.begin()) {
            --here;
            if (byte(*here) == DeletedMark || byte(*here) == 0x00 || byte(*here + 11) != AttrLongName)
                break;
            bytes_[*here] = static_cast<char>(DeletedMark);
        }
    }

    // Checks every chain the folders reach to its end mark: none loops,
    // leaves the disk or holds a cluster another one holds.
    void checkChains(const Folder& folder, const std::string& prefix, std::vector<bool>& taken, int depth) const
    {
        for (const std::uint64_t at : entries(folder)) {
            const std::string path = prefix + entryNameText(entryName(at));
            const std::uint32_t first = word(at + 26);
            const bool isFolder = byte(at + 11) & AttrDirectory;
            if (!isFolder && dword(at + 28) == 0)
                continue; // an empty file holds no cluster
            const std::optional<std::vector<std::uint32_t>> clusters = chain(first, &taken);
            if (!clusters || (!isFolder && clusters->size() * g_.clusterBytes() < dword(at + 28)))
                throw QuilletError(ErrorKind::NotWritable,
                                   path
                                       + (clusters && chain(first) ? ": its cluster chain is shorter than the file"
                                          : chain(first)           ? ": its cluster chain shares clusters with another"
                                                                     " file or folder"
                                                                   : ": its cluster chain loops or leaves the disk"));
            if (isFolder) {
                // A folder without a cluster has nowhere to hold its "." and "..".
                if (clusters->empty())
                    throw QuilletError(ErrorKind::NotWritable, path + ": a folder with no cluster");
                if (depth >= MaxFolderDepth)
                    throw QuilletError(ErrorKind::NotWritable, path + ": folders nested deeper than MSX-DOS reaches");
                checkChains(folderAt(first), path + "/", taken, depth + 1);
            }
        }
    }

private:
    std::string& bytes_;
    Geometry g_{};
    std::uint32_t lastCluster_ = 0;
};

bool sameGeometry(const Geometry& a, const Geometry& b)
{
    return a.bytesPerSector == b.bytesPerSector && a.sectorsPerCluster == b.sectorsPerCluster
           && a.reservedSectors == b.reservedSectors && a.fatCount == b.fatCount && a.rootEntries == b.rootEntries
           && a.totalSectors == b.totalSectors && a.sectorsPerFat == b.sectorsPerFat && a.media == b.media;
}

std::string missingMessage(std::uint64_t missing, std::uint64_t free)
{
    return plural(missing, "byte") + " more than the disk has free (" + plural(free, "byte") + ")";
}

} // namespace

std::string blankDiskImage(DiskFormat format)
{
    const bool twoSides = format == DiskFormat::DoubleSided720;
    const std::uint8_t media = twoSides ? 0xF9 : 0xF8;
    const Geometry g = *mediaGeometry(media);
    std::string image(g.imageBytes(), '\0');
    // A jump over the parameters, which MSX-DOS does not take: the disk ROM
    // calls the boot code at 1Eh, and a RET there starts Disk BASIC.
    image.replace(0, 3, "\xEB\xFE\x90");
    image.replace(3, 8, "QUILLET ");
    storeLe16(image, 0x0B, g.bytesPerSector);
    image[0x0D] = static_cast<char>(g.sectorsPerCluster);
    storeLe16(image, 0x0E, g.reservedSectors);
    image[0x10] = static_cast<char>(g.fatCount);
    storeLe16(image, 0x11, g.rootEntries);
    storeLe16(image, 0x13, g.totalSectors);
    image[0x15] = static_cast<char>(media);
    storeLe16(image, 0x16, g.sectorsPerFat);
    storeLe16(image, 0x18, 9);                // sectors a track
    storeLe16(image, 0x1A, twoSides ? 2 : 1); // heads
    image[0x1E] = '\xC9';                     // RET
    image.replace(0x1FE, 2, "\x55\xAA");
    for (std::uint32_t copy = 0; copy < g.fatCount; ++copy)
        image.replace(g.fatOffset(copy), 3, std::string{static_cast<char>(media), '\xFF', '\xFF'});
    return image;
}

std::string msxDosName(std::string_view name)
{
    if (name.empty())
        throw QuilletError(ErrorKind::BadName, "an empty name");
    if (name.front() == '.')
        throw QuilletError(ErrorKind::BadName, "'" + readableMemberPath(name) + "': a name cannot start with \".\"");
    const std::size_t dot = name.rfind('.');
    std::string entry = namePart(name.substr(0, dot), 8, name);
    entry += namePart(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1), 3, name);
    if (static_cast<std::uint8_t>(entry[0]) == DeletedMark)
        entry[0] = static_cast<char>(KanjiE5Stand);
    return entry;
}

std::string msxDosNameText(std::string_view entryName)
{
    return entryName.size() == 11 ? entryNameText(entryName) : readableMemberPath(entryName);
}

DiskEditor::DiskEditor(std::string image) : image_(std::move(image))
{
    Disk disk(image_); // NotAContainer for no disk at all
    const Geometry& g = disk.geometry();
    if (g.fat16())
        throw QuilletError(ErrorKind::NotWritable, "FAT16 disks are not written, only the FAT12 disks of MSX-DOS");
    const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(image_.data()),
                                             std::min<std::size_t>(image_.size(), 4096));
    const std::optional<Geometry> boot = bootSectorGeometry(head);
    if (boot && !sameGeometry(*boot, g))
        throw QuilletError(ErrorKind::NotWritable, "the boot sector and the FAT's media byte describe different disks");
    if (!boot && image_.size() != g.imageBytes())
        throw QuilletError(ErrorKind::NotWritable,
                           "no sound boot sector, and the image's size is not that of its media byte's layout");

    const std::unique_ptr<Container> read = openDiskImage(image_);
    if (!read->problems().empty())
        throw QuilletError(ErrorKind::NotWritable, "the disk is damaged: " + read->problems().front());
    for (const MemberInfo& member : read->members()) {
        if (member.status != MemberStatus::Ok)
            throw QuilletError(ErrorKind::NotWritable,
                               member.path + ": " + std::string(memberStatusText(member.status)));
    }
    std::vector<bool> taken(disk.lastCluster() + 1, false);
    disk.checkChains(disk.folderAt(0), "", taken, 0);
}

void DiskEditor::put(std::string_view folderPath, std::string_view name, std::string_view bytes, const MemberDate& date)
{
    const std::string entryName = msxDosName(name);
    const std::string shownName = entryNameText(entryName);
    std::string work = image_;
    Disk disk(work);
    Disk::Folder folder = disk.folder(folderPath);
    const std::optional<std::uint64_t> old = disk.findEntry(folder, entryName);
    std::uint8_t attributes = AttrArchive;
    if (old) {
        if (disk.byte(*old + 11) & AttrDirectory)
            throw QuilletError(ErrorKind::NameTaken, shownName + " is a folder");
        // A replaced file keeps its place, and is hidden or read-only as it was.
        attributes = static_cast<std::uint8_t>(attributes | (disk.byte(*old + 11) & 0x07));
        if (disk.dword(*old + 28) != 0)
            disk.freeChain(disk.word(*old + 26));
    }
    const std::optional<Disk::Slot> slot = old ? Disk::Slot{*old, false} : disk.freeSlot(folder);
    if (!slot && folder.cluster == 0)
        throw QuilletError(ErrorKind::DiskFull, "the root folder holds no more entries");

    const std::uint64_t clusterBytes = disk.geometry().clusterBytes();
    const std::uint64_t needed = (bytes.size() + clusterBytes - 1) / clusterBytes;
    const std::uint64_t grow = slot ? 0 : 1;
    std::vector<std::uint32_t> free = disk.freeClusters();
    if (bytes.size() > 0xFFFFFFFFu || free.size() < needed + grow)
        throw QuilletError(ErrorKind::DiskFull,
                           shownName + " needs "
                               + missingMessage(bytes.size() + grow * clusterBytes - free.size() * clusterBytes,
                                                free.size() * clusterBytes));
    Disk::Slot at = slot ? *slot : Disk::Slot{disk.growFolder(folder, free.front()), false};
    if (slot)
        disk.takeSlot(folder, at);
    const auto first = free.begin() + static_cast<std::ptrdiff_t>(grow);
    const std::vector<std::uint32_t> clusters(first, first + static_cast<std::ptrdiff_t>(needed));
    disk.store(clusters, bytes);
    disk.writeEntry(at.at, entryName, attributes, clusters.empty() ? 0 : clusters.front(),
                    static_cast<std::uint32_t>(bytes.size()), date);
    image_.swap(work);
}

void DiskEditor::remove(std::string_view path)
{
    std::vector<std::string> parts = pathParts(path);
    if (parts.empty())
        throw QuilletError(ErrorKind::UnknownMember, "no member named '" + std::string(path) + "'");
    std::string work = image_;
    Disk disk(work);
    const std::string name = parts.back();
    parts.pop_back();
    std::string parent;
    for (const std::string& part : parts)
        parent += part + "/";
    const Disk::Folder folder = disk.folder(parent);
    const std::optional<std::uint64_t> at = disk.findListed(folder, name);
    if (!at)
        throw QuilletError(ErrorKind::UnknownMember, std::string(path));
    if (disk.byte(*at + 11) & AttrDirectory) {
        if (!disk.entries(disk.folderAt(disk.word(*at + 26))).empty())
            throw QuilletError(ErrorKind::NotWritable, std::string(path) + ": the folder is not empty");
        disk.freeChain(disk.word(*at + 26));
    } else if (disk.dword(*at + 28) != 0) {
        disk.freeChain(disk.word(*at + 26));
    }
    disk.markDeleted(folder, *at);
    image_.swap(work);
}

void DiskEditor::makeFolder(std::string_view path, const MemberDate& date)
{
    std::vector<std::string> parts = pathParts(path);
    if (parts.empty())
        throw QuilletError(ErrorKind::BadName, "an empty name");
    const std::string entryName = msxDosName(parts.back());
    const std::string shownName = entryNameText(entryName);
    parts.pop_back();
    std::string parent;
    for (const std::string& part : parts)
        parent += part + "/";
    std::string work = image_;
    Disk disk(work);
    Disk::Folder folder = disk.folder(parent);
    if (disk.findEntry(folder, entryName))
        throw QuilletError(ErrorKind::NameTaken, parent + shownName + " is there already");
    const std::optional<Disk::Slot> slot = disk.freeSlot(folder);
    if (!slot && folder.cluster == 0)
        throw QuilletError(ErrorKind::DiskFull, "the root folder holds no more entries");
    const std::uint64_t grow = slot ? 0 : 1;
    const std::vector<std::uint32_t> free = disk.freeClusters();
    const std::uint64_t clusterBytes = disk.geometry().clusterBytes();
    if (free.size() < 1 + grow)
        throw QuilletError(ErrorKind::DiskFull,
                           "the folder " + shownName + " needs "
                               + missingMessage((1 + grow - free.size()) * clusterBytes, free.size() * clusterBytes));
    Disk::Slot at = slot ? *slot : Disk::Slot{disk.growFolder(folder, free.front()), false};
    if (slot)
        disk.takeSlot(folder, at);
    const std::uint32_t cluster = free[grow];
    disk.clearCluster(cluster);
    disk.setFat(cluster, EndOfChain);
    const std::uint64_t inside = disk.clusterOffset(cluster);
    disk.writeEntry(inside, ".          ", AttrDirectory, cluster, 0, date);
    disk.writeEntry(inside + EntrySize, "..         ", AttrDirectory, folder.cluster, 0, date);
    disk.writeEntry(at.at, entryName, AttrDirectory, cluster, 0, date);
    image_.swap(work);
}

} // namespace quillet
