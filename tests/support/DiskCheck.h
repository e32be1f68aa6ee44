// SPDX-License-Identifier: MIT
#pragma once
// What a written disk image is checked against: the reader, mtools (mdir,
// mcopy) where installed, and the editor, which must take it again.

#include "container/Container.h"

#include <map>
#include <optional>
#include <set>
#include <string>

namespace quillet::test {

bool haveMtools();
// The output of an mtools command line (errors dropped).
std::string runMtools(const std::string& command);

struct ExpectedFile {
    std::string bytes;
    std::optional<MemberDate> date = MemberDate{1987, 3, 14, 15, 9, 26}; // nullopt: any date
};
using DiskModel = std::map<std::string, ExpectedFile>; // by path, "DIR/NAME.EXT"

// The reader, mtools and the editor all take `image` as holding exactly
// the files of `model`, with their bytes and dates, and the folders `folders`.
void expectDiskHolds(const std::string& image, const DiskModel& model, const std::set<std::string>& folders = {});

} // namespace quillet::test
