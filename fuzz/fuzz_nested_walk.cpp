// SPDX-License-Identifier: MIT
// Random containers walked as --list and --extract-all walk them. The last
// byte picks the name the container goes by. Every member of every
// container is met once and in order, each nested container's members
// right after it, never deeper than MaxNestingDepth; a container is opened
// only from a readable member that looks like one; and the door, reading a
// member path from the outermost file, gets the bytes the walk read (or
// fails as reading it in the walk failed).

#include "common/Errors.h"
#include "container/Container.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quillet;

// A container being walked: how many of its members were met.
struct Level {
    const Container* container;
    std::size_t next;
    std::size_t count;
};

// The door's reading is checked for the first few members only: each
// opens every container on its way again.
constexpr int DoorChecks = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const names[] = {"fuzz.dsk", "fuzz.cas", "fuzz.zip", "fuzz.lzh",
                                        "fuzz.7z",  "fuzz.gz",  "fuzz.tar", "fuzz"};
    if (size == 0)
        return 0;
    const std::string name = names[data[size - 1] % 8];
    const std::string bytes(reinterpret_cast<const char*>(data), size - 1);
    std::unique_ptr<Container> container;
    try {
        container = openContainer(bytes, name);
    } catch (const QuilletError& error) {
        if (error.kind() != ErrorKind::NotAContainer && error.kind() != ErrorKind::DamagedContainer
            && error.kind() != ErrorKind::WorkLimitReached)
            std::abort();
        return 0;
    }

    std::vector<Level> levels{{container.get(), 0, container->members().size()}};
    int doorChecks = 0;
    const auto visit = [&](const WalkedMember& member) {
        const std::size_t depth = member.levels.size();
        if (depth == 0 || depth > static_cast<std::size_t>(MaxNestingDepth) + 1 || depth > levels.size())
            std::abort();
        // Containers left behind were walked to their end.
        for (; levels.size() > depth; levels.pop_back()) {
            if (levels.back().next != levels.back().count)
                std::abort();
        }
        Level& at = levels.back();
        if (&member.container != at.container || member.index != at.next++)
            std::abort();
        const MemberInfo& info = member.info();
        std::string joined;
        for (const std::string& level : member.levels)
            joined += (joined.empty() ? "" : "::") + level;
        if (member.levels.back() != info.path || member.path() != joined)
            std::abort();
        if (member.opened) {
            if (info.kind != MemberKind::Container || !isReadable(info.status) || !member.note.empty())
                std::abort();
            levels.push_back({member.opened, 0, member.opened->members().size()});
        }
        if (isReadable(info.status) && doorChecks < DoorChecks) {
            ++doorChecks;
            // What the status promises is the container targets' to check;
            // here the door must read what the walk reads, or fail alike.
            std::optional<ErrorKind> walkFailed, doorFailed;
            std::string walked, opened;
            try {
                walked = member.container.read(member.index);
            } catch (const QuilletError& error) {
                walkFailed = error.kind();
            }
            try {
                opened = readMemberPath(bytes, name, member.levels);
            } catch (const QuilletError& error) {
                doorFailed = error.kind();
            }
            if (walkFailed != doorFailed || opened != walked)
                std::abort();
        }
    };
    try {
        walkMembers(*container, visit);
    } catch (const QuilletError& error) {
        if (error.kind() != ErrorKind::WorkLimitReached)
            std::abort();
        return 0; // the members within the budget were visited
    }
    for (const Level& level : levels) {
        if (level.next != level.count)
            std::abort();
    }
    return 0;
}
