// SPDX-License-Identifier: MIT
// FAT12 and FAT16 disk images as MSX-DOS 1 and 2 write them, read from
// memory. The geometry comes from the boot sector when it holds a sound
// one, else from the media byte at the start of the FAT, as MSX-DOS 1 reads
// its disks.

#include "common/Errors.h"
#include "container/FatLayout.h"
#include "container/MemberNames.h"
#include "container/Readers.h"
#include "document/Kinds.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

namespace {

using namespace fat;

bool hasDiskImageName(std::string_view name)
{
    const std::string folded = foldCase(name);
    for (std::string_view suffix : {".DSK", ".DI1", ".DI2"}) {
        if (folded.size() >= suffix.size() && folded.compare(folded.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

class DiskImage final : public Container {
public:
    DiskImage(std::string bytes, const Geometry& geometry, WorkBudget& budget);

protected:
    std::string readMember(std::size_t index) const override;

private:
    struct Chain {
        std::vector<std::uint32_t> clusters;
        MemberStatus status = MemberStatus::Ok;
    };

    std::span<const std::uint8_t> image() const
    {
        return {reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size()};
    }
    std::optional<std::uint32_t> fatEntry(std::uint32_t copy, std::uint32_t cluster) const;
    Chain follow(std::uint32_t copy, std::uint32_t first, std::optional<std::uint64_t> size) const;
    Chain chainOf(std::uint32_t first, std::optional<std::uint64_t> size) const;
    std::string gather(const std::vector<std::uint32_t>& clusters, std::uint64_t size) const;
    void readDirectory(std::string_view entries, const std::string& prefix, int depth, WorkBudget& budget);
    void list(MemberInfo info, std::vector<std::uint32_t> clusters, WorkBudget& budget);
    // Marks the clusters taken; false when one of them was taken before.
    bool claim(const std::vector<std::uint32_t>& clusters);

    std::string bytes_;
    Geometry g_;
    std::uint32_t maxCluster_;
    std::uint32_t endMark_; // entries from here on end a chain
    std::uint32_t fatCopies_;
    bool fatsAgree_ = true;
    std::vector<bool> directoryClusters_; // every cluster read as a folder
    std::vector<bool> takenClusters_;     // every cluster of a folder or a readable file
    bool crossLinked_ = false;
    std::vector<std::vector<std::uint32_t>> chains_; // per member
};

DiskImage::DiskImage(std::string bytes, const Geometry& geometry, WorkBudget& budget)
    : Container(ContainerKind::DiskImage), bytes_(std::move(bytes)), g_(geometry)
{
    maxCluster_ = g_.clusterCount() + 1;
    endMark_ = g_.fat16() ? 0xFFF8 : 0xFF8;
    directoryClusters_.assign(maxCluster_ + 1, false);
    takenClusters_.assign(maxCluster_ + 1, false);

    if (bytes_.size() < g_.imageBytes())
        problems_.push_back("the image ends after " + std::to_string(bytes_.size()) + " of its "
                            + std::to_string(g_.imageBytes()) + " bytes");
    // Copies wholly outside the image are no copies at all.
    fatCopies_ = 0;
    while (fatCopies_ < g_.fatCount && g_.fatOffset(fatCopies_) < bytes_.size())
        ++fatCopies_;
    for (std::uint32_t copy = 1; copy < fatCopies_; ++copy) {
        const std::string_view view(bytes_);
        const auto a = view.substr(g_.fatOffset(0), g_.fatBytes());
        const auto b = view.substr(g_.fatOffset(copy), g_.fatBytes());
        // A copy cut by the image's end is compared as far as it goes.
        const std::size_t length = std::min(a.size(), b.size());
        if (a.substr(0, length) != b.substr(0, length))
            fatsAgree_ = false;
    }
    if (!fatsAgree_)
        problems_.push_back("the FAT copies disagree");

    const std::string_view root = std::string_view(bytes_).substr(
        std::min<std::uint64_t>(g_.rootOffset(), bytes_.size()), std::uint64_t(g_.rootEntries) * EntrySize);
    if (root.size() < std::uint64_t(g_.rootEntries) * EntrySize)
        problems_.push_back("the root folder is cut short");
    readDirectory(root, "", 0, budget);
    if (crossLinked_)
        problems_.push_back("files share clusters (a cross-linked FAT): each cluster is read for its first file only");
    settleMemberPaths();
}

bool DiskImage::claim(const std::vector<std::uint32_t>& clusters)
{
    if (std::any_of(clusters.begin(), clusters.end(), [&](std::uint32_t c) { return takenClusters_[c]; })) {
        crossLinked_ = true;
        return false;
    }
    for (const std::uint32_t c : clusters)
        takenClusters_[c] = true;
    return true;
}

void DiskImage::list(MemberInfo info, std::vector<std::uint32_t> clusters, WorkBudget& budget)
{
    budget.spendMembers(1);
    members_.push_back(std::move(info));
    chains_.push_back(std::move(clusters));
}

std::optional<std::uint32_t> DiskImage::fatEntry(std::uint32_t copy, std::uint32_t cluster) const
{
    const std::uint64_t offset = g_.fat16() ? std::uint64_t(cluster) * 2 : std::uint64_t(cluster) * 3 / 2;
    const std::uint64_t at = g_.fatOffset(copy) + offset;
    if (offset + 1 >= g_.fatBytes() || at + 1 >= bytes_.size())
        return std::nullopt;
    const std::uint32_t pair = le16(image(), at);
    if (g_.fat16())
        return pair;
    return cluster % 2 == 0 ? pair & 0xFFF : pair >> 4;
}

// The clusters holding `size` bytes (a file), or up to the end mark (a
// folder, size nullopt), by one FAT copy.
DiskImage::Chain DiskImage::follow(std::uint32_t copy, std::uint32_t first, std::optional<std::uint64_t> size) const
{
    Chain chain;
    if (size && *size == 0)
        return chain;
    std::vector<bool> passed(maxCluster_ + 1, false);
    std::uint64_t gathered = 0;
    std::uint32_t cluster = first;
    for (;;) {
        if (cluster < 2 || cluster > maxCluster_) {
            // Bytes with no cluster at all are a chain too short, not a wrong one.
            if (cluster < endMark_ && !(cluster == 0 && chain.clusters.empty()))
                chain.status = MemberStatus::ChainLeavesDisk;
            else if (size)
                chain.status = MemberStatus::ChainTooShort;
            return chain;
        }
        if (passed[cluster]) {
            chain.status = MemberStatus::ChainLoops;
            return chain;
        }
        passed[cluster] = true;
        chain.clusters.push_back(cluster);
        const std::uint64_t start =
            (g_.dataSector() + std::uint64_t(cluster - 2) * g_.sectorsPerCluster) * g_.bytesPerSector;
        const std::uint64_t wanted = size ? std::min(g_.clusterBytes(), *size - gathered) : g_.clusterBytes();
        if (start + wanted > bytes_.size()) {
            chain.status = MemberStatus::PastImageEnd;
            return chain;
        }
        gathered += wanted;
        if (size && gathered >= *size)
            return chain;
        const std::optional<std::uint32_t> next = fatEntry(copy, cluster);
        if (!next) {
            chain.status = MemberStatus::ChainLeavesDisk;
            return chain;
        }
        cluster = *next;
    }
}

// The chain by the first FAT copy that gives a sound one; marked when the
// copies tell it differently.
DiskImage::Chain DiskImage::chainOf(std::uint32_t first, std::optional<std::uint64_t> size) const
{
    std::vector<Chain> chains;
    for (std::uint32_t copy = 0; copy < std::max<std::uint32_t>(fatCopies_, 1); ++copy) {
        chains.push_back(follow(copy, first, size));
        if (fatsAgree_)
            break;
    }
    const auto sound =
        std::find_if(chains.begin(), chains.end(), [](const Chain& c) { return c.status == MemberStatus::Ok; });
    Chain chosen = sound != chains.end() ? *sound : chains.front();
    if (chosen.status == MemberStatus::Ok) {
        for (const Chain& other : chains) {
            if (other.status != MemberStatus::Ok || other.clusters != chosen.clusters)
                chosen.status = MemberStatus::FatCopiesDisagree;
        }
    }
    return chosen;
}

std::string DiskImage::gather(const std::vector<std::uint32_t>& clusters, std::uint64_t size) const
{
    std::string out;
    out.reserve(std::min<std::uint64_t>(size, clusters.size() * g_.clusterBytes()));
    for (const std::uint32_t cluster : clusters) {
        if (out.size() >= size)
            break;
        const std::uint64_t start =
            (g_.dataSector() + std::uint64_t(cluster - 2) * g_.sectorsPerCluster) * g_.bytesPerSector;
        if (start >= bytes_.size())
            break;
        const std::uint64_t length = std::min({g_.clusterBytes(), size - out.size(), bytes_.size() - start});
        out.append(bytes_, start, length);
    }
    return out;
}

void DiskImage::readDirectory(std::string_view entries, const std::string& prefix, int depth, WorkBudget& budget)
{
    const auto* base = reinterpret_cast<const std::uint8_t*>(entries.data());
    for (std::size_t at = 0; at + EntrySize <= entries.size(); at += EntrySize) {
        const std::span<const std::uint8_t> entry(base + at, EntrySize);
        if (entry[0] == 0x00)
            break; // no entry was ever used from here on
        if (entry[0] == DeletedMark || (entry[11] & AttrVolume))
            continue;
        const std::string_view stored(reinterpret_cast<const char*>(entry.data()), 11);
        if (stored.substr(0, 8) == ".       " || stored.substr(0, 8) == "..      ")
            continue;
        const std::string name = entryNameText(stored);

        MemberInfo info;
        info.path = prefix + name;
        const std::uint32_t first = le16(entry, 26);
        const std::uint32_t time = le16(entry, 22), date = le16(entry, 24);
        const int month = (date >> 5) & 0x0F, day = date & 0x1F;
        if (date != 0 && month >= 1 && month <= 12 && day >= 1)
            info.date = MemberDate{1980 + static_cast<int>(date >> 9),
                                   month,
                                   day,
                                   static_cast<int>(time >> 11),
                                   static_cast<int>((time >> 5) & 0x3F),
                                   static_cast<int>((time & 0x1F) * 2)};

        if (entry[11] & AttrDirectory) {
            // Listed before what it holds, as MSX-DOS 2's DIR shows it.
            info.kind = MemberKind::Folder;
            const bool seen = first >= 2 && first <= maxCluster_ && directoryClusters_[first];
            if (first == 0 || seen || depth >= MaxFolderDepth) {
                info.status = depth >= MaxFolderDepth ? MemberStatus::FoldersTooDeep : MemberStatus::DirectoryLoop;
                list(std::move(info), {}, budget);
                continue;
            }
            Chain chain = chainOf(first, std::nullopt);
            // A folder needs a cluster for its "." and "..", even when empty.
            if (chain.clusters.empty() && chain.status == MemberStatus::Ok)
                chain.status = MemberStatus::ChainLeavesDisk;
            // Clusters another folder holds would be read twice: the
            // folder stops before them.
            const auto shared = std::find_if(chain.clusters.begin(), chain.clusters.end(),
                                             [&](std::uint32_t c) { return directoryClusters_[c]; });
            if (shared != chain.clusters.end()) {
                chain.clusters.erase(shared, chain.clusters.end());
                chain.status = MemberStatus::DirectoryLoop;
            }
            // Nor is a file's cluster read as a folder.
            const auto filed = std::find_if(chain.clusters.begin(), chain.clusters.end(),
                                            [&](std::uint32_t c) { return takenClusters_[c]; });
            if (filed != chain.clusters.end()) {
                chain.clusters.erase(filed, chain.clusters.end());
                chain.status = MemberStatus::SharedClusters;
                crossLinked_ = true;
            }
            for (const std::uint32_t c : chain.clusters)
                directoryClusters_[c] = takenClusters_[c] = true;
            if (chain.status != MemberStatus::Ok && chain.status != MemberStatus::FatCopiesDisagree)
                info.status = chain.status;
            list(info, {}, budget);
            const std::string contents = gather(chain.clusters, chain.clusters.size() * g_.clusterBytes());
            readDirectory(contents, info.path + "/", depth + 1, budget);
            continue;
        }

        info.size = le32(entry, 28);
        Chain chain;
        if (info.size > MaxMemberSize)
            info.status = MemberStatus::TooLarge;
        else {
            chain = chainOf(first, info.size);
            info.status = chain.status;
            // Each cluster is read for one file only, or cross-linked
            // entries would make one chain into thousands of files.
            if (isReadable(info.status) && !claim(chain.clusters))
                info.status = MemberStatus::SharedClusters;
        }
        // The kind from what can be read, even of a damaged member.
        info.kind = memberKindOf(gather(chain.clusters, std::min<std::uint64_t>(info.size, ContainerHeadSize)),
                                 info.size, info.path);
        list(std::move(info), std::move(chain.clusters), budget);
    }
}

std::string DiskImage::readMember(std::size_t index) const
{
    return gather(chains_[index], members_[index].size);
}

} // namespace

bool looksLikeDiskImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name)
{
    if (const std::optional<Geometry> boot = bootSectorGeometry(head)) {
        if (fatSignatureAt(head, boot->fatOffset(0)))
            return true;
        // A FAT past the head, or one whose first bytes are damaged.
        if (hasDiskImageName(name))
            return true;
    }
    if (head.size() < 515 || !fatSignatureAt(head, 512))
        return false;
    const std::optional<Geometry> media = mediaGeometry(head[512]);
    if (!media)
        return false;
    if (size == media->imageBytes())
        return true;
    // A cut image still holds its root folder; only its name says it is one.
    return hasDiskImageName(name) && size >= std::uint64_t(media->dataSector()) * 512 && size < media->imageBytes();
}

std::unique_ptr<Container> openDiskImage(std::string bytes)
{
    WorkBudget budget;
    return openDiskImage(std::move(bytes), budget);
}

std::unique_ptr<Container> openDiskImage(std::string bytes, WorkBudget& budget)
{
    const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             std::min<std::size_t>(bytes.size(), ContainerHeadSize));
    const std::optional<Geometry> geometry = geometryOf(head);
    if (!geometry)
        throw QuilletError(ErrorKind::NotAContainer, "no boot sector or FAT of a disk image");
    return std::make_unique<DiskImage>(std::move(bytes), *geometry, budget);
}

} // namespace quillet
