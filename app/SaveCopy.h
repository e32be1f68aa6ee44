// SPDX-License-Identifier: MIT
#pragma once
// The saves that copy a temporary file (the ASCII listing, the picture),
// or bytes in memory (a member taken out of a container), to where the
// user chose.

#include <QString>

#include <string_view>

namespace quillet::app {

// Copies `from` beside `to` and renames it into place, so a failed copy
// never leaves a half-written file where the user's old one was. Throws
// QuilletError named after the cause; `to` is then as it was.
void copyReplacing(const QString& from, const QString& to);
// The same for `bytes`.
void writeReplacing(std::string_view bytes, const QString& to);

} // namespace quillet::app
