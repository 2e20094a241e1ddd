#!/usr/bin/env python3
"""Draws the title bar's built-in menu-button picture and writes it as a 32-bit BMP file.

Three 24 x 22 states side by side: normal, hot, pressed. A rounded button with a one-pixel
darker edge; the pixels outside the rounded corners hold the key colour (fuchsia, alpha byte 0).
The picture stores inverted alpha with straight colours (alpha byte 0 is opaque), as the
engine's loader expects: it turns it into normal alpha with premultiplied colours. Only the
Python standard library is used.

    tools/make_menubtn.py [output file]      (default: Source/resources/MENUBTN.bmp)
"""
import struct
import sys

W, H = 24, 22
STATES = [(0x8D, 0x5A, 0x0E), (0xC0, 0x80, 0x20), (0x60, 0x3C, 0x08)]  # B, G, R: normal, hot, pressed
EDGE = 0.6  # the edge's share of the face colour
KEY = (0xFF, 0x00, 0xFF)


def corner_cut(x, y):
    """Outside the rounded corners (radius 3)."""
    for cx, cy in ((2, 2), (W - 3, 2), (2, H - 3), (W - 3, H - 3)):
        in_corner = (x < 2 if cx == 2 else x > W - 3) and (y < 2 if cy == 2 else y > H - 3)
        if in_corner and (x - cx) ** 2 + (y - cy) ** 2 > 4:
            return True
    return False


def pixel(state, x, y):
    if corner_cut(x, y):
        return KEY + (0,)
    b, g, r = STATES[state]
    if x in (0, W - 1) or y in (0, H - 1):
        b, g, r = int(b * EDGE), int(g * EDGE), int(r * EDGE)
    return (b, g, r, 0)  # inverted alpha: 0 is opaque


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "Source/resources/MENUBTN.bmp"
    width = 3 * W
    rows = []
    for y in range(H - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            row += bytes(pixel(x // W, x % W, y))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 32, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    with open(out, "wb") as f:
        f.write(file_header + header + data)


if __name__ == "__main__":
    main()
