/* SPDX-License-Identifier: MIT */
/* quillet-png.so: libpng's calls in a table, for the programs to load when
 * they first write a PNG. */

#include "image/PngCalls.h"

static const struct QuilletPngCalls calls = {
    QUILLET_PNG_CALLS_VERSION,
    sizeof(struct QuilletPngCalls),
    png_create_write_struct,
    png_create_info_struct,
    png_destroy_write_struct,
    png_set_longjmp_fn,
    png_error,
    png_get_io_ptr,
    png_set_write_fn,
    png_set_IHDR,
    png_set_PLTE,
    png_write_info,
    png_write_row,
    png_write_end,
};

__attribute__((visibility("default"))) const struct QuilletPngCalls* quillet_png_calls(void)
{
    return &calls;
}
