#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Makes a TrueType font of an MSX ROM's 8x8 character glyphs.

    make-msx-font.py ROM MAP FAMILY OUT.ttf

ROM is a C-BIOS main ROM, MAP the output of quillet-charmap for the
ROM's character set (one "char|graphic CODE U+XXXX" a line), FAMILY the
font's family name. Each code's glyph is drawn, pixel for pixel, at the
code point of its Unicode stand-in, so the viewer shows the text it holds
with the machine's own glyphs.

The em is the 8-pixel cell, 128 units a pixel, and every glyph is one cell
wide. Ascent plus descent is the em and there is no line gap, so lines
touch as on the MSX screen and box drawing joins from line to line.
"""

import argparse
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import ttProgram

PIXEL = 128
CELL = 8
EM = PIXEL * CELL
FONT_ADDRESS_OFFSET = 4  # the BIOS's CGTABL: where the font lies in the ROM
GRAPHIC_FIRST = 0x40
GRAPHIC_COUNT = 32
# 2024-01-01 00:00 UTC in seconds since 1904, the head table's epoch: a
# fixed time keeps every build of the font the same bytes.
TIMESTAMP = 3786912000

CBIOS_COPYRIGHT = (
    "Glyphs from C-BIOS (https://cbios.sourceforge.net/). "
    "Copyright 2002-2005 BouKiCHi, 2003 Reikan, "
    "2004-2005 Patrick van Arkel, 2004-2006 Joost Yervante Damad, "
    "2004-2006 Jussi Pitk\u00e4nen, 2004-2008 Eric Boon, "
    "2004-2011 Albert Beevendorp, 2004-2011 Manuel Bilderbeek, "
    "2004-2014 Maarten ter Huurne, 2010 FRS."
)

BSD_2_CLAUSE = """Redistribution and use in source and binary forms, with or without \
modification, are permitted provided that the following conditions are met:
1. Redistributions of source code must retain the above copyright notice, \
this list of conditions and the following disclaimer.
2. Redistributions in binary form must reproduce the above copyright \
notice, this list of conditions and the following disclaimer in the \
documentation and/or other materials provided with the distribution.

THIS SOFTWARE IS PROVIDED BY THE AUTHOR ``AS IS'' AND ANY EXPRESS OR \
IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED WARRANTIES \
OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE DISCLAIMED. \
IN NO EVENT SHALL THE AUTHOR BE LIABLE FOR ANY DIRECT, INDIRECT, \
INCIDENTAL, SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT \
NOT LIMITED TO, PROCUREMENT OF SUBSTITUTE GOODS OR SERVICES; LOSS OF USE, \
DATA, OR PROFITS; OR BUSINESS INTERRUPTION) HOWEVER CAUSED AND ON ANY \
THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT LIABILITY, OR TORT \
(INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE OF \
THIS SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE."""

PANOSE_ANY = dict.fromkeys(
    ("bFamilyType", "bSerifStyle", "bWeight", "bProportion", "bContrast", "bStrokeVariation", "bArmStyle",
     "bLetterForm", "bMidline", "bXHeight"),
    0,
)

# A hollow box for characters the font has no glyph for.
NOTDEF = bytes([0x00, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x7E, 0x00])


class FontError(Exception):
    pass


def read_rom_glyphs(path):
    """The 256 glyphs of the ROM's font, 8 bytes each, top row first."""
    with open(path, "rb") as f:
        rom = f.read()
    if len(rom) < FONT_ADDRESS_OFFSET + 2:
        raise FontError(f"{path}: too short for an MSX main ROM")
    address = int.from_bytes(rom[FONT_ADDRESS_OFFSET : FONT_ADDRESS_OFFSET + 2], "little")
    if address + 256 * 8 > len(rom):
        raise FontError(f"{path}: the font address 0x{address:04X} lies outside the ROM")
    return [rom[address + 8 * code : address + 8 * code + 8] for code in range(256)]


def read_map(path):
    """(kind, code, code point) for each line of a quillet-charmap map."""
    entries = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            try:
                kind, code, point = fields
                code = int(code, 16)
                if not point.startswith("U+"):
                    raise ValueError
                point = int(point[2:], 16)
            except ValueError:
                raise FontError(f"{path}:{number}: not 'char|graphic CODE U+XXXX': {line.strip()}") from None
            if kind == "char":
                valid = 0 <= code < 256
            elif kind == "graphic":
                valid = GRAPHIC_FIRST <= code < GRAPHIC_FIRST + GRAPHIC_COUNT
            else:
                valid = False
            if not valid:
                raise FontError(f"{path}:{number}: no such code: {line.strip()}")
            if point < 0x20 or 0x7F <= point < 0xA0 or 0xD800 <= point < 0xE000 or point > 0x10FFFF:
                raise FontError(f"{path}:{number}: U+{point:04X} is not a displayable character")
            entries.append((kind, code, point))
    if not any(kind == "char" for kind, _, _ in entries):
        raise FontError(f"{path}: no character codes")
    return entries


def rom_bitmap(glyphs, kind, code):
    # The graphic codes show the font's first 32 positions.
    return glyphs[code] if kind == "char" else glyphs[code - GRAPHIC_FIRST]


def glyphs_by_code_point(glyphs, entries):
    """The bitmap drawn at each code point. Where several codes share a
    stand-in, a code standing for itself (ASCII) wins, then the lowest
    character code, so the blanks give one space and a full block stays
    full even where the cursor slot also stands for it."""
    chosen = {}
    for kind, code, point in entries:
        rank = (0 if kind == "char" and code == point else 1, 0 if kind == "char" else 1, code)
        if point not in chosen or rank < chosen[point][0]:
            chosen[point] = (rank, rom_bitmap(glyphs, kind, code))
    return {point: bitmap for point, (_, bitmap) in sorted(chosen.items())}


def ink_rows(bitmap):
    return [row for row in range(CELL) if bitmap[row]]


def ascent_rows(glyphs):
    """Pixel rows above the baseline: the baseline runs under the capital
    H, so the font's letters stand on the same line as other fonts' and
    the descenders hang below it."""
    rows = ink_rows(glyphs[ord("H")])
    if not rows:
        raise FontError("the ROM's H is blank; cannot place the baseline")
    return rows[-1] + 1


def row_runs(bits):
    """The runs of set pixels in one row, as (first column, end column)."""
    runs = []
    column = 0
    while column < CELL:
        if bits & (0x80 >> column):
            start = column
            while column < CELL and bits & (0x80 >> column):
                column += 1
            runs.append((start, column))
        else:
            column += 1
    return runs


def draw(bitmap, ascent):
    """The glyph's outline: one clockwise rectangle per run of pixels in a
    row, every corner on the pixel grid."""
    pen = TTGlyphPen(None)
    for row, bits in enumerate(bitmap):
        top = (ascent - row) * PIXEL
        bottom = top - PIXEL
        for start, end in row_runs(bits):
            left, right = start * PIXEL, end * PIXEL
            pen.moveTo((left, bottom))
            pen.lineTo((left, top))
            pen.lineTo((right, top))
            pen.lineTo((right, bottom))
            pen.closePath()
    return pen.glyph()


def left_side_bearing(bitmap):
    columns = [start for bits in bitmap for start, _ in row_runs(bits)]
    return min(columns) * PIXEL if columns else 0


def glyph_name(point):
    if point == 0x20:
        return "space"
    return f"uni{point:04X}" if point <= 0xFFFF else f"u{point:05X}"


def build_font(glyphs, entries, family):
    ascent = ascent_rows(glyphs)
    descent = CELL - ascent
    bitmaps = glyphs_by_code_point(glyphs, entries)
    if 0x20 not in bitmaps:
        bitmaps[0x20] = bytes(CELL)
    bitmaps = dict(sorted(bitmaps.items()))

    order = [".notdef"] + [glyph_name(point) for point in bitmaps]
    drawn = {".notdef": NOTDEF}
    drawn.update((glyph_name(point), bitmap) for point, bitmap in bitmaps.items())

    fb = FontBuilder(EM, isTTF=True)
    fb.font.recalcTimestamp = False  # head keeps TIMESTAMP when saved
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({point: glyph_name(point) for point in bitmaps})
    fb.setupGlyf({name: draw(bitmap, ascent) for name, bitmap in drawn.items()})
    fb.setupHorizontalMetrics({name: (EM, left_side_bearing(bitmap)) for name, bitmap in drawn.items()})
    fb.setupHorizontalHeader(ascent=ascent * PIXEL, descent=-descent * PIXEL, lineGap=0)

    cap_rows = ink_rows(glyphs[ord("H")])
    x_rows = ink_rows(glyphs[ord("x")])
    fb.setupOS2(
        version=4,
        xAvgCharWidth=EM,
        fsType=0,  # installable: BSD-2-Clause allows any use
        achVendID="QLLT",
        # Regular, and the typographic metrics are the line metrics.
        fsSelection=(1 << 6) | (1 << 7),
        sTypoAscender=ascent * PIXEL,
        sTypoDescender=-descent * PIXEL,
        sTypoLineGap=0,
        usWinAscent=ascent * PIXEL,
        usWinDescent=descent * PIXEL,
        sCapHeight=(ascent - cap_rows[0]) * PIXEL,
        sxHeight=(ascent - x_rows[0]) * PIXEL if x_rows else 0,
        yStrikeoutSize=PIXEL,
        yStrikeoutPosition=(ascent - cap_rows[0]) * PIXEL // 2,
        # Latin text, monospaced.
        panose=dict(PANOSE_ANY, bFamilyType=2, bProportion=9),
    )

    fb.setupPost(
        isFixedPitch=1,
        # The underline fills the cell's bottom pixel row.
        underlinePosition=-descent * PIXEL + PIXEL,
        underlineThickness=PIXEL,
    )
    # A control value program, however small, makes FreeType hint the font
    # with its TrueType interpreter, which keeps outlines that already lie
    # on the pixel grid as they are, instead of the auto-hinter, which moves
    # edges by fractions of a pixel and smears lines. This one turns on
    # dropout control at every size: PUSHW 0x01FF, SCANCTRL, PUSHB 1,
    # SCANTYPE.
    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromBytecode(bytes([0xB8, 0x01, 0xFF, 0x85, 0xB0, 0x01, 0x8D]))
    fb.font["prep"] = prep
    fb.font["maxp"].maxStackElements = 1

    fb.updateHead(created=TIMESTAMP, modified=TIMESTAMP, fontRevision=1.0, lowestRecPPEM=CELL)

    ps_name = family.replace(" ", "") + "-Regular"
    fb.setupNameTable(
        {
            "copyright": CBIOS_COPYRIGHT,
            "familyName": family,
            "styleName": "Regular",
            "uniqueFontIdentifier": f"Quillet: {family} Regular 1.000",
            "fullName": f"{family} Regular",
            "version": "Version 1.000",
            "psName": ps_name,
            "manufacturer": "Quillet",
            "description": "The MSX character glyphs of C-BIOS as an 8x8 pixel font, one pixel 128 units.",
            "licenseDescription": CBIOS_COPYRIGHT + "\n\n" + BSD_2_CLAUSE,
            "licenseInfoURL": "https://opensource.org/licenses/BSD-2-Clause",
        },
        mac=False,
    )
    return fb.font


def main(argv):
    parser = argparse.ArgumentParser(description="Make a TrueType font of an MSX ROM's character glyphs.")
    parser.add_argument("rom", help="MSX main ROM (C-BIOS)")
    parser.add_argument("map", help="character map written by quillet-charmap")
    parser.add_argument("family", help="font family name")
    parser.add_argument("output", help="the .ttf to write")
    args = parser.parse_args(argv)
    try:
        font = build_font(read_rom_glyphs(args.rom), read_map(args.map), args.family)
    except (OSError, FontError) as error:
        print(f"make-msx-font.py: {error}", file=sys.stderr)
        return 1
    # Written beside its name and renamed, so a failed run leaves no font
    # that a later build would take as done.
    partial = args.output + ".part"
    try:
        font.save(partial)
        os.replace(partial, args.output)
    except OSError as error:
        print(f"make-msx-font.py: {args.output}: {error}", file=sys.stderr)
        try:
            os.remove(partial)
        except OSError:
            pass
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
