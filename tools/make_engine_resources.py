#!/usr/bin/env python3
"""Draws two of the engine's resources at build time. Only the Python standard library is used.

    tools/make_engine_resources.py <output folder>

KVHINT.png: the picture of the default hint template, 27 x 27 pixels, 8-bit RGBA. A pale yellow
bubble (body RGB 250,250,176, a one-pixel edge of RGB 248,248,145, corners rounded by one
pixel) on a soft black drop shadow. Its geometry matches the sizes the engine gives the
template (left, top, right, bottom): shadow 6, 5, 7, 8 (the bubble spans columns 6..19 and
rows 5..18, so the shadow reaches further to the right and bottom), border widths 11, 10,
14, 15 (the nine-part centre is the 2 x 2 body pixels at columns 11..12, rows 10..11) and
client margins 11, 8, 16, 15 (inside the bubble).

CRKPPIPETTE.cur: a 32 x 32 cursor of a pipette (colour picker), 32-bit with alpha, hot spot at
its tip (bottom left).
"""
import math
import os
import struct
import sys
import zlib

SIZE = 27
SHADOW = (6, 5, 7, 8)  # left, top, right, bottom
BODY = (250, 250, 176)
EDGE = (248, 248, 145)


def png(width, height, rows):
    """A PNG file of 8-bit RGBA rows (lists of (r, g, b, a))."""
    raw = b''.join(b'\0' + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def hint_picture():
    left, top = SHADOW[0], SHADOW[1]
    right, bottom = SIZE - 1 - SHADOW[2], SIZE - 1 - SHADOW[3]

    def in_bubble(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        corner_x = x in (left, right)
        corner_y = y in (top, bottom)
        return not (corner_x and corner_y)  # corners rounded by one pixel

    def on_edge(x, y):
        return (x in (left, right) or y in (top, bottom)
                or (x in (left + 1, right - 1) and y in (top + 1, bottom - 1)))

    # The shadow: the bubble moved 1 right and 2 down, its alpha falling off with distance.
    sl, st, sr, sb = left + 1, top + 2, right + 1, bottom + 2

    def shadow_alpha(x, y):
        dx = max(sl - x, 0, x - sr)
        dy = max(st - y, 0, y - sb)
        d = math.hypot(dx, dy)
        reach = 6.0
        if d >= reach:
            return 0
        return int(round(90 * (1 - d / reach) ** 2))

    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if in_bubble(x, y):
                row.append((*(EDGE if on_edge(x, y) else BODY), 255))
            else:
                row.append((0, 0, 0, shadow_alpha(x, y)))
        rows.append(row)
    return png(SIZE, SIZE, rows)


def pipette_cursor():
    """A .cur file: one 32 x 32 image, 32-bit BGRA with an AND mask, hot spot at the tip."""
    n = 32
    pixels = [[(0, 0, 0, 0)] * n for _ in range(n)]

    def dist_to_segment(px, py, ax, ay, bx, by):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - (ax + t * vx), py - (ay + t * vy))

    # The pipette lies along the diagonal from the tip (1, 30) to the bulb (27, 4).
    for y in range(n):
        for x in range(n):
            cx, cy = x + 0.5, y + 0.5
            tube = dist_to_segment(cx, cy, 2, 29, 20, 11)
            bulb = math.hypot(cx - 24, cy - 7)
            collar = dist_to_segment(cx, cy, 17, 10, 21, 14)
            if bulb <= 4.5 or collar <= 2.0:
                colour = (40, 40, 40, 255) if bulb <= 3.5 or collar <= 1.0 else (255, 255, 255, 255)
            elif tube <= 2.2:
                colour = (230, 230, 230, 255) if tube <= 1.2 else (40, 40, 40, 255)
            elif tube <= 3.2 or bulb <= 5.5 or collar <= 3.0:
                colour = (255, 255, 255, 255)  # a white outline keeps it visible on dark ground
            else:
                continue
            pixels[y][x] = colour
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row_bytes = 4  # 32 pixels, 1 bit each, rows padded to 4 bytes
    mask = b''
    for row in reversed(pixels):
        bits = 0
        for x, px in enumerate(row):
            if px[3] == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    assert len(mask) == n * mask_row_bytes
    image = header + xor + mask
    hot_x, hot_y = 1, 30
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', n, n, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in (('KVHINT.png', hint_picture()), ('CRKPPIPETTE.cur', pipette_cursor())):
        path = os.path.join(out, name)
        tmp = path + '.tmp'
        with open(tmp, 'wb') as f:
            f.write(data)
        os.replace(tmp, path)


if __name__ == '__main__':
    main()
