// SPDX-License-Identifier: MIT
#pragma once
// The MSX pixel fonts made with the program, one per character set. They
// are registered for this process only; nothing is installed into the
// user's fonts.

#include "render/MsxCharset.h"

#include <QString>
#include <QStringList>

namespace quillet::fonts {

// Where the fonts are looked for: "fonts" beside the program (a build
// tree), then "../share/quillet/fonts" (an installation).
QStringList bundledFontFolders();

// Registers every font file in the first of `folders` that holds any;
// the number registered.
int loadBundledFonts(const QStringList& folders);

// The family of a set's font; empty when it is not registered.
QString bundledFamily(msx::CharacterSet set);

} // namespace quillet::fonts
