#pragma once
// The saves that copy a temporary file (the ASCII listing, the picture)
// to where the user chose.

#include <QString>

namespace quillet::app {

// Copies `from` beside `to` and renames it into place, so a failed copy
// never leaves a half-written file where the user's old one was. Throws
// QuilletError named after the cause; `to` is then as it was.
void copyReplacing(const QString& from, const QString& to);

} // namespace quillet::app
