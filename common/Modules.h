// SPDX-License-Identifier: MIT
#pragma once
// Parts of the programs kept in modules of their own and loaded on first
// use, so that a run that never needs them never loads the libraries under
// them: the archive reader (libarchive) and the PNG writer (libpng). A
// module hands over one table of calls, which starts with the head below.

#include <cstddef>
#include <string>
#include <vector>

namespace quillet {

struct ModuleTableHead {
    unsigned version; // of the table's layout
    std::size_t size; // of the whole table, as the module was built
};

// Where a program in `programDir` looks for the module `fileName`, in
// order: installed beside the programs' install, then the build tree's
// lib/ (beside its programs, or one folder up from its tests).
std::vector<std::string> moduleCandidates(const std::string& programDir, const std::string& fileName);

// Loads the module at `path` and returns the table `entryPoint` hands
// over. Throws QuilletError(PartMissing) when it cannot be loaded or its
// table is not `version` of `size` bytes.
const void* loadModuleTable(const std::string& path, const char* entryPoint, unsigned version, std::size_t size);

// The table of the module `fileName`, found beside the running program,
// loaded once per process; a module that failed fails again for each call.
const void* moduleTable(const std::string& fileName, const char* entryPoint, unsigned version, std::size_t size);

template <class Table> const Table& moduleTable(const std::string& fileName, const char* entryPoint, unsigned version)
{
    return *static_cast<const Table*>(moduleTable(fileName, entryPoint, version, sizeof(Table)));
}

} // namespace quillet
