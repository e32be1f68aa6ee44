// SPDX-License-Identifier: MIT
#pragma once
// Archives written by libarchive's own writer, for tests of the archive
// reader and of everything that opens archives.

#include <ctime>
#include <string>
#include <vector>

struct archive;

namespace quillet::test {

struct ArchiveEntry {
    std::string path;
    std::string bytes;
    bool folder = false;
    std::time_t mtime = 0; // 2000-01-01 when 0
    std::string hardlink;  // a hard link to this earlier path, no bytes of its own
};

// An archive in `format` (archive_write_set_format_zip, ...), through
// `filter` if any, with libarchive `options` if any. Throws
// std::runtime_error when libarchive refuses.
std::string writeArchive(int (*format)(archive*), const std::vector<ArchiveEntry>& entries,
                         int (*filter)(archive*) = nullptr, const char* options = nullptr);

// A ZIP archive of these files.
std::string zipOf(const std::vector<ArchiveEntry>& entries);

// An LZH archive of stored (-lh0-) members with level-0 headers, names as
// their bytes are given (libarchive cannot write LZH).
std::string lzhArchive(const std::vector<ArchiveEntry>& entries);

} // namespace quillet::test
