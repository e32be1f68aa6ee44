// SPDX-License-Identifier: MIT
// A build without the MSX fonts: pages fall back on the reader's fonts.
#include "fonts/EmbeddedFonts.h"

namespace quillet::fonts {

std::string_view msxFontBase64(msx::CharacterSet)
{
    return {};
}

} // namespace quillet::fonts
