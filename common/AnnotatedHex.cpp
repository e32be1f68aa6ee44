// SPDX-License-Identifier: MIT
#include "common/AnnotatedHex.h"

#include <stdexcept>

namespace quillet {

std::string bytesFromAnnotatedHex(std::string_view annotated)
{
    std::string bytes;
    int high = -1;
    bool inComment = false;
    for (char c : annotated) {
        if (inComment) {
            inComment = c != '\n';
            continue;
        }
        const int value = hexDigitValue(c);
        if (value < 0) {
            if (c == '#')
                inComment = true;
            else if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
                throw std::invalid_argument(std::string("not a hex digit: ") + c);
            if (high >= 0)
                throw std::invalid_argument("a lone hex digit");
            continue;
        }
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("a lone hex digit");
    return bytes;
}

} // namespace quillet
