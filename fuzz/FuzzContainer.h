// SPDX-License-Identifier: MIT
#pragma once
// What every container fuzz target checks of whatever a reader made of its
// input: only the reader's own errors, unique readable names, members that
// read as their status says (an archive's may turn out damaged when read),
// at their listed size, and one pass that reads them as each read alone.

#include "common/Errors.h"
#include "common/Utf8.h"
#include "container/Container.h"
#include "container/MemberNames.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillet::fuzz {

inline void checkContainer(const std::function<std::unique_ptr<Container>()>& open)
{
    std::unique_ptr<Container> container;
    try {
        container = open();
    } catch (const QuilletError& error) {
        if (error.kind() != ErrorKind::NotAContainer && error.kind() != ErrorKind::DamagedContainer)
            std::abort();
        return;
    }
    const bool isArchive =
        container->kind() != ContainerKind::DiskImage && container->kind() != ContainerKind::CassetteImage;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < container->members().size(); ++i) {
        const MemberInfo& info = container->members()[i];
        // A tape name keeps ":" and backslashes as the tape holds them, never "::",
        // which would end a member path's step.
        const bool tape = container->kind() == ContainerKind::CassetteImage;
        if (info.path.empty() || !isValidUtf8(info.path)
            || info.path.find_first_of(tape ? "/\t\r\n" : ":\\\t\r\n") != std::string::npos
            || info.path.find("::") != std::string::npos)
            std::abort();
        // Disk and cassette names are unique without case, archive names as they are.
        const bool fold =
            container->kind() == ContainerKind::DiskImage || container->kind() == ContainerKind::CassetteImage;
        if (!seen.insert(fold ? foldCase(info.path) : info.path).second || container->find(info.path) != i)
            std::abort();
        try {
            const std::string bytes = container->read(i);
            if (info.kind == MemberKind::Folder)
                std::abort(); // a folder has no bytes
            if (!isReadable(info.status) || bytes.size() != info.size || bytes.size() > MaxMemberSize)
                std::abort();
        } catch (const QuilletError& error) {
            if (info.kind == MemberKind::Folder && isReadable(info.status)) {
                if (error.kind() != ErrorKind::NotRegularFile)
                    std::abort();
                continue;
            }
            // An archive lists a member from its first bytes, so damage past
            // them, or in the entries passed to reach it, shows only when it
            // is read.
            if (isReadable(info.status) && (!isArchive || error.kind() != ErrorKind::DamagedMember))
                std::abort();
            if (error.kind() != ErrorKind::DamagedMember && error.kind() != ErrorKind::TooLarge)
                std::abort();
        }
    }
    // One pass over all members never gives other bytes than reading each
    // alone (in a damaged archive, one way may fail where the other reads).
    std::vector<bool> all(container->members().size(), true);
    container->readInOrder(all, [&](std::size_t i, Container::Read&& read) {
        if (read.failure)
            return;
        try {
            if (container->read(i) != read.bytes)
                std::abort();
        } catch (const QuilletError& error) {
            if (!isArchive || error.kind() != ErrorKind::DamagedMember)
                std::abort();
        }
    });
}

} // namespace quillet::fuzz
