// SPDX-License-Identifier: MIT
#include "support/ArchiveBuilder.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <stdexcept>

namespace quillet::test {

namespace {

struct ArchiveWriteFree {
    void operator()(archive* a) const { archive_write_free(a); }
};

la_ssize_t appendTo(archive*, void* out, const void* data, std::size_t size)
{
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
}

} // namespace

std::string writeArchive(int (*format)(archive*), const std::vector<ArchiveEntry>& entries, int (*filter)(archive*),
                         const char* options)
{
    std::unique_ptr<archive, ArchiveWriteFree> a(archive_write_new());
    format(a.get());
    if (filter)
        filter(a.get());
    if (options && archive_write_set_options(a.get(), options) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a.get()));
    std::string out;
    if (archive_write_open(a.get(), &out, nullptr, appendTo, nullptr) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(a.get()));
    for (const ArchiveEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.c_str());
        archive_entry_set_filetype(entry, e.folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, e.folder ? 0755 : 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(e.bytes.size()));
        archive_entry_set_mtime(entry, e.mtime ? e.mtime : 946684800, 0);
        if (!e.hardlink.empty()) {
            archive_entry_set_hardlink(entry, e.hardlink.c_str());
            archive_entry_set_size(entry, 0);
        }
        const bool written = archive_write_header(a.get(), entry) == ARCHIVE_OK
                             && (e.bytes.empty() || archive_write_data(a.get(), e.bytes.data(), e.bytes.size()) >= 0);
        archive_entry_free(entry);
        if (!written)
            throw std::runtime_error(archive_error_string(a.get()));
    }
    archive_write_close(a.get());
    return out;
}

std::string zipOf(const std::vector<ArchiveEntry>& entries)
{
    return writeArchive(archive_write_set_format_zip, entries);
}

} // namespace quillet::test
