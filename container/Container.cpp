// SPDX-License-Identifier: MIT
#include "container/Container.h"

#include "common/Errors.h"
#include "common/Utf8.h"
#include "container/MemberNames.h"
#include "container/Readers.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <set>

namespace quillet {

std::string_view memberKindName(MemberKind kind)
{
    switch (kind) {
    case MemberKind::Basic: return "basic";
    case MemberKind::Text: return "text";
    case MemberKind::Bsave: return "bsave";
    case MemberKind::BsaveBinary: return "BSAVE binary";
    case MemberKind::Container: return "container";
    case MemberKind::Other: return "other";
    case MemberKind::Folder: return "folder";
    }
    return "other";
}

MemberKind memberKindOf(std::string_view head, std::uint64_t size, std::string_view name)
{
    head = head.substr(0, std::min<std::uint64_t>({head.size(), size, ContainerHeadSize}));
    if (containerKindOf(head, size, name))
        return MemberKind::Container;
    if (head.empty())
        return MemberKind::Text; // opens as an empty listing
    switch (documentKindOf(head, size, name)) {
    case DocumentKind::TokenizedBasic: return MemberKind::Basic;
    case DocumentKind::BsaveImage:
    case DocumentKind::GraphSaurusImage:
    case DocumentKind::CopiedImage: return MemberKind::Bsave;
    case DocumentKind::BsaveBinary: return MemberKind::BsaveBinary;
    case DocumentKind::Binary: return MemberKind::Other;
    case DocumentKind::AsciiText: break;
    }
    // What opens as a listing is listed as text.
    return MemberKind::Text;
}

namespace {

std::string sizeText(std::uint64_t bytes)
{
    constexpr std::uint64_t MB = 1024 * 1024;
    return bytes % MB == 0 ? std::to_string(bytes / MB) + " MB" : std::to_string(bytes) + " bytes";
}

} // namespace

void WorkBudget::spendMembers(std::uint64_t count)
{
    members_ += count;
    if (members_ > limits_.maxMembers)
        throw QuilletError(ErrorKind::WorkLimitReached, "more than " + std::to_string(limits_.maxMembers)
                                                            + " members (the limit is raised with --max-members)");
}

void WorkBudget::spendBytes(std::uint64_t count)
{
    bytes_ += count;
    if (bytes_ > limits_.maxTotalSize)
        throw QuilletError(ErrorKind::WorkLimitReached, "more than " + sizeText(limits_.maxTotalSize)
                                                            + " unpacked (the limit is raised with --max-total-size)");
}

bool isReadable(MemberStatus status)
{
    return status == MemberStatus::Ok || status == MemberStatus::FatCopiesDisagree;
}

std::string_view memberStatusText(MemberStatus status)
{
    switch (status) {
    case MemberStatus::Ok: return "";
    case MemberStatus::FatCopiesDisagree: return "the FAT copies disagree: read by the one whose chain holds";
    case MemberStatus::TooLarge: return "over 16 MB: not opened";
    case MemberStatus::ChainLoops: return "damaged: the cluster chain loops";
    case MemberStatus::ChainLeavesDisk: return "damaged: the cluster chain leads off the disk's clusters";
    case MemberStatus::ChainTooShort: return "damaged: the size is larger than the cluster chain";
    case MemberStatus::PastImageEnd: return "damaged: clusters past the end of the image";
    case MemberStatus::DirectoryLoop: return "damaged: a folder that contains itself";
    case MemberStatus::SharedClusters: return "damaged: its clusters belong to another file too";
    case MemberStatus::FoldersTooDeep: return "damaged: folders nested too deep";
    case MemberStatus::CutShort: return "damaged: the tape ends before the file does";
    case MemberStatus::BadHeader: return "damaged: the end address lies before the start address";
    case MemberStatus::Unreadable: return "damaged: cannot be unpacked";
    }
    return "damaged";
}

namespace {

bool namesFold(ContainerKind kind)
{
    return kind == ContainerKind::DiskImage || kind == ContainerKind::CassetteImage;
}

} // namespace

std::optional<std::size_t> Container::find(std::string_view path) const
{
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (members_[i].path == path)
            return i;
    }
    const std::string folded = foldCase(path);
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (foldCase(members_[i].path) != folded)
            continue;
        // Archives may hold names that differ only in case: then none fits.
        if (found)
            return std::nullopt;
        found = i;
    }
    return found;
}

std::string Container::read(std::size_t index) const
{
    const MemberInfo& info = members_.at(index);
    if (info.status == MemberStatus::TooLarge)
        throw QuilletError(ErrorKind::TooLarge, info.path + ": over 16 MB");
    if (!isReadable(info.status))
        throw QuilletError(ErrorKind::DamagedMember, info.path + ": " + std::string(memberStatusText(info.status)));
    if (info.kind == MemberKind::Folder)
        throw QuilletError(ErrorKind::NotRegularFile, info.path + ": a folder");
    return readMember(index);
}

void Container::settleMemberPaths(bool readable)
{
    const bool fold = namesFold(kind_);
    std::set<std::string> taken;
    for (MemberInfo& info : members_) {
        if (!readable)
            info.path = readableMemberPath(info.path);
        std::string path = info.path;
        for (int n = 2; !taken.insert(fold ? foldCase(path) : path).second; ++n)
            path = info.path + "~" + std::to_string(n);
        info.path = path;
    }
}

void Container::readInOrder(const std::vector<bool>& wanted, const std::function<void(std::size_t, Read&&)>& take) const
{
    for (std::size_t i = 0; i < members_.size(); ++i) {
        Read read;
        if (i < wanted.size() && wanted[i]) {
            try {
                read.bytes = this->read(i);
            } catch (const QuilletError& error) {
                read.failure = error.what();
            }
        }
        take(i, std::move(read));
    }
}

std::unique_ptr<Container> openContainer(std::string bytes, std::string_view name)
{
    WorkBudget budget;
    return openContainer(std::move(bytes), name, budget);
}

std::unique_ptr<Container> openContainer(std::string bytes, std::string_view name, WorkBudget& budget)
{
    const std::span<const std::uint8_t> head(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             std::min(bytes.size(), ContainerHeadSize));
    const std::optional<ContainerKind> kind = containerKindOf(head, bytes.size(), name);
    if (!kind)
        throw QuilletError(ErrorKind::NotAContainer, std::string(name));
    std::unique_ptr<Container> container;
    switch (*kind) {
    case ContainerKind::DiskImage: container = openDiskImage(std::move(bytes), budget); break;
    case ContainerKind::CassetteImage: container = openCassetteImage(std::move(bytes), budget); break;
    case ContainerKind::Zip:
    case ContainerKind::Lzh:
    case ContainerKind::SevenZip:
    case ContainerKind::Gzip:
    case ContainerKind::Tar: container = openArchive(std::move(bytes), *kind, name, budget); break;
    }
    // Damage that leaves nothing to list is a broken container.
    if (container->members().empty() && !container->problems().empty())
        throw QuilletError(ErrorKind::DamagedContainer, std::string(name) + ": " + container->problems().front());
    return container;
}

std::string readMemberPath(std::string bytes, std::string_view name, std::span<const std::string> members)
{
    std::string at(name);
    for (const std::string& member : members) {
        const std::unique_ptr<Container> container = openContainer(std::move(bytes), at);
        const std::optional<std::size_t> index = container->find(member);
        if (!index)
            throw QuilletError(ErrorKind::UnknownMember, member + " is not in " + at);
        bytes = container->read(*index);
        at += "::" + container->members()[*index].path;
    }
    return bytes;
}

std::string WalkedMember::path() const
{
    std::string text;
    for (const std::string& level : levels) {
        if (!text.empty())
            text += "::";
        text += level;
    }
    return text;
}

namespace {

void walk(const Container& container, std::vector<std::string>& levels,
          const std::function<void(const WalkedMember&)>& visit, WorkBudget& budget, WalkReads reads)
{
    const std::vector<MemberInfo>& members = container.members();
    const auto opens = [&](const MemberInfo& info) {
        return info.kind == MemberKind::Container && isReadable(info.status);
    };
    const bool deepest = levels.size() >= static_cast<std::size_t>(budget.limits().maxDepth);
    std::vector<bool> wanted(members.size());
    for (std::size_t i = 0; i < members.size(); ++i)
        wanted[i] = isReadable(members[i].status) && members[i].kind != MemberKind::Folder
                    && (reads == WalkReads::Everything || (opens(members[i]) && !deepest));
    container.readInOrder(wanted, [&](std::size_t i, Container::Read&& read) {
        const MemberInfo& info = members[i];
        levels.push_back(info.path);
        WalkedMember member{container, i, levels, nullptr, nullptr, {}};
        if (read.failure)
            member.note = *read.failure;
        else if (wanted[i]) {
            budget.spendBytes(read.bytes.size());
            // Only a walk of every member hands its bytes on.
            if (reads == WalkReads::Everything)
                member.bytes = &read.bytes;
        }
        std::unique_ptr<Container> nested;
        if (opens(info) && member.note.empty()) {
            if (deepest) {
                member.note =
                    "nested deeper than " + std::to_string(budget.limits().maxDepth) + " containers: not opened";
            } else {
                try {
                    // The walker may still want the bytes the container takes.
                    nested = openContainer(reads == WalkReads::Everything ? read.bytes : std::move(read.bytes),
                                           info.path, budget);
                } catch (const QuilletError& error) {
                    if (error.kind() == ErrorKind::WorkLimitReached)
                        throw;
                    member.note = error.what();
                }
            }
        }
        member.opened = nested.get();
        visit(member);
        if (nested)
            walk(*nested, levels, visit, budget, reads);
        levels.pop_back();
    });
}

} // namespace

void walkMembers(const Container& container, const std::function<void(const WalkedMember&)>& visit, WorkBudget& budget,
                 WalkReads reads)
{
    std::vector<std::string> levels;
    walk(container, levels, visit, budget, reads);
}

void walkMembers(const Container& container, const std::function<void(const WalkedMember&)>& visit)
{
    WorkBudget budget;
    walkMembers(container, visit, budget);
}

std::string safeFileName(std::string_view name)
{
    std::string out;
    for (const char32_t c : decodeUtf8(name)) {
        // Separators and the characters other systems refuse in names.
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<'
            || c == '>' || c == '|')
            out += '_';
        else
            appendUtf8(out, c);
    }
    // Device names stay devices whatever their extension.
    const std::string stem = foldCase(out.substr(0, out.find('.')));
    static const std::set<std::string> devices = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",  "COM4",
                                                  "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",  "LPT3",
                                                  "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CLOCK$"};
    if (devices.count(stem))
        out.insert(0, "_");
    // Room for ".asc" and a "~N" beside the longest name a folder takes.
    constexpr std::size_t MaxBytes = 240;
    if (out.size() > MaxBytes) {
        std::size_t cut = MaxBytes;
        while (cut > 0 && (static_cast<std::uint8_t>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    // Trailing dots and blanks vanish on some systems, merging names; the
    // cut above may leave them too.
    for (auto c = out.rbegin(); c != out.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    if (out.empty())
        out = "_";
    return out;
}

} // namespace quillet
