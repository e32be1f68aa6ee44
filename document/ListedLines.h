// SPDX-License-Identifier: MIT
#pragma once
// A listing document line by line, each line with its roles: what the
// colours, the links, the cross-reference and the checks are built from.

#include "common/ByteStream.h"
#include "decoder/ListingConverter.h"
#include "decoder/Roles.h"
#include "document/Document.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace quillet {

struct ListedLine {
    // The line's number; none for a text line that does not start with one.
    std::optional<std::uint16_t> number;
    // The line as the ASCII listing has it, without its line end (and with
    // the address first when the options ask for addresses).
    std::string_view text;
    // In order, within `text`; what no span covers is Text. The line number
    // is a LineNumber span.
    std::span<const RoleSpan> roles;
};

// Calls `each` for every line writeListing() would write for the same
// document and options, with the same text, in the same order. A tokenized
// program's roles come from its bytes as the decoder reads them, a text
// listing's from the tokenizer reading each line as MSX BASIC would. What
// `each` is given is valid only during the call. Returns and throws as
// writeListing() does, and whatever `each` throws.
ProgramEnd forEachListedLine(const DocumentHead& head, ByteSource& rest, const ListingOptions& options,
                             const std::function<void(const ListedLine&)>& each);

// The number a LineReference span of `line` names (as listed: a line
// pointer the program could not resolve lists its own value).
std::uint16_t referencedLine(const ListedLine& line, const RoleSpan& span);

} // namespace quillet
