// SPDX-License-Identifier: MIT
#include "common/WriteAll.h"

#include <unistd.h>

#include <cerrno>

namespace quillet {

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

} // namespace quillet
