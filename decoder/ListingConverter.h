#pragma once
// Turns a whole tokenized program into the ASCII listing: one line per
// program line, "number body" followed by CR LF.

#include "common/ByteStream.h"

namespace quillet {

struct ListingOptions {
    bool isViewOverLine65530 = true; // keep lines numbered 65530 and above
};

// `input` is positioned just after the leading 0xFF. Lines already written
// stay in `output` when the conversion fails; the error says in which line.
// Throws QuilletError: DamagedProgram, ReadFailed, or the sink's error.
void convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options);

} // namespace quillet
