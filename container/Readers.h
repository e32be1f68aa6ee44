// SPDX-License-Identifier: MIT
#pragma once
// The readers behind openContainer, one per kind of container, for the
// fuzz targets and tests that go to one reader directly. Each throws
// QuilletError(NotAContainer) for bytes it cannot take at all.

#include "container/Container.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet {

std::unique_ptr<Container> openDiskImage(std::string bytes, WorkBudget& budget);
std::unique_ptr<Container> openCassetteImage(std::string bytes, WorkBudget& budget);
// Where each member of a tape openCassetteImage opened lies in its bytes:
// from its first block header to the end of its last block, which is the
// next member's first header (or the tape's end).
std::vector<std::pair<std::size_t, std::size_t>> cassetteMemberSpans(const Container& tape);
// Every archive kind goes through libarchive (Archive.cpp, the one place
// that calls it); `name` names the single member of a plain gzip file.
// Throws QuilletError(PartMissing) when the module holding libarchive
// cannot be loaded.
std::unique_ptr<Container> openArchive(std::string bytes, ContainerKind kind, std::string_view name,
                                       WorkBudget& budget);

// Each with a budget of its own, at the default limits.
std::unique_ptr<Container> openDiskImage(std::string bytes);
std::unique_ptr<Container> openCassetteImage(std::string bytes);
std::unique_ptr<Container> openArchive(std::string bytes, ContainerKind kind, std::string_view name);

} // namespace quillet
