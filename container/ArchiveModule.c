/* SPDX-License-Identifier: MIT */
/* quillet-archive.so: libarchive's calls in a table, for the programs to
 * load when they first open an archive. */

#include "container/ArchiveCalls.h"

static const struct QuilletArchiveCalls calls = {
    QUILLET_ARCHIVE_CALLS_VERSION,
    sizeof(struct QuilletArchiveCalls),
    archive_read_new,
    archive_read_free,
    archive_read_support_format_zip,
    archive_read_support_format_lha,
    archive_read_support_format_7zip,
    archive_read_support_format_tar,
    archive_read_support_format_raw,
    archive_read_support_filter_gzip,
    archive_read_set_options,
    archive_read_open_memory,
    archive_read_next_header,
    archive_read_data,
    archive_error_string,
    archive_format,
    archive_entry_pathname,
    archive_entry_pathname_utf8,
    archive_entry_hardlink,
    archive_entry_hardlink_utf8,
    archive_entry_filetype,
    archive_entry_mtime_is_set,
    archive_entry_mtime,
    archive_entry_size_is_set,
    archive_entry_size,
};

__attribute__((visibility("default"))) const struct QuilletArchiveCalls* quillet_archive_calls(void)
{
    return &calls;
}
