// SPDX-License-Identifier: MIT
#pragma once
// Files that hold other files: MSX disk images, cassette images and
// archives. A container is read whole from memory and never written; its
// members are listed with what can be told about them and opened by path.
// A member path as the user writes it is `FILE::MEMBER::MEMBER...`, each
// member named as its container lists it (`DIR/NAME` inside a disk image).
//
// Damage never stops a listing: what can be read is listed, and a member
// that cannot be read carries a status that says why. Nothing is read
// outside the bytes given.

#include "document/Kinds.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Larger members are listed but not opened: the guard against archive bombs.
inline constexpr std::uint64_t MaxMemberSize = 16 * 1024 * 1024;
// A container is read whole into memory; a file past this is refused.
inline constexpr std::uint64_t MaxContainerFileSize = 1024ull * 1024 * 1024;
// How deep a walk goes into containers inside containers.
inline constexpr int MaxNestingDepth = 16;
// The bounds of one walk, or of one opening: no real MSX archive comes near
// them, while a crafted one (cross-linked disks, a tape of bare headers,
// members that each unpack to the limit) would otherwise work for hours.
inline constexpr std::uint64_t DefaultMaxTotalSize = 1024ull * 1024 * 1024;
inline constexpr std::uint64_t DefaultMaxMembers = 100000;

struct WorkLimits {
    std::uint64_t maxTotalSize = DefaultMaxTotalSize; // bytes unpacked, over every member read
    std::uint64_t maxMembers = DefaultMaxMembers;     // members listed, over every container opened
    int maxDepth = MaxNestingDepth;
};

// What a walk has spent of its limits. Readers count the members they list
// and the bytes they unpack only to skip; the walk counts the members it
// reads. Past a limit it throws QuilletError(WorkLimitReached), naming the
// limit and the option that raises it.
class WorkBudget {
public:
    explicit WorkBudget(WorkLimits limits = {}) : limits_(limits) {}
    const WorkLimits& limits() const noexcept { return limits_; }
    void spendMembers(std::uint64_t count);
    void spendBytes(std::uint64_t count);

private:
    WorkLimits limits_;
    std::uint64_t members_ = 0;
    std::uint64_t bytes_ = 0;
};

// What a member holds, told by its content as the document kinds tell it:
// a BSAVE picture is Bsave, a BSAVE file of machine code BsaveBinary.
// A folder of a disk is a member too, listed before what it holds; it
// has no bytes to read.
enum class MemberKind { Basic, Text, Bsave, BsaveBinary, Container, Other, Folder };
// "basic", "text", "bsave", "BSAVE binary", "container", "other", "folder".
std::string_view memberKindName(MemberKind kind);
// The kind of a member of `size` bytes whose first bytes are `head` (up to
// ContainerHeadSize of them are looked at), named `name` (the name only
// matters where the content leaves it open, see containerKindOf).
MemberKind memberKindOf(std::string_view head, std::uint64_t size, std::string_view name);
inline MemberKind memberKindOf(std::string_view bytes, std::string_view name)
{
    return memberKindOf(bytes, bytes.size(), name);
}

enum class MemberStatus {
    Ok,
    FatCopiesDisagree, // readable: one FAT copy gives a sound chain, another differs
    TooLarge,          // over MaxMemberSize
    ChainLoops,        // the cluster chain comes back to a cluster it passed
    ChainLeavesDisk,   // the chain leads to a free, reserved or missing cluster
    ChainTooShort,     // the size is larger than the chain
    PastImageEnd,      // clusters past the end of a cut image
    DirectoryLoop,     // a folder that contains itself or shares a folder's clusters
    SharedClusters,    // a file whose clusters an earlier file or folder holds (a cross-linked FAT)
    FoldersTooDeep,    // a folder nested deeper than any MSX-DOS path reaches
    CutShort,          // a cassette file whose blocks end early
    BadHeader,         // a cassette file whose header or addresses make no sense
    Unreadable,        // an archive entry that cannot be unpacked
};
// Whether the member's bytes can be had.
bool isReadable(MemberStatus status);
std::string_view memberStatusText(MemberStatus status);

struct MemberDate {
    int year, month, day, hour, minute, second;
};

struct MemberInfo {
    std::string path;       // inside its container, "/" between folders, UTF-8, unique in the container
    std::uint64_t size = 0; // as opened (a cassette program with its 0xFF, a BSAVE file with its header)
    MemberKind kind = MemberKind::Other;
    std::optional<MemberDate> date;
    MemberStatus status = MemberStatus::Ok;
};

class Container {
public:
    virtual ~Container() = default;
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    ContainerKind kind() const noexcept { return kind_; }
    const std::vector<MemberInfo>& members() const noexcept { return members_; }
    // Damage of the whole container (a cut image, FAT copies that differ),
    // one sentence each; the members say what it costs them.
    const std::vector<std::string>& problems() const noexcept { return problems_; }

    // The member named `path`: disk and cassette names match without regard
    // to case, archive names exactly, or without case when only one fits.
    std::optional<std::size_t> find(std::string_view path) const;

    // The bytes of a member as a file of its own would hold them. Throws
    // QuilletError: DamagedMember or TooLarge for a member whose status
    // says it cannot be read, NotRegularFile for a folder.
    std::string read(std::size_t index) const;

    // What reading a member gave: its bytes, or why there are none.
    struct Read {
        std::string bytes;
        std::optional<std::string> failure;
    };
    // Reads the members `wanted` marks, each once, and hands every member
    // to `take` in order (with nothing read for the others). An archive is
    // unpacked once for all of them, so a walk stays linear in its size.
    virtual void readInOrder(const std::vector<bool>& wanted,
                             const std::function<void(std::size_t, Read&&)>& take) const;

protected:
    explicit Container(ContainerKind kind) : kind_(kind) {}
    virtual std::string readMember(std::size_t index) const = 0;
    // Makes the paths unique (a "~2" before a repeated one) and readable,
    // unless the reader has made them readable its own way.
    void settleMemberPaths(bool readable = false);

    std::vector<MemberInfo> members_;
    std::vector<std::string> problems_;

private:
    ContainerKind kind_;
};

// Opens `bytes` as the container its content shows. `name` is the file's
// name, used only where the content leaves the kind open. The members
// listed and the bytes unpacked to list them are spent from `budget`.
// Throws QuilletError: NotAContainer, DamagedContainer when the container
// yields nothing at all, WorkLimitReached.
std::unique_ptr<Container> openContainer(std::string bytes, std::string_view name, WorkBudget& budget);
std::unique_ptr<Container> openContainer(std::string bytes, std::string_view name);

// Follows `members` from the container in `bytes` (the file `name`) and
// returns the last one's bytes. Throws QuilletError: NotAContainer,
// DamagedContainer, UnknownMember, DamagedMember, TooLarge.
std::string readMemberPath(std::string bytes, std::string_view name, std::span<const std::string> members);

// One member met on a walk through a container and those inside it.
struct WalkedMember {
    const Container& container; // the one that holds it
    std::size_t index;          // in container.members()
    // The member paths from the walked container down: {"disk1.dsk", "DIR/GAME.BAS"}.
    std::vector<std::string> levels;
    // A nested container that opened, walked right after this call; else null.
    const Container* opened = nullptr;
    // The member's bytes, when the walk read them (see WalkReads); else
    // null. The visitor may take them: the walk is done with them.
    std::string* bytes = nullptr;
    std::string note; // why a member that looks like a container was not walked, or could not be read
    const MemberInfo& info() const { return container.members()[index]; }
    std::string path() const; // levels joined by "::"
};

// Which members a walk reads: those it opens as containers, or every
// readable one (for a visitor that wants their bytes).
enum class WalkReads { Containers, Everything };

// Visits every member depth first, each nested container's members right
// after it, down to the limits' depth (which also ends an archive that
// holds itself). `container` was opened with the same budget. Throws
// QuilletError(WorkLimitReached) past a limit, after the members within it
// were visited.
void walkMembers(const Container& container, const std::function<void(const WalkedMember&)>& visit, WorkBudget& budget,
                 WalkReads reads = WalkReads::Containers);
void walkMembers(const Container& container, const std::function<void(const WalkedMember&)>& visit);

// A member's name as a file name on this system: no separators, control
// bytes, reserved device names (CON, NUL, ...) or names made of dots only,
// and never longer than a folder accepts. Never empty.
std::string safeFileName(std::string_view name);

} // namespace quillet
