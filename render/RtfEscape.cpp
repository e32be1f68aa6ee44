// SPDX-License-Identifier: MIT
#include "render/RtfEscape.h"

namespace quillet {

void appendRtfUnicodeEscape(std::string& out, char32_t codePoint)
{
    auto escape = [&out](unsigned unit) {
        out += "\\u";
        out += std::to_string(unit >= 0x8000 ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit));
        out += '?';
    };
    if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
        const char32_t v = codePoint - 0x10000;
        escape(0xD800 + (v >> 10));
        escape(0xDC00 + (v & 0x3FF));
    } else {
        escape(static_cast<unsigned>(codePoint) & 0xFFFF);
    }
}

} // namespace quillet
