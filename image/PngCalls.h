/* SPDX-License-Identifier: MIT */
#pragma once
/* The libpng calls the PNG writer makes, handed over by the module
 * quillet-png.so: only that module links libpng, so a run that writes no
 * PNG maps neither libpng nor zlib. Plain C, as the module is. */

#include <png.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raised whenever a call is added, removed or changed. */
#define QUILLET_PNG_CALLS_VERSION 1
#define QUILLET_PNG_MODULE_NAME "quillet-png.so"
#define QUILLET_PNG_ENTRY_POINT "quillet_png_calls"

/* Starts as every module's table does (common/Modules.h). */
struct QuilletPngCalls {
    unsigned version;
    size_t size; /* of this struct, as the module was built */

    png_structp (*create_write_struct)(png_const_charp, png_voidp, png_error_ptr, png_error_ptr);
    png_infop (*create_info_struct)(png_const_structrp);
    void (*destroy_write_struct)(png_structpp, png_infopp);
    jmp_buf* (*set_longjmp_fn)(png_structrp, png_longjmp_ptr, size_t);
    void (*error)(png_const_structrp, png_const_charp);
    png_voidp (*get_io_ptr)(png_const_structrp);
    void (*set_write_fn)(png_structrp, png_voidp, png_rw_ptr, png_flush_ptr);
    void (*set_IHDR)(png_const_structrp, png_inforp, png_uint_32, png_uint_32, int, int, int, int, int);
    void (*set_PLTE)(png_structrp, png_inforp, png_const_colorp, int);
    void (*write_info)(png_structrp, png_const_inforp);
    void (*write_row)(png_structrp, png_const_bytep);
    void (*write_end)(png_structrp, png_inforp);
};

/* The module's one symbol. */
const struct QuilletPngCalls* quillet_png_calls(void);

#ifdef __cplusplus
}
#endif
