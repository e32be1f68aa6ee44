// SPDX-License-Identifier: MIT
#pragma once
// Writing a whole buffer to a file descriptor, for every writer that holds
// one: write() may take part of it, or be interrupted by a signal.

#include <string_view>

namespace quillet {

// False when a write failed (errno says why) or wrote nothing.
bool writeAll(int fd, std::string_view bytes);

} // namespace quillet
