// SPDX-License-Identifier: MIT
#pragma once
// The MSX fonts of the build inside the programs, for pages that carry
// their font with them (the HTML listing). No Qt: the converter uses them.

#include "render/MsxCharset.h"

#include <string_view>

namespace quillet::fonts {

// The set's font, a TrueType file in base64; empty in a build without the
// fonts.
std::string_view msxFontBase64(msx::CharacterSet set);

} // namespace quillet::fonts
