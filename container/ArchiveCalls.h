/* SPDX-License-Identifier: MIT */
#pragma once
/* The libarchive calls the archive reader makes, handed over by the module
 * quillet-archive.so. Only that module links libarchive, so a program maps
 * libarchive and the libraries under it only once it opens an archive.
 * Plain C: the module is C, and nothing of C++ crosses into it. */

#include <archive.h>
#include <archive_entry.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever a call is added, removed or changed. */
#define QUILLET_ARCHIVE_CALLS_VERSION 1
#define QUILLET_ARCHIVE_MODULE_NAME "quillet-archive.so"
#define QUILLET_ARCHIVE_ENTRY_POINT "quillet_archive_calls"

/* Starts as every module's table does (common/Modules.h). */
struct QuilletArchiveCalls {
    unsigned version;
    size_t size; /* of this struct, as the module was built */

    struct archive* (*read_new)(void);
    int (*read_free)(struct archive*);
    int (*read_support_format_zip)(struct archive*);
    int (*read_support_format_lha)(struct archive*);
    int (*read_support_format_7zip)(struct archive*);
    int (*read_support_format_tar)(struct archive*);
    int (*read_support_format_raw)(struct archive*);
    int (*read_support_filter_gzip)(struct archive*);
    int (*read_set_options)(struct archive*, const char*);
    int (*read_open_memory)(struct archive*, const void*, size_t);
    int (*read_next_header)(struct archive*, struct archive_entry**);
    la_ssize_t (*read_data)(struct archive*, void*, size_t);
    const char* (*error_string)(struct archive*);
    int (*format)(struct archive*);

    const char* (*entry_pathname)(struct archive_entry*);
    const char* (*entry_pathname_utf8)(struct archive_entry*);
    const char* (*entry_hardlink)(struct archive_entry*);
    const char* (*entry_hardlink_utf8)(struct archive_entry*);
    __LA_MODE_T (*entry_filetype)(struct archive_entry*);
    int (*entry_mtime_is_set)(struct archive_entry*);
    time_t (*entry_mtime)(struct archive_entry*);
    int (*entry_size_is_set)(struct archive_entry*);
    la_int64_t (*entry_size)(struct archive_entry*);
};

/* The module's one symbol. */
const struct QuilletArchiveCalls* quillet_archive_calls(void);

#ifdef __cplusplus
}
#endif
