// SPDX-License-Identifier: MIT
#pragma once
// What every container fuzz target checks of whatever a reader made of its
// input: only the reader's own errors, unique readable names, and members
// that read as their status says, at their listed size.

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
    std::set<std::string> seen;
    for (std::size_t i = 0; i < container->members().size(); ++i) {
        const MemberInfo& info = container->members()[i];
        if (info.path.empty() || !isValidUtf8(info.path) || info.path.find_first_of(":\\\t\r\n") != std::string::npos)
            std::abort();
        // Disk and cassette names are unique without case, archive names as they are.
        const bool fold =
            container->kind() == ContainerKind::DiskImage || container->kind() == ContainerKind::CassetteImage;
        if (!seen.insert(fold ? foldCase(info.path) : info.path).second || container->find(info.path) != i)
            std::abort();
        try {
            const std::string bytes = container->read(i);
            if (!isReadable(info.status) || bytes.size() != info.size || bytes.size() > MaxMemberSize)
                std::abort();
        } catch (const QuilletError& error) {
            if (isReadable(info.status))
                std::abort();
            if (error.kind() != ErrorKind::DamagedMember && error.kind() != ErrorKind::TooLarge)
                std::abort();
        }
    }
    // One pass over all members gives each what reading it alone gives.
    std::vector<bool> all(container->members().size(), true);
    container->readInOrder(all, [&](std::size_t i, Container::Read&& read) {
        std::string alone;
        try {
            alone = container->read(i);
        } catch (const QuilletError&) {
            if (!read.failure)
                std::abort();
            return;
        }
        if (read.failure || read.bytes != alone)
            std::abort();
    });
}

} // namespace quillet::fuzz
