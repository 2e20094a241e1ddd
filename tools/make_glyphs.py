#!/usr/bin/env python3
"""Draws the engine's built-in button glyphs and writes them as PNG files.

Each picture is 48 x 24 pixels, 8-bit RGBA: two 24 x 24 states side by side, the normal look
on the left and the hot look on the right. Shapes are described in cell coordinates (0..24)
and antialiased by 4 x 4 supersampling. Only the Python standard library is used.

    tools/make_glyphs.py [output folder]      (default: Source/resources)

Resources: SF open a file, SR open a folder, SD pick a date, SE more (ellipsis), SC calculator.
"""
import os
import struct
import sys
import zlib

CELL = 24
SAMPLES = 4
STATES = [(72, 72, 72), (24, 104, 196)]  # normal, hot


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 < r * r


def polygon(points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                result = not result
        return result
    return inside


def frame(x0, y0, x1, y1, w):
    outer, inner = rect(x0, y0, x1, y1), rect(x0 + w, y0 + w, x1 - w, y1 - w)
    return lambda x, y: outer(x, y) and not inner(x, y)


# Each glyph: a list of (add, shape); later entries win, so holes are cut by add=False.
GLYPHS = {
    "SF": [  # a page with a folded corner and three text lines
        (True, polygon([(5, 2.5), (14, 2.5), (19, 7.5), (19, 21.5), (5, 21.5)])),
        (False, polygon([(6.5, 4), (13.4, 4), (17.5, 8.1), (17.5, 20), (6.5, 20)])),
        (True, polygon([(13, 3), (13, 9), (19, 9)])),
        (False, polygon([(14.5, 5.2), (14.5, 7.5), (16.8, 7.5)])),
        (True, rect(8.5, 11, 15.5, 12.3)),
        (True, rect(8.5, 14, 15.5, 15.3)),
        (True, rect(8.5, 17, 13.5, 18.3)),
    ],
    "SR": [  # a folder with its tab
        (True, polygon([(2.5, 5), (9.5, 5), (11.5, 7.5), (21.5, 7.5), (21.5, 20), (2.5, 20)])),
        (False, polygon([(4, 10.5), (20, 10.5), (20, 18.5), (4, 18.5)])),
        (False, polygon([(4, 6.5), (8.8, 6.5), (10.2, 8.3), (4, 8.3)])),
    ],
    "SD": [  # a calendar page with rings and days
        (True, frame(3.5, 5, 20.5, 21, 1.5)),
        (True, rect(3.5, 5, 20.5, 9.5)),
        (True, rect(7, 2.5, 8.8, 7)),
        (True, rect(15.2, 2.5, 17, 7)),
    ] + [(True, rect(6.5 + 4 * c, 11.5 + 3.2 * r, 8.7 + 4 * c, 13.5 + 3.2 * r)) for r in range(3) for c in range(3)],
    "SE": [(True, circle(cx, 12.5, 2.1)) for cx in (6, 12, 18)],  # three dots
    "SC": [  # a calculator: body, display and a 3 x 3 key pad
        (True, frame(5, 2.5, 19, 21.5, 1.5)),
        (True, rect(8, 5.5, 16, 9.5)),
    ] + [(True, rect(8 + 3 * c, 11.5 + 3 * r, 10 + 3 * c, 13.5 + 3 * r)) for r in range(3) for c in range(3)],
}


def coverage(shapes, px, py):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x, y = px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES
            inside = False
            for add, shape in shapes:
                if shape(x, y):
                    inside = add
            hits += inside
    return hits * 255 // (SAMPLES * SAMPLES)


def render(shapes):
    alpha = [[coverage(shapes, x, y) for x in range(CELL)] for y in range(CELL)]
    rows = []
    for y in range(CELL):
        row = bytearray([0])  # filter: none
        for color in STATES:
            for x in range(CELL):
                a = alpha[y][x]
                row += bytes(color) + bytes([a]) if a else b"\0\0\0\0"
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, raw):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "Source", "resources")
    for name, shapes in GLYPHS.items():
        path = os.path.join(out, name + ".png")
        with open(path, "wb") as f:
            f.write(png(CELL * len(STATES), CELL, render(shapes)))
        print(path)


if __name__ == "__main__":
    main()
