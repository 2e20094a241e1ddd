#!/usr/bin/env python3
"""Packs a folder skin into one packed skin file (kpz) with its preview picture.

    tools/pack_skin.py SKIN_FOLDER OUTPUT.kpz [--preview PICTURE.png]

The packed file (all integers 32-bit little-endian):

    "TwSk", entry count n (the options entry included), then n entries back to back:
        name length (1 to 255), name (8-bit, no terminator), inflated size, zlib stream
    then the preview block: "previewimg", byte count, a 140 x 100 PNG stored as it is.

"Options.dat" comes first, then every other file of the folder (and of its subfolders, named
with a backslash as the skin's references name them) in name order. The engine's reader
(Source/skin/sSkinManagerSources.h) describes the limits it checks; this packer refuses a
folder that would break them. Without --preview the picture is drawn from the skin: its main
colour, its title bar, an edit and a button, each from the skin's own pictures where it has
them. The output depends only on the folder: packing twice gives the same bytes.
"""
import argparse
import configparser
import os
import struct
import sys
import zlib

# The PNG reader and writer of the skin generator.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "skin"))
from raster import decode_png, encode_png  # noqa: E402

SIGNATURE = b"TwSk"
PREVIEW_MARKER = b"previewimg"
PREVIEW_SIZE = (140, 100)
MAX_NAME = 255
MAX_ENTRY = 64 << 20
MAX_TOTAL = 256 << 20
MAX_ENTRIES = 4096


# ---- the entries -----------------------------------------------------------------------

def skin_files(folder):
    """(name as the skin names it, path) of every file but Options.dat, in name order."""
    found = []
    for root, _dirs, files in os.walk(folder):
        for f in files:
            path = os.path.join(root, f)
            rel = os.path.relpath(path, folder).replace(os.sep, "\\")
            if rel.upper() != "OPTIONS.DAT":
                found.append((rel, path))
    return sorted(found, key=lambda e: e[0].upper())


def entry(name, data):
    raw = name.encode("cp1252")
    if not 1 <= len(raw) <= MAX_NAME:
        raise ValueError("name of %d bytes: %s" % (len(raw), name))
    if len(data) > MAX_ENTRY:
        raise ValueError("%s is larger than %d bytes" % (name, MAX_ENTRY))
    return struct.pack("<i", len(raw)) + raw + struct.pack("<i", len(data)) + zlib.compress(data, 9)


def pack(folder, preview):
    options_path = os.path.join(folder, "Options.dat")
    with open(options_path, "rb") as f:
        options = f.read()
    files = skin_files(folder)
    if len(files) + 1 > MAX_ENTRIES:
        raise ValueError("more than %d entries" % MAX_ENTRIES)
    total = len(options)
    out = bytearray(SIGNATURE + struct.pack("<i", len(files) + 1))
    out += entry("Options.dat", options)
    for name, path in files:
        with open(path, "rb") as f:
            data = f.read()
        total += len(data)
        out += entry(name, data)
    if total > MAX_TOTAL:
        raise ValueError("the files hold more than %d bytes" % MAX_TOTAL)
    out += PREVIEW_MARKER + struct.pack("<i", len(preview)) + preview
    return bytes(out)


# ---- the preview picture ------------------------------------------------------------------

def read_options(folder):
    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str  # the engine reads keys case-sensitively
    with open(os.path.join(folder, "Options.dat"), encoding="utf-8", errors="replace") as f:
        ini.read_file(f)
    return ini


def colour(ini, section, key, default):
    """A skin colour (0x00BBGGRR) as (r, g, b)."""
    try:
        text = ini.get(section, key).strip()
        v = int(text[1:], 16) if text.startswith("$") else int(text, 0)
    except (configparser.Error, ValueError):
        v = default
    return (v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF)


def frame_picture(folder, ini, section):
    """The first state of the section's "!" border picture: (width, height, rows, borders),
    or None."""
    try:
        value = ini.get(section, "BORDERSMASK").strip()
    except configparser.Error:
        return None
    fields = [f for f in value.split("!") if f]
    if not value.startswith("!") or len(fields) < 8:
        return None
    try:
        count = max(1, int(fields[1]))
        borders = [int(v) for v in fields[4:8]]
        with open(os.path.join(folder, fields[0]), "rb") as f:
            width, height, rows = decode_png(f.read())
    except (OSError, ValueError):
        return None
    state = width // count
    return state, height, [row[:state * 4] for row in rows], borders


def draw_nine_part(canvas, box, picture):
    """Lays the picture into box = (x, y, w, h) of the RGB canvas, corners kept, sides and
    centre stretched (nearest pixel), by its alpha."""
    x0, y0, w, h = box
    sw, sh, rows, (wl, wt, wr, wb) = picture

    def source(t, size, a, b, src):
        if t < a:
            return min(t, src - 1)
        if t >= size - b:
            return max(0, src - (size - t))
        middle = max(1, size - a - b)
        return min(src - 1, a + (t - a) * max(1, src - a - b) // middle)

    for y in range(h):
        sy = source(y, h, wt, wb, sh)
        for x in range(w):
            sx = source(x, w, wl, wr, sw)
            r, g, b, a = rows[sy][sx * 4:sx * 4 + 4]
            cx, cy = x0 + x, y0 + y
            if a and 0 <= cx < PREVIEW_SIZE[0] and 0 <= cy < PREVIEW_SIZE[1]:
                p = canvas[cy][cx]
                canvas[cy][cx] = tuple((s * a + d * (255 - a)) // 255 for s, d in zip((r, g, b), p))


def fill(canvas, box, rgb):
    x0, y0, w, h = box
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            canvas[y][x] = rgb


def draw_preview(folder):
    ini = read_options(folder)
    width, height = PREVIEW_SIZE
    background = colour(ini, "GLOBALINFO", "COLOR", 0xF0F0F0)
    canvas = [[background] * width for _ in range(height)]
    parts = [("FORMTITLE", (0, 0, width, 24)), ("EDIT", (12, 36, width - 24, 22)), ("BUTTON", (30, 68, 80, 24))]
    for section, box in parts:
        picture = frame_picture(folder, ini, section)
        if picture:
            draw_nine_part(canvas, box, picture)
        else:
            fill(canvas, box, colour(ini, section, "COLOR", 0xE0E0E0))
    rows = [b"".join(bytes(p) + b"\xff" for p in row) for row in canvas]
    return encode_png(width, height, rows)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("folder", help="the folder skin (the folder that holds Options.dat)")
    ap.add_argument("output", help="the packed skin file to write")
    ap.add_argument("--preview", help="a PNG picture to store as the preview instead of drawing one")
    args = ap.parse_args()
    try:
        if args.preview:
            with open(args.preview, "rb") as f:
                preview = f.read()
        else:
            preview = draw_preview(args.folder)
        data = pack(args.folder, preview)
    except (OSError, ValueError) as e:
        print("pack_skin.py: %s" % e, file=sys.stderr)
        return 1
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
