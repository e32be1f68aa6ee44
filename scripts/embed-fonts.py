#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a C++ source that holds font files in base64.

    embed-fonts.py OUT.cpp JP.ttf INTERNATIONAL.ttf BRAZILIAN.ttf

The fonts of the three character sets become msxFontBase64() of
fonts/EmbeddedFonts.h, so that a page written by the programs carries its
font inside and needs no file beside it.
"""

import base64
import sys

LINE = 100  # base64 characters per string literal


def literal(data):
    text = base64.b64encode(data).decode("ascii")
    return "\n".join('    "%s"' % text[i:i + LINE] for i in range(0, len(text), LINE))


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    out, fonts = sys.argv[1], sys.argv[2:]
    names = ["Japanese", "International", "Brazilian"]
    parts = [
        "// Written by scripts/embed-fonts.py at build time.\n",
        '#include "fonts/EmbeddedFonts.h"\n\nnamespace quillet::fonts {\n\nnamespace {\n',
    ]
    for name, path in zip(names, fonts):
        with open(path, "rb") as f:
            parts.append("\nconstexpr char %s[] =\n%s;\n" % (name, literal(f.read())))
    parts.append("\n} // namespace\n\nstd::string_view msxFontBase64(msx::CharacterSet set)\n{\n"
                 "    switch (set) {\n")
    for name in names:
        parts.append("    case msx::CharacterSet::%s: return %s;\n" % (name, name))
    parts.append("    }\n    return {};\n}\n\n} // namespace quillet::fonts\n")
    text = "".join(parts)
    # Rewritten only when it changes, so that nothing rebuilds for nothing.
    try:
        with open(out, encoding="ascii") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(out, "w", encoding="ascii") as f:
        f.write(text)


if __name__ == "__main__":
    main()
