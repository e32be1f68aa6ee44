// SPDX-License-Identifier: MIT
// quillet-charmap SET [OUT]: writes where each code of an MSX character
// set stands in Unicode, one code a line ("char 41 U+0041", "graphic 41
// U+263A"). The font script reads it, so that the fonts put every glyph
// where the viewer looks for it.

#include "render/MsxCharset.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

std::string codePoint(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

std::string hexByte(int code)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(code));
    return text;
}

void writeMap(std::ostream& out, quillet::msx::CharacterSet set)
{
    using namespace quillet::msx;
    out << "# " << characterSetName(set) << ": kind, MSX code (hex), Unicode stand-in\n";
    for (int code = 0; code < 256; ++code)
        out << "char " << hexByte(code) << ' ' << codePoint(charGlyph(set, static_cast<std::uint8_t>(code))) << '\n';
    for (int code = FirstGraphicCode; code < FirstGraphicCode + 32; ++code)
        out << "graphic " << hexByte(code) << ' ' << codePoint(graphicGlyph(set, static_cast<std::uint8_t>(code)))
            << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quillet-charmap jp|intl|br [OUT]\n");
        return 2;
    }
    const std::optional<quillet::msx::CharacterSet> set = quillet::msx::characterSetFromName(argv[1]);
    if (!set) {
        std::fprintf(stderr, "quillet-charmap: no character set named %s (jp, intl or br)\n", argv[1]);
        return 2;
    }
    if (argc == 2) {
        writeMap(std::cout, *set);
        return std::cout.flush() ? 0 : 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    writeMap(out, *set);
    if (!out.flush()) {
        std::fprintf(stderr, "quillet-charmap: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
