// SPDX-License-Identifier: MIT
#pragma once
// Gathers a line's role spans in order as its text is built, for the
// decoder and the tokenizer alike, so that both cut and join them the
// same way.

#include "decoder/Roles.h"

#include <cstddef>

namespace quillet {

class RoleBuilder {
public:
    // Positions given are `base` bytes before where they are in the line.
    explicit RoleBuilder(LineRoles& spans, std::size_t base = 0) : spans_(spans), base_(base) {}

    // Bytes [start, end) have `role`. A span of the same role that ends at
    // `start` grows, so a run of one role is one span; a line reference
    // never joins another, each naming its own line.
    [[gnu::always_inline]] void mark(std::size_t start, std::size_t end, Role role)
    {
        if (role == Role::Text || end <= start)
            return;
        start += base_;
        end += base_;
        if (!spans_.empty()) {
            RoleSpan& last = spans_.back();
            if (last.role == role && role != Role::LineReference && last.start + last.length == start) {
                last.length += static_cast<std::uint32_t>(end - start);
                return;
            }
        }
        spans_.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start), role});
    }

    // The text was cut back to `length` bytes.
    void cut(std::size_t length)
    {
        length += base_;
        while (!spans_.empty() && spans_.back().start >= length)
            spans_.pop_back();
        if (!spans_.empty() && spans_.back().start + spans_.back().length > length)
            spans_.back().length = static_cast<std::uint32_t>(length - spans_.back().start);
    }

    // The role of the span that ends right at `at`; Text when none does.
    Role endingAt(std::size_t at) const
    {
        at += base_;
        if (spans_.empty() || spans_.back().start + spans_.back().length != at)
            return Role::Text;
        return spans_.back().role;
    }

private:
    LineRoles& spans_;
    std::size_t base_;
};

} // namespace quillet
