// SPDX-License-Identifier: MIT
#pragma once
// A listing line cut into runs of one role each, for the writers that
// colour or link them. A run never ends inside a graphic pair: a pair
// whose two bytes fall in two spans goes with the first, so that each run
// can be written on its own.

#include "decoder/Roles.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace quillet {

inline constexpr std::uint8_t ListingGraphicPrefix = 0x01;

// Calls each(begin, end, role) for the runs of `text` in order, Text for
// what no span covers, skipping empty runs. `pairs(code)` says whether the
// prefix pairs with the byte `code` after it, as the writer reads pairs.
// Spans that overlap or reach past the text are cut to fit.
template <typename Pairs, typename Each>
void forEachRoleRun(std::string_view text, std::span<const RoleSpan> roles, Pairs pairs, Each each)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;   // where the next run starts, always a character's start
    std::size_t scan = 0; // the pairs before it are known
    // The next prefix at or after `scan`, or `size`: looked for again only
    // once passed, so a line without graphics is searched once.
    auto prefixFrom = [&](std::size_t from) {
        const void* found = from < size ? std::memchr(bytes + from, ListingGraphicPrefix, size - from) : nullptr;
        return found ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - bytes) : size;
    };
    std::size_t prefix = prefixFrom(0);
    // The end of a run meant to end at `end`, moved past a pair it would cut.
    auto runEnd = [&](std::size_t end) {
        while (prefix < end) {
            scan = prefix + 1 < size && pairs(bytes[prefix + 1]) ? prefix + 2 : prefix + 1;
            prefix = prefixFrom(scan);
        }
        return std::max(end, scan);
    };
    auto run = [&](std::size_t end, Role role) {
        end = runEnd(std::min(end, size));
        if (end > at) {
            each(at, end, role);
            at = end;
        }
    };
    for (const RoleSpan& span : roles) {
        const std::size_t start = std::min<std::size_t>(span.start, size);
        run(start, Role::Text);
        run(start + std::min<std::size_t>(span.length, size - start), span.role);
    }
    run(size, Role::Text);
}

} // namespace quillet
