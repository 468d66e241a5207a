#!/usr/bin/env python3
"""Draws the ASCII-art engine's four built-in pictures (50 rows of 80 characters) and writes
them as the C++ row tables of src/util/ascii/asciiart.cpp.

Run: python3 tools/gen_ascii_art/gen_ascii_art.py > src/util/ascii/asciiart.cpp
"""
import math

ROWS, COLS = 50, 80


def blank():
    return [['.'] * COLS for _ in range(ROWS)]


def ellipse(pic, cx, cy, rx, ry, ink, fill=True, shift=0):
    for y in range(ROWS):
        for x in range(COLS):
            d = ((x - cx - shift) / rx) ** 2 + ((y - cy) / ry) ** 2
            if fill and d <= 1.0:
                pic[y][x] = ink
            elif not fill and 0.80 <= d <= 1.0:
                pic[y][x] = ink


def figure(pic, shift):
    """A cow's head, seen from the front: horns, ears, face, eyes, muzzle and nostrils."""
    # Horns.
    for y in range(3, 13):
        for x in range(COLS):
            for side in (-1, 1):
                hx = 40 + shift + side * (14 + (12 - y) * 1.3)
                if abs(x - hx) <= 1.2 - (12 - y) * 0.05:
                    pic[y][x] = ':'
    # Ears.
    ellipse(pic, 20, 15, 7, 3, 'o', shift=shift)
    ellipse(pic, 60, 15, 7, 3, 'o', shift=shift)
    # Face and its outline.
    ellipse(pic, 40, 22, 16, 14, '8', shift=shift)
    ellipse(pic, 40, 22, 16, 14, '#', fill=False, shift=shift)
    # Spots.
    ellipse(pic, 33, 15, 4, 3, '#', shift=shift)
    ellipse(pic, 49, 25, 3, 2, '#', shift=shift)
    # Eyes.
    ellipse(pic, 33, 21, 2.5, 1.6, 'o', shift=shift)
    ellipse(pic, 47, 21, 2.5, 1.6, 'o', shift=shift)
    ellipse(pic, 33, 21, 1, 0.8, '#', shift=shift)
    ellipse(pic, 47, 21, 1, 0.8, '#', shift=shift)
    # Muzzle and nostrils.
    ellipse(pic, 40, 36, 13, 7, 'o', shift=shift)
    ellipse(pic, 40, 36, 13, 7, '#', fill=False, shift=shift)
    ellipse(pic, 35, 36, 2, 1.5, '#', shift=shift)
    ellipse(pic, 45, 36, 2, 1.5, '#', shift=shift)
    # Neck.
    for y in range(43, ROWS):
        for x in range(COLS):
            if abs(x - 40 - shift) <= 9 + (y - 43) * 0.6:
                pic[y][x] = ':'


# A 5 x 7 block font for the letters the logos use.
FONT = {
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    ' ': ["00000"] * 7,
}


def lettering(pic, text, top, scale_x, scale_y, ink, shadow):
    width = len(text) * 6 * scale_x - scale_x
    left = (COLS - width) // 2
    for i, ch in enumerate(text):
        glyph = FONT[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit != '1':
                    continue
                for sy in range(scale_y):
                    for sx in range(scale_x):
                        x = left + (i * 6 + gx) * scale_x + sx
                        y = top + gy * scale_y + sy
                        if 0 <= y + 1 < ROWS and 0 <= x + 1 < COLS and pic[y + 1][x + 1] == '.':
                            pic[y + 1][x + 1] = shadow
                        if 0 <= y < ROWS and 0 <= x < COLS:
                            pic[y][x] = ink


def border(pic, ink):
    for x in range(COLS):
        pic[0][x] = pic[ROWS - 1][x] = ink
    for y in range(ROWS):
        pic[y][0] = pic[y][COLS - 1] = ink


def waves(pic, top, bottom, ink):
    for y in range(top, bottom):
        for x in range(COLS):
            if abs(math.sin(x * 0.25 + y * 0.9)) > 0.92 and pic[y][x] == '.':
                pic[y][x] = ink


def pictures():
    result = []
    # 0: the large figure.
    p = blank()
    figure(p, 0)
    result.append(p)
    # 1: the same figure moved right beside a blank window 30 columns wide.
    p = blank()
    figure(p, 17)
    for y in range(6, 44):
        for x in range(5, 35):
            p[y][x] = ' '
    result.append(p)
    # 2: a lettering logo.
    p = blank()
    border(p, '#')
    lettering(p, "QUOREL", 6, 2, 3, '8', 'o')
    lettering(p, "TARNHOLM", 32, 1, 2, '#', ':')
    waves(p, 28, 31, ':')
    result.append(p)
    # 3: a second lettering logo.
    p = blank()
    lettering(p, "KU", 4, 5, 4, '#', 'o')
    lettering(p, "THE END", 38, 1, 1, '8', ':')
    waves(p, 34, 37, 'o')
    result.append(p)
    return result


def main():
    out = []
    out.append("// The ASCII-art engine's four built-in pictures, 50 rows of 80 characters each: a cow's")
    out.append("// head, the same head beside an empty window, and two lettering logos. Drawn by")
    out.append("// tools/gen_ascii_art/gen_ascii_art.py; regenerate rather than edit by hand.")
    out.append('#include "util/ascii/asciiengine.h"')
    out.append("")
    out.append("namespace {")
    out.append("")
    for n, pic in enumerate(pictures()):
        out.append("const char* const picture%d[AsciiEngine::PICTURE_ROWS] = {" % n)
        for row in pic:
            text = ''.join(row)
            assert len(text) == COLS
            out.append('    "%s",' % text)
        out.append("};")
        out.append("")
    out.append("} // namespace")
    out.append("")
    out.append("void AsciiEngine::init_art()")
    out.append("{")
    out.append("    pictures[0] = picture0;")
    out.append("    pictures[1] = picture1;")
    out.append("    pictures[2] = picture2;")
    out.append("    pictures[3] = picture3;")
    out.append("}")
    print('\n'.join(out))


if __name__ == '__main__':
    main()
