#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The MSX fonts of the build, read back from their outlines and held
against the ROM glyphs they were drawn from.

    test_msx_fonts.py MANIFEST [unittest options]

MANIFEST (build/fonts/fonts.txt) names, one font a line and tab-separated,
its family, the .ttf, the C-BIOS ROM and the quillet-charmap map.
"""

import os
import subprocess
import sys
import tempfile
import unittest

from fontTools.ttLib import TTFont

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "make-msx-font.py")
CELL = 8
FONTS = []


class Font:
    def __init__(self, family, ttf, rom, map_path):
        self.family = family
        self.ttf_path = ttf
        self.rom_path = rom
        self.map_path = map_path
        self.font = TTFont(ttf)
        with open(rom, "rb") as f:
            data = f.read()
        address = data[4] | data[5] << 8
        self.rom = [data[address + 8 * c : address + 8 * c + 8] for c in range(256)]
        self.entries = []
        with open(map_path, encoding="ascii") as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                kind, code, point = line.split()
                self.entries.append((kind, int(code, 16), int(point[2:], 16)))

    def rom_bitmap(self, kind, code):
        return self.rom[code] if kind == "char" else self.rom[code - 0x40]

    @property
    def pixel(self):
        return self.font["head"].unitsPerEm // CELL

    def contours(self, name):
        glyf = self.font["glyf"]
        coordinates, ends, flags = glyf[name].getCoordinates(glyf)
        contours, start = [], 0
        for end in ends:
            contours.append([(coordinates[i], flags[i]) for i in range(start, end + 1)])
            start = end + 1
        return contours

    def raster(self, name):
        """The glyph as 8 rows of 8 pixels: a pixel is set when its centre
        lies inside the outline (non-zero winding)."""
        ascent = self.font["hhea"].ascent
        pixel = self.pixel
        edges = []
        for contour in self.contours(name):
            points = [point for point, _ in contour]
            edges += zip(points, points[1:] + points[:1])
        rows = []
        for row in range(CELL):
            y = ascent - (row + 0.5) * pixel
            bits = 0
            for column in range(CELL):
                x = (column + 0.5) * pixel
                winding = 0
                for (x0, y0), (x1, y1) in edges:
                    if (y0 <= y) != (y1 <= y):
                        crossing = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                        if crossing > x:
                            winding += 1 if y1 > y0 else -1
                if winding:
                    bits |= 0x80 >> column
            rows.append(bits)
        return bytes(rows)


def art(bitmap):
    return "\n".join("".join("#" if bits & (0x80 >> x) else "." for x in range(CELL)) for bits in bitmap)


class MsxFontTest(unittest.TestCase):
    def test_the_three_fonts_are_built(self):
        self.assertEqual(
            sorted(font.family for font in FONTS),
            ["Quillet MSX Brazilian", "Quillet MSX International", "Quillet MSX JP"],
        )

    def test_every_code_shows_its_rom_glyph_at_its_stand_in(self):
        for font in FONTS:
            cmap = font.font.getBestCmap()
            sharing = {}
            for kind, code, point in font.entries:
                sharing.setdefault(point, []).append((kind, code))
            for kind, code, point in font.entries:
                with self.subTest(font=font.family, kind=kind, code=f"{code:02X}", point=f"U+{point:04X}"):
                    self.assertIn(point, cmap)
                    drawn = font.raster(cmap[point])
                    expected = font.rom_bitmap(kind, code)
                    if drawn == expected:
                        continue
                    # One code point holds one glyph: a code may show
                    # another's only where they share the stand-in, and
                    # never the code that is its own character or the
                    # lowest character code of the stand-in.
                    others = [(k, c) for k, c in sharing[point] if font.rom_bitmap(k, c) == drawn]
                    lowest_char = min((c for k, c in sharing[point] if k == "char"), default=None)
                    self.assertTrue(
                        others and code != point and not (kind == "char" and code == lowest_char),
                        f"drawn:\n{art(drawn)}\nROM:\n{art(expected)}",
                    )

    def test_every_glyph_is_one_cell_wide(self):
        for font in FONTS:
            em = font.font["head"].unitsPerEm
            advances = {advance for advance, _ in font.font["hmtx"].metrics.values()}
            self.assertEqual(advances, {em}, font.family)
            self.assertEqual(font.font["post"].isFixedPitch, 1, font.family)

    def test_the_em_is_the_cell_and_lines_touch(self):
        for font in FONTS:
            with self.subTest(font=font.family):
                em = font.font["head"].unitsPerEm
                self.assertEqual(em % CELL, 0)
                hhea, os2 = font.font["hhea"], font.font["OS/2"]
                self.assertEqual(hhea.ascent - hhea.descent, em)
                self.assertEqual(hhea.lineGap, 0)
                self.assertEqual(os2.sTypoAscender - os2.sTypoDescender, em)
                self.assertEqual(os2.sTypoLineGap, 0)
                self.assertEqual(os2.usWinAscent + os2.usWinDescent, em)
                self.assertEqual((os2.sTypoAscender, os2.usWinAscent), (hhea.ascent, hhea.ascent))
                self.assertTrue(os2.fsSelection & (1 << 7), "the typographic metrics are the line metrics")

    def test_outlines_are_pixel_rectangles_inside_the_cell(self):
        for font in FONTS:
            pixel = font.pixel
            top, bottom = font.font["hhea"].ascent, font.font["hhea"].descent
            for name in font.font.getGlyphOrder():
                for contour in font.contours(name):
                    with self.subTest(font=font.family, glyph=name):
                        self.assertEqual(len(contour), 4)
                        self.assertTrue(all(flag & 1 for _, flag in contour), "off-curve point")
                        xs = sorted({x for (x, _), _ in contour})
                        ys = sorted({y for (_, y), _ in contour})
                        self.assertEqual((len(xs), len(ys)), (2, 2), "not an upright rectangle")
                        self.assertEqual(ys[1] - ys[0], pixel, "one pixel row high")
                        self.assertTrue(all(v % pixel == 0 for v in xs + ys), "off the pixel grid")
                        self.assertTrue(0 <= xs[0] and xs[1] <= CELL * pixel)
                        self.assertTrue(bottom <= ys[0] and ys[1] <= top)

    def test_freetype_keeps_the_outlines_on_the_grid(self):
        # FreeType auto-hints a TrueType font without any instructions and
        # moves its edges off the pixel grid; a control value program makes
        # it use the font's own, which leave the outlines as they are.
        for font in FONTS:
            with self.subTest(font=font.family):
                self.assertIn("prep", font.font)
                self.assertTrue(font.font["prep"].program.getBytecode())
                self.assertGreaterEqual(font.font["maxp"].maxStackElements, 1)

    def test_capitals_stand_on_the_baseline_and_box_drawing_spans_the_line(self):
        for font in FONTS:
            with self.subTest(font=font.family):
                cmap, glyf = font.font.getBestCmap(), font.font["glyf"]
                h = glyf[cmap[ord("H")]]
                h.recalcBounds(glyf)
                self.assertEqual(h.yMin, 0)
                bar = glyf[cmap[0x2502]]
                bar.recalcBounds(glyf)
                self.assertEqual((bar.yMin, bar.yMax), (font.font["hhea"].descent, font.font["hhea"].ascent))

    def test_notdef_space_and_names(self):
        for font in FONTS:
            with self.subTest(font=font.family):
                self.assertEqual(font.font.getGlyphOrder()[0], ".notdef")
                self.assertTrue(font.contours(".notdef"), "the .notdef box is empty")
                self.assertEqual(font.raster(font.font.getBestCmap()[0x20]), bytes(CELL))
                name = font.font["name"]
                self.assertEqual(name.getDebugName(1), font.family)
                self.assertEqual(name.getDebugName(2), "Regular")
                self.assertIn("C-BIOS", name.getDebugName(0))
                self.assertIn("Maarten ter Huurne", name.getDebugName(0))
                self.assertIn("Redistribution and use in source and binary forms", name.getDebugName(13))

    def test_a_second_build_gives_the_same_bytes(self):
        font = FONTS[0]
        with tempfile.TemporaryDirectory() as folder:
            again = os.path.join(folder, "again.ttf")
            subprocess.run(
                [sys.executable, SCRIPT, font.rom_path, font.map_path, font.family, again],
                check=True,
                env=dict(os.environ, SOURCE_DATE_EPOCH="1"),
            )
            with open(font.ttf_path, "rb") as built, open(again, "rb") as rebuilt:
                self.assertEqual(built.read(), rebuilt.read())


def main():
    if len(sys.argv) < 2:
        print("usage: test_msx_fonts.py MANIFEST [unittest options]", file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        for line in f:
            if line.strip():
                FONTS.append(Font(*line.rstrip("\n").split("\t")))
    program = unittest.main(argv=[sys.argv[0]] + sys.argv[2:], exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
