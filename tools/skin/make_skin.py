#!/usr/bin/env python3
"""Draws the Glimmerveil skin: "Options.dat" and its PNG pictures, for 96, 120, 144 and 192 PPI.

    tools/skin/make_skin.py OUTPUT_FOLDER [--design FILE] [--sheet PREVIEW.png]

Every value comes from the design file (tools/skin/glimmerveil-design.ini by default). Each
picture is drawn anew for each density (lengths scaled, then rounded to whole pixels where an
edge must stay sharp), never resampled from the 96 PPI one. The output depends only on the
design and this script: running it twice gives the same bytes.

The run fails (exit status 1, nothing written) when a text colour has less than 4.5:1 contrast
against a background it is drawn on, or a glyph less than 3:1 against its own.

Sections of this file: the design and the densities; picture helpers; the pictures of each
skin element; the skin text; contrast checks; the preview sheet; main.
"""
import argparse
import configparser
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raster import (Canvas, capsule_line, circle, contrast_ratio, hex_colour, mix, ring,  # noqa: E402
                    rounded_rect, segment, subtract, top_rounded_rect, union)

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DESIGN = os.path.join(HERE, "glimmerveil-design.ini")

# Densities: (PPI, suffix of the per-density keys, suffix of the picture files).
DENSITIES = [(96, "", ""), (120, "*125", "_120"), (144, "*150", "_144"), (192, "*200", "_192")]

# Draw-mode flags of skin pictures, and the mode each kind of picture takes from the painter
# that draws it. Every picture carries real alpha (DM_ALPHA): the painters then blend it by
# its alpha instead of keying out fuchsia.
DM_STRETCH, DM_ACTIVEONLY, DM_FILL, DM_ALPHA = 1, 2, 4, 16
# Nine-part pictures drawn by the item painter (sides stretched: gradients stay smooth).
FRAME_DM = DM_ALPHA | DM_STRETCH                # a frame around the section's own colour
BOX_DM = DM_ALPHA | DM_STRETCH | DM_FILL        # a picture that paints the whole item
HOT_BOX_DM = BOX_DM | DM_ACTIVEONLY             # as BOX_DM, nothing at rest (state 0 is empty)
# Glyphs are laid whole at a point by the glyph painter, which reads only DM_ALPHA.
GLYPH_DM = DM_ALPHA

MIN_TEXT_CONTRAST = 4.5
MIN_GLYPH_CONTRAST = 3.0


# ---- the design and the densities ---------------------------------------------------

class Design:
    """The design file, read as typed values."""

    def __init__(self, path):
        self.ini = configparser.ConfigParser(interpolation=None)
        with open(path, encoding="utf-8") as f:
            self.ini.read_file(f)

    def colour(self, section, key):
        value = self.ini.get(section, key)
        if value.strip().startswith("@"):  # a name from [colours]
            return self.colour("colours", value.strip()[1:])
        return hex_colour(value)

    def number(self, section, key):
        return float(self.ini.get(section, key))

    def text(self, section, key):
        return self.ini.get(section, key).strip()


def px(value, scale):
    """A length at a density, rounded half up to whole pixels (edges that must stay sharp)."""
    return max(1, int(value * scale + 0.5)) if value > 0 else 0


def vertical(top, bottom, height, y0=0):
    """Paint of a top-to-bottom gradient over height rows starting at y0."""
    return lambda x, y: mix(top, bottom, min(1.0, max(0.0, (y - y0 + 0.5) / height)))


def strip(states):
    """Lays state pictures (canvases of one size) side by side."""
    w, h = states[0].width, states[0].height
    out = Canvas(w * len(states), h)
    for i, c in enumerate(states):
        assert (c.width, c.height) == (w, h)
        out.blit(c, i * w, 0)
    return out


class Picture:
    """One skin picture at one density: its states side by side and its nine-part margins."""

    def __init__(self, canvas, states, margins=(0, 0, 0, 0), draw_mode=GLYPH_DM):
        self.canvas, self.states, self.margins, self.draw_mode = canvas, states, margins, draw_mode

    def reference(self, file_name):
        # "!" form: file, state count, mask rows (none: real alpha), picture type (0: a
        # nine-part picture; the loader keeps such pictures' straight alpha), margins, draw mode.
        wl, wt, wr, wb = self.margins
        return "!%s!%d!0!0!%04d!%04d!%04d!%04d!%02d" % (file_name, self.states, wl, wt, wr, wb, self.draw_mode)


# ---- the pictures of each skin element ------------------------------------------------

def corner_margin(radius, scale, extra=0):
    """Margin that holds a rounded corner wholly, so that the middle strips are uniform."""
    return int(math.ceil(radius * scale)) + 1 + extra


def button_picture(d, s):
    """BUTTON: normal, hot, pressed, default button at rest."""
    r = d.number("button", "radius") * s
    m = corner_margin(d.number("button", "radius"), s)
    w, h = 2 * m + 2, px(d.number("button", "height"), s)
    line = px(1, s)
    shape = rounded_rect(0, 0, w, h, r)

    def look(fill, border, border_width):
        c = Canvas(w, h)
        c.fill(shape, fill)
        c.fill(ring(shape, border_width), border)
        return c

    normal_fill = vertical(d.colour("button", "normal_top"), d.colour("button", "normal_bottom"), h)
    states = [
        look(normal_fill, d.colour("button", "normal_border"), line),
        look(d.colour("button", "hot_fill"), d.colour("button", "hot_border"), line),
        look(d.colour("button", "pressed_fill"), d.colour("button", "pressed_border"), line),
        look(normal_fill, d.colour("button", "default_border"), px(d.number("button", "default_ring"), s)),
    ]
    return Picture(strip(states), 4, (m, m, m, m), BOX_DM)


# A bordered edit keeps a frame of this many pixels around its client area at every density
# (the system's client edge); its padding widens it only on the sides that have one. While
# the edit has the focus the system paints everything inside that frame, so a line drawn
# further in would be covered.
EDIT_EDGE = 2


def edit_looks(d, s, r):
    """The edit's two looks with corners of radius r (at most the design's): margins as the
    design's radius needs, the frame in EDIT_EDGE pixels."""
    line = px(1, s)
    m = max(EDIT_EDGE, corner_margin(d.number("edit", "radius"), s))
    w = h = 2 * m + 2
    box = rounded_rect(0, 0, w, h, r)

    def look(border):
        c = Canvas(w, h)
        c.fill(box, d.colour("edit", "fill"))
        c.fill(ring(box, line), border)
        return c

    return m, [look(d.colour("edit", "border")), look(d.colour("edit", "focus_border"))]


def inside_edge_is_fill(canvas, edge, fill):
    """True when every pixel at least edge pixels in from each side is the opaque fill."""
    want = bytes(fill) + b"\xff"
    for row in canvas.rgba_rows()[edge:canvas.height - edge]:
        for x in range(edge, canvas.width - edge):
            if row[4 * x:4 * x + 4] != want:
                return False
    return True


def edit_picture(d, s):
    """EDIT: normal, and active (focused or under the mouse) in the focus colour. The corners
    take the design's radius where their curve stays in the edit's frame, else the largest
    radius (in quarter pixels) that does."""
    r = d.number("edit", "radius") * s
    while True:
        m, states = edit_looks(d, s, r)
        if r <= 0 or inside_edge_is_fill(states[1], EDIT_EDGE, d.colour("edit", "fill")):
            break
        r = max(0.0, math.floor(r * 4 - 1) / 4)
    return Picture(strip(states), 2, (m, m, m, m), BOX_DM)


def gauge_picture(d, s):
    """GAUGE: the progress bar's track."""
    m = corner_margin(d.number("progress", "track_radius"), s)
    w = h = 2 * m + 2
    c = Canvas(w, h)
    c.fill(rounded_rect(0, 0, w, h, d.number("progress", "track_radius") * s), d.colour("progress", "track"))
    return Picture(c, 1, (m, m, m, m), BOX_DM)


def progress_picture(d, s, horizontal):
    """PROGRESSH / PROGRESSV: the fill, one gradient across the bar with a lighter first row
    (column for the vertical bar). Square ends: the engine paints a segmented bar as a row
    of pieces of this picture and a smooth bar as one, and either way they read as slices of
    one continuous band."""
    across = px(d.number("progress", "fill_height"), s)
    m = 1
    w, h = (2 * m + 2, across) if horizontal else (across, 2 * m + 2)
    shape = rounded_rect(0, 0, w, h, 0)
    top, bottom = d.colour("progress", "fill_top"), d.colour("progress", "fill_bottom")
    edge = px(1, s)
    c = Canvas(w, h)
    if horizontal:
        c.fill(shape, vertical(top, bottom, h))
        c.fill(shape, d.colour("progress", "fill_edge"), d.number("progress", "fill_edge_alpha"), clip=(0, 0, w, edge))
    else:
        c.fill(shape, lambda x, y: mix(top, bottom, (x + 0.5) / w))
        c.fill(shape, d.colour("progress", "fill_edge"), d.number("progress", "fill_edge_alpha"), clip=(0, 0, edge, h))
    return Picture(c, 1, (m, m, m, m), BOX_DM)


def form_picture(d, s, fill="window"):
    """FORM: the window's frame, inactive and active. Its corners are hard-edged: the pixels
    outside the rounded shape are the transparent key, from which the window region is cut.
    Inside the frame line the picture is filled with the colour of the window's body (fill):
    its band reaches into the client, so a message box (DIALOG) takes its own surface colour
    there, or its body would shrink by the band and the text come close to the frame."""
    r = d.number("window", "radius") * s
    m = corner_margin(d.number("window", "radius"), s)
    w = h = 2 * m + 2
    shape = rounded_rect(0, 0, w, h, r)

    def look(border):
        c = Canvas(w, h)
        c.fill(shape, d.colour("colours", fill))
        c.fill(ring(shape, px(d.number("window", "border"), s)), border)
        c.threshold_outside(shape)
        return c

    states = [look(d.colour("colours", "frame_inactive")), look(d.colour("colours", "frame"))]
    return Picture(strip(states), 2, (m, m, m, m), FRAME_DM)


def title_picture(d, s):
    """FORMTITLE: the title bar, inactive and active: rounded top corners (hard-edged, they cut
    the window region), a vertical gradient, the frame line along the top and the sides and a
    separating line at the bottom."""
    r = d.number("window", "radius") * s
    m = corner_margin(d.number("window", "radius"), s)
    w, h = 2 * m + 2, px(d.number("window", "title_height"), s)
    line = px(d.number("window", "border"), s)
    bottom_line = px(1, s)
    shape = top_rounded_rect(0, 0, w, h, r)
    open_bottom = top_rounded_rect(0, 0, w, h + m + 2, r)

    def look(top, bottom, border):
        c = Canvas(w, h)
        c.fill(shape, vertical(top, bottom, h))
        c.fill(ring(open_bottom, line), border, clip=(0, 0, w, h))
        c.fill(rounded_rect(line, h - bottom_line, w - line, h, 0), d.colour("title", "bottom_line"))
        c.threshold_outside(shape)
        return c

    states = [look(d.colour("title", "inactive_top"), d.colour("title", "inactive_bottom"), d.colour("colours", "frame_inactive")),
              look(d.colour("title", "top"), d.colour("title", "bottom"), d.colour("colours", "frame"))]
    return Picture(strip(states), 2, (m, m, m, bottom_line), BOX_DM)


def arc(cx, cy, r, start, end, width):
    """A stroke along the circle from angle start to end (degrees, clockwise from +x with y
    down), with round ends."""
    a0, a1 = math.radians(start), math.radians(end)
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (a0, a1)]

    def sd(x, y):
        a = math.atan2(y - cy, x - cx)
        while a < a0:
            a += 2 * math.pi
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2
    return sd


def caption_glyph(kind, x0, y0, g, stroke, diagonal):
    """Shape of a caption button's glyph in a g x g box at (x0, y0). Straight strokes lie on
    whole pixels; diagonal ones take the exact width for the density."""
    x1, y1 = x0 + g, y0 + g
    if kind == "close":
        return union(segment(x0, y0, x1, y1, diagonal), segment(x0, y1, x1, y0, diagonal))
    if kind == "max":
        return ring(rounded_rect(x0, y0, x1, y1, 0), stroke)
    if kind == "min":
        mid = y0 + (g - stroke) // 2
        return rounded_rect(x0, mid, x1, mid + stroke, 0)
    if kind == "restore":
        shift = max(2, round(g / 5))
        front = rounded_rect(x0, y0 + shift, x1 - shift, y1, 0)
        back = rounded_rect(x0 + shift, y0, x1, y1 - shift, 0)
        return union(ring(front, stroke), subtract(ring(back, stroke), front))
    if kind == "help":
        cx, u = x0 + g / 2, g / 10
        return union(arc(cx, y0 + 3 * u, 2.6 * u, 180, 400, diagonal),
                     capsule_line(cx + 2.6 * u * math.cos(math.radians(40)), y0 + 3 * u + 2.6 * u * math.sin(math.radians(40)),
                                  cx, y0 + 6.6 * u, diagonal),
                     circle(cx, y0 + 9.0 * u, max(0.75, 0.9 * u)))
    raise ValueError(kind)


def caption_button_picture(d, s, kind, small):
    """BICON... / SICON...: a caption button in the states normal, hot and pressed: a flat hot
    area over the whole button (as high as the title bar) and the glyph centred in it."""
    cb = "caption_buttons"
    if small:
        w, h = px(d.number(cb, "small_width"), s), px(d.number(cb, "small_height"), s)
        g = px(d.number(cb, "small_glyph"), s)
    else:
        w, h = px(d.number(cb, "width"), s), px(d.number("window", "title_height"), s)
        g = px(d.number(cb, "glyph"), s)
    stroke, diagonal = px(1, s), 1.0 * s
    area = rounded_rect(0, 0, w, h, 0)
    x0, y0 = (w - g) // 2, (h - g) // 2
    glyph = caption_glyph(kind, x0, y0, g, stroke, diagonal)
    if kind == "close":
        looks = [(None, d.colour(cb, "glyph_colour")), (d.colour(cb, "close_hot"), d.colour(cb, "close_glyph_hot")),
                 (d.colour(cb, "close_pressed"), d.colour(cb, "close_glyph_hot"))]
    else:
        looks = [(None, d.colour(cb, "glyph_colour")), (d.colour(cb, "hot"), d.colour(cb, "glyph_colour")),
                 (d.colour(cb, "pressed"), d.colour(cb, "glyph_colour"))]
    states = []
    for fill, ink in looks:
        c = Canvas(w, h)
        if fill:
            c.fill(area, fill)
        c.fill(glyph, ink)
        states.append(c)
    return Picture(strip(states), 3, draw_mode=GLYPH_DM)


def check_mark(x0, y0, size, width):
    """The tick of check boxes and menus, in a size x size box."""
    u = size / 16
    p = [(x0 + 4.1 * u, y0 + 8.4 * u), (x0 + 6.9 * u, y0 + 11.1 * u), (x0 + 12.0 * u, y0 + 5.4 * u)]
    return union(capsule_line(*p[0], *p[1], width), capsule_line(*p[1], *p[2], width))


def check_box_picture(d, s, kind, size_key):
    """BOX... and SMALL...: a check box in the states normal, hot and pressed; kind is
    unchecked, checked or grayed."""
    n = px(d.number("check", size_key), s)
    scale = n / 16
    box = rounded_rect(0, 0, n, n, d.number("check", "radius") * n / 16)
    line = px(1, s)
    ck = "check"
    states = []
    for state in range(3):
        c = Canvas(n, n)
        if kind == "unchecked":
            fill = d.colour(ck, "fill_pressed") if state == 2 else d.colour(ck, "fill")
            border = d.colour(ck, "border") if state == 0 else d.colour(ck, "border_hot") if state == 1 else d.colour(ck, "checked_pressed")
            c.fill(box, fill)
            c.fill(ring(box, line), border)
        else:
            c.fill(box, d.colour(ck, ("checked", "checked_hot", "checked_pressed")[state]))
            if kind == "checked":
                c.fill(check_mark(0, 0, n, d.number(ck, "mark_stroke") * scale), d.colour(ck, "mark"))
            else:
                bar = max(1, round(1.6 * scale))
                top = (n - bar) // 2
                c.fill(rounded_rect(round(4.5 * scale), top, n - round(4.5 * scale), top + bar, 0), d.colour(ck, "mark"))
        states.append(c)
    return Picture(strip(states), 3, draw_mode=GLYPH_DM)


def radio_picture(d, s, checked):
    """RADIO...: a radio button in the states normal, hot and pressed."""
    n = px(d.number("check", "size"), s)
    disc = circle(n / 2, n / 2, n / 2)
    line = px(1, s)
    ck = "check"
    states = []
    for state in range(3):
        c = Canvas(n, n)
        if checked:
            c.fill(disc, d.colour(ck, ("checked", "checked_hot", "checked_pressed")[state]))
            c.fill(circle(n / 2, n / 2, 3 * n / 16), d.colour(ck, "mark"))
        else:
            c.fill(disc, d.colour(ck, "fill_pressed") if state == 2 else d.colour(ck, "fill"))
            c.fill(ring(disc, line), d.colour(ck, ("border", "border_hot", "checked_pressed")[state]))
        states.append(c)
    return Picture(strip(states), 3, draw_mode=GLYPH_DM)


def menu_check_picture(d, s):
    """CHECK: the tick of a checked menu item, plain and on a highlighted item."""
    n = px(d.number("check", "size"), s)
    mark = check_mark(0, 0, n, d.number("check", "mark_stroke") * n / 16)
    states = []
    for _ in range(2):
        c = Canvas(n, n)
        c.fill(mark, d.colour("menu", "check"))
        states.append(c)
    return Picture(strip(states), 2, draw_mode=GLYPH_DM)


def menu_frame_picture(d, s):
    """MAINMENU: the popup menu's frame (hard-edged corners cut its window region)."""
    r = d.number("menu", "radius") * s
    m = corner_margin(d.number("menu", "radius"), s)
    w = h = 2 * m + 2
    shape = rounded_rect(0, 0, w, h, r)
    c = Canvas(w, h)
    c.fill(shape, d.colour("menu", "background"))
    c.fill(ring(shape, px(1, s)), d.colour("menu", "border"))
    c.threshold_outside(shape)
    return Picture(c, 1, (m, m, m, m), FRAME_DM)


def menu_item_picture(d, s):
    """MENUITEM: nothing at rest; the highlighted item is a rounded tint inset from the sides."""
    inset, vinset = px(d.number("menu", "selection_inset"), s), px(1, s)
    rad = d.number("menu", "selection_radius")
    mx, my = inset + corner_margin(rad, s), vinset + corner_margin(rad, s)
    w, h = 2 * mx + 2, 2 * my + 2
    hot = Canvas(w, h)
    hot.fill(rounded_rect(inset, vinset, w - inset, h - vinset, rad * s), d.colour("menu", "selection"))
    return Picture(strip([Canvas(w, h), hot]), 2, (mx, my, mx, my), HOT_BOX_DM)


def divider_picture(d, s):
    """DIVIDERV: the line between menu items. The engine makes such items 2 pixels high at
    every density, so the picture is one line over one empty row, stretched along the item."""
    c = Canvas(1, 2)
    c.fill(rounded_rect(0, 0, 1, 1, 0), d.colour("menu", "divider"))
    return Picture(c, 1, (0, 0, 0, 0), BOX_DM)


def hint_picture(d, s):
    """HINT: a dark rounded body with a slightly lighter edge."""
    m = corner_margin(d.number("hint", "radius"), s)
    w = h = 2 * m + 2
    shape = rounded_rect(0, 0, w, h, d.number("hint", "radius") * s)
    c = Canvas(w, h)
    c.fill(shape, d.colour("colours", "hint_background"))
    c.fill(ring(shape, px(1, s)), d.colour("colours", "hint_border"))
    return Picture(c, 1, (m, m, m, m), BOX_DM)


def thumb_picture(d, s):
    """SCROLLSLIDERH / SCROLLSLIDERV: a fully rounded thumb, normal, hot and pressed. Both
    directions keep one middle pixel between margins of half the thickness: at the
    thickness the skin asks for, the renderer leaves that pixel out across the thumb and the
    two rounded ends meet as half circles."""
    t = px(d.number("scroll", "thumb_width"), s)
    half = int(math.ceil(t / 2))
    side = 2 * half + 1
    shape = rounded_rect(0, 0, side, side, t / 2)
    states = []
    for key in ("thumb", "thumb_hot", "thumb_pressed"):
        c = Canvas(side, side)
        c.fill(shape, d.colour("scroll", key))
        states.append(c)
    return Picture(strip(states), 3, (half, half, half, half), BOX_DM)


def arrow_picture(d, s, side):
    """Scroll-button glyph: a chevron pointing to the side, normal, hot and pressed."""
    n = px(d.number("scroll", "arrow_size"), s)
    u, width = n / 8, 1.25 * s
    # A chevron pointing up, turned for the other sides.
    points = [(1.5 * u, 5.5 * u), (4.0 * u, 3.0 * u), (6.5 * u, 5.5 * u)]
    turn = {"top": lambda x, y: (x, y), "bottom": lambda x, y: (x, n - y),
            "left": lambda x, y: (y, x), "right": lambda x, y: (n - y, x)}[side]
    p = [turn(x, y) for x, y in points]
    shape = union(capsule_line(*p[0], *p[1], width), capsule_line(*p[1], *p[2], width))
    states = []
    for key in ("arrow", "arrow_hot", "arrow_pressed"):
        c = Canvas(n, n)
        c.fill(shape, d.colour("scroll", key))
        states.append(c)
    return Picture(strip(states), 3, draw_mode=GLYPH_DM)


# Every picture of the skin: (file name stem, section, key, drawing routine); a stem that
# comes twice is one picture used by two sections.
def picture_table():
    table = [
        ("BUTTON", "BUTTON", "BORDERSMASK", button_picture),
        ("EDIT", "EDIT", "BORDERSMASK", edit_picture),
        ("GAUGE", "GAUGE", "BORDERSMASK", gauge_picture),
        ("PROGRESSH", "PROGRESSH", "BORDERSMASK", lambda d, s: progress_picture(d, s, True)),
        ("PROGRESSV", "PROGRESSV", "BORDERSMASK", lambda d, s: progress_picture(d, s, False)),
        ("FORM", "FORM", "BORDERSMASK", form_picture),
        ("DIALOG", "DIALOG", "BORDERSMASK", lambda d, s: form_picture(d, s, "surface")),
        ("FORMTITLE", "FORMTITLE", "BORDERSMASK", title_picture),
        ("MAINMENU", "MAINMENU", "BORDERSMASK", menu_frame_picture),
        ("MENUITEM", "MENUITEM", "BORDERSMASK", menu_item_picture),
        ("DIVIDER", "DIVIDERV", "BORDERSMASK", divider_picture),
        ("HINT", "HINT", "BORDERSMASK", hint_picture),
        ("THUMB", "SCROLLSLIDERH", "BORDERSMASK", thumb_picture),
        ("THUMB", "SCROLLSLIDERV", "BORDERSMASK", thumb_picture),
    ]
    for side, section in (("left", "SCROLLBTNLEFT"), ("top", "SCROLLBTNTOP"), ("right", "SCROLLBTNRIGHT"),
                          ("bottom", "SCROLLBTNBOTTOM")):
        table.append(("ARROW" + side.upper(), section, "GLYPHMASK", lambda d, s, side=side: arrow_picture(d, s, side)))
    for kind, key in (("close", "CLOSE"), ("max", "MAX"), ("min", "MIN"), ("restore", "NORM"), ("help", "HELP")):
        table.append(("CAPTION" + key, "GLOBALINFO", "BICON" + key,
                      lambda d, s, kind=kind: caption_button_picture(d, s, kind, False)))
        table.append(("SMALLCAPTION" + key, "GLOBALINFO", "SICON" + key,
                      lambda d, s, kind=kind: caption_button_picture(d, s, kind, True)))
    for kind in ("unchecked", "checked", "grayed"):
        table.append(("BOX" + kind.upper(), "GLOBALINFO", "BOX" + kind.upper(),
                      lambda d, s, kind=kind: check_box_picture(d, s, kind, "size")))
        table.append(("SMALL" + kind.upper(), "GLOBALINFO", "SMALL" + kind.upper(),
                      lambda d, s, kind=kind: check_box_picture(d, s, kind, "small_size")))
    table.append(("RADIOUNCHECKED", "GLOBALINFO", "RADIOUNCHECKED", lambda d, s: radio_picture(d, s, False)))
    table.append(("RADIOCHECKED", "GLOBALINFO", "RADIOCHECKED", lambda d, s: radio_picture(d, s, True)))
    table.append(("MENUCHECK", "GLOBALINFO", "CHECK", menu_check_picture))
    return table


# Pictures whose look does not depend on the density (the engine draws their target at a
# fixed pixel size): one file serves every density key.
DENSITY_FREE = {"DIVIDER"}


def draw_pictures(design):
    """{(stem, ppi): (Picture, file name)} for every picture and density."""
    out = {}
    for stem, _, _, draw in picture_table():
        if (stem, 96) in out:
            continue  # one picture serving two sections
        for ppi, _, file_suffix in DENSITIES:
            if stem in DENSITY_FREE:
                suffix = ""
                picture = out[(stem, 96)][0] if ppi != 96 else draw(design, 1.0)
            else:
                suffix = file_suffix
                picture = draw(design, ppi / 96)
            out[(stem, ppi)] = (picture, stem + suffix + ".PNG")
    return out


# ---- the skin text ------------------------------------------------------------------

def tcolor(rgb):
    """A colour as the skin text writes it: 0x00BBGGRR (blue in the high byte)."""
    r, g, b = (int(v + 0.5) for v in rgb)
    return "0x%02X%02X%02X" % (b, g, r)


def alpha_black(alpha):
    return "0x%02X000000" % int(alpha * 255 + 0.5)


def per_density(key, values):
    """The plain key (96 PPI) and its *125, *150, *200 variants."""
    return [(key + suffix, str(v)) for (_, suffix, _), v in zip(DENSITIES, values)]


def scaled(value):
    return [px(value, ppi / 96) for ppi, _, _ in DENSITIES]


def skin_sections(d, pictures):
    """The skin text as an ordered list of (section, [(key, value)])."""
    c = lambda section, key: tcolor(d.colour(section, key))  # noqa: E731
    text, window, surface = c("colours", "text"), c("colours", "window"), c("colours", "surface")

    def images(section):
        keys = []
        for stem, sec, key, _ in picture_table():
            if sec != section:
                continue
            for ppi, suffix, _ in DENSITIES:
                picture, file_name = pictures[(stem, ppi)]
                keys.append((key + suffix, picture.reference(file_name)))
        return keys

    info = [
        ("VERSION", "16.22"),
        ("AUTHOR", "Tarnwick"),
        ("DESCRIPTION", "Glimmerveil: a light theme with one accent colour"),
        ("MainFont", d.text("title", "caption_font")),
        # Palette: the skin's main colour, label text, link colours and lines.
        ("COLOR", window),
        ("FONTCOLOR", text),
        ("TCBOTTOM", c("colours", "accent")),
        ("TCTOP", c("colours", "accent_hover")),
        ("BORDERCOLOR", c("colours", "line")),
        # Form frame metrics for forms with the skin's own outer border.
        *per_density("TITLEHEIGHT", scaled(d.number("window", "title_height"))),
        *per_density("BORDERWIDTH", scaled(d.number("window", "border_width"))),
        # Window and popup shadows.
        *per_density("WSHSIZE", scaled(d.number("window", "shadow_size"))),
        *per_density("WSHRAD", scaled(d.number("window", "shadow_size"))),
        *per_density("WSHOFFS", scaled(d.number("window", "shadow_offset"))),
        ("WSHCOLA", alpha_black(d.number("window", "shadow_active_alpha"))),
        ("WSHCOLN", alpha_black(d.number("window", "shadow_inactive_alpha"))),
        # Caption buttons: adjacent, flush with the frame's top and right, centred on the
        # caption.
        *per_density("BISPACE", [0, 0, 0, 0]),
        *per_density("BILEFT", [0, 0, 0, 0]),
        *per_density("BIRIGHT", [0, 0, 0, 0]),
        *per_density("BITOP", [0, 0, 0, 0]),
        ("BIVALIGN", "0"),
        # Scroll bars: thin, with arrow buttons, a narrower floating thumb.
        ("SCROLLSWIDTH", str(int(d.number("scroll", "width")))),
        ("SCROLLSARROWS", "1"),
        *per_density("THUMBWIDTH", scaled(d.number("scroll", "thumb_width"))),
    ]
    info += images("GLOBALINFO")

    sections = [("GLOBALINFO", info)]

    def section(name, keys):
        sections.append((name, keys + images(name)))

    tb = lambda key: c("button", key)  # noqa: E731
    section("FORM", [("STATES", "2"), ("COLOR", window), ("HOTCOLOR", window),
                     ("FONTCOLOR", text), ("HOTFONTCOLOR", text), ("TRANSPARENCY", "0"), ("HOTTRANSPARENCY", "0"),
                     # With the skin's outer border window the engine rounds the frame's
                     # corners itself, over the shadow, with this radius and edge colour.
                     ("BORDERRADIUS", str(int(d.number("window", "radius")))),
                     ("BORDERCOLOR0", c("colours", "frame_inactive")), ("BORDERCOLOR1", c("colours", "frame"))])
    section("FORMTITLE", [("STATES", "2"), ("COLOR", c("title", "inactive_bottom")), ("HOTCOLOR", c("title", "bottom")),
                          ("FONTCOLOR", c("title", "caption_inactive")), ("HOTFONTCOLOR", c("title", "caption")),
                          ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    section("CAPTION", [("STATES", "2"), ("FONTCOLOR", c("title", "caption_inactive")), ("HOTFONTCOLOR", c("title", "caption")),
                        ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    section("DIALOG", [("PARENTCLASS", "FORM"), ("COLOR", surface), ("HOTCOLOR", surface)])
    section("DIALOGTITLE", [("PARENTCLASS", "FORMTITLE")])
    section("BUTTON", [("STATES", "4"), ("USESTATE2", "1"), ("SHIFTCLICK", "1"),
                       ("COLOR", tcolor(mix(d.colour("button", "normal_top"), d.colour("button", "normal_bottom"), 0.5))),
                       ("HOTCOLOR", tb("hot_fill")), ("COLOR2", tb("pressed_fill")),
                       ("FONTCOLOR", tb("text")), ("HOTFONTCOLOR", tb("text")), ("FONTCOLOR2", tb("text_pressed")),
                       ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100"), ("TRANSPARENCY2", "100")])
    section("EDIT", [("STATES", "2"), ("COLOR", c("edit", "fill")), ("HOTCOLOR", c("edit", "fill")),
                     ("FONTCOLOR", text), ("HOTFONTCOLOR", text), ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    section("GAUGE", [("STATES", "1"), ("COLOR", c("progress", "track")), ("FONTCOLOR", text), ("TRANSPARENCY", "100")])
    section("PROGRESSH", [("STATES", "1"), ("COLOR", c("progress", "fill_bottom")), ("FONTCOLOR", c("colours", "on_accent")),
                          ("TRANSPARENCY", "100")])
    section("PROGRESSV", [("PARENTCLASS", "PROGRESSH")])
    section("TRANSPARENT", [("STATES", "1"), ("COLOR", window), ("FONTCOLOR", text), ("TRANSPARENCY", "100")])
    section("MAINCOLOR", [("STATES", "1"), ("COLOR", window), ("FONTCOLOR", text), ("TRANSPARENCY", "0")])
    section("CHECKBOX", [("STATES", "2"), ("FONTCOLOR", text), ("HOTFONTCOLOR", text),
                         ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    section("HINT", [("STATES", "1"), ("COLOR", c("colours", "hint_background")), ("FONTCOLOR", c("colours", "hint_text")),
                     ("TRANSPARENCY", "100"),
                     # A soft shadow that the engine computes around the hint.
                     ("OUTERMODE", "3"), ("OUTCOLL", "0x000000"),
                     ("OUTOPACITY", str(int(d.number("hint", "shadow_alpha") * 255 + 0.5))),
                     ("OUTBLUR", str(int(d.number("hint", "shadow_blur")))),
                     ("OUTRADIUS", str(int(d.number("hint", "shadow_blur")))),
                     ("OUTOFFSL", str(int(d.number("hint", "shadow_blur") // 2))),
                     ("OUTOFFST", str(int(d.number("hint", "shadow_blur") // 2 - d.number("hint", "shadow_offset")))),
                     ("OUTOFFSR", str(int(d.number("hint", "shadow_blur") // 2))),
                     ("OUTOFFSB", str(int(d.number("hint", "shadow_blur") // 2 + d.number("hint", "shadow_offset"))))])
    section("MAINMENU", [("STATES", "1"), ("COLOR", c("menu", "background")), ("FONTCOLOR", text), ("TRANSPARENCY", "0")])
    section("MENUITEM", [("STATES", "2"), ("COLOR", c("menu", "background")), ("HOTCOLOR", c("menu", "selection")),
                         ("FONTCOLOR", text), ("HOTFONTCOLOR", text), ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    section("MENULINE", [("STATES", "2"), ("COLOR", window), ("HOTCOLOR", window),
                         ("FONTCOLOR", text), ("HOTFONTCOLOR", text), ("TRANSPARENCY", "0"), ("HOTTRANSPARENCY", "0")])
    section("DIVIDERV", [("STATES", "1"), ("COLOR", c("menu", "background")), ("TRANSPARENCY", "100")])
    section("SELECTION", [("STATES", "1"), ("COLOR", c("menu", "selection")), ("FONTCOLOR", text), ("TRANSPARENCY", "0")])
    for name in ("SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"):
        section(name, [("STATES", "3"), ("COLOR", window), ("FONTCOLOR", c("scroll", "arrow")),
                       ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    for name in ("SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM"):
        section(name, [("STATES", "3"), ("COLOR", window), ("FONTCOLOR", c("scroll", "arrow")),
                       ("HOTFONTCOLOR", c("scroll", "arrow_hot")), ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    for name in ("SCROLLSLIDERH", "SCROLLSLIDERV"):
        section(name, [("STATES", "3"), ("COLOR", c("scroll", "thumb")), ("HOTCOLOR", c("scroll", "thumb_hot")),
                       ("TRANSPARENCY", "100"), ("HOTTRANSPARENCY", "100")])
    return sections


def skin_text(sections):
    lines = ["; Glimmerveil, drawn by tools/skin/make_skin.py from tools/skin/glimmerveil-design.ini.",
             "; Colours are 0x00BBGGRR. Do not edit: change the design and run the script again."]
    for name, keys in sections:
        lines.append("")
        lines.append("[%s]" % name)
        lines += ["%s=%s" % (k, v) for k, v in keys]
    text = "\r\n".join(lines) + "\r\n"
    text.encode("ascii")  # the skin's ini reader takes the system code page: keep to ASCII
    return text


# ---- contrast checks ----------------------------------------------------------------

def contrast_pairs(d):
    """(what, foreground, background, minimum) for every text and glyph the skin colours,
    against each background it lands on (both ends of a gradient)."""
    col = d.colour
    window, surface, text = col("colours", "window"), col("colours", "surface"), col("colours", "text")
    pairs = []

    def text_on(what, fg, *bgs):
        pairs.extend((what, fg, bg, MIN_TEXT_CONTRAST) for bg in bgs)

    def glyph_on(what, fg, *bgs):
        pairs.extend((what, fg, bg, MIN_GLYPH_CONTRAST) for bg in bgs)

    text_on("text on the window", text, window)
    text_on("text on a surface (message box, menu, edit)", text, surface)
    text_on("link", col("colours", "accent"), window, surface)
    text_on("hot link", col("colours", "accent_hover"), window, surface)
    text_on("secondary text", col("colours", "text_secondary"), surface)
    text_on("active caption", col("title", "caption"), col("title", "top"), col("title", "bottom"))
    text_on("inactive caption", col("title", "caption_inactive"), col("title", "inactive_top"), col("title", "inactive_bottom"))
    b = "button"
    text_on("button", col(b, "text"), col(b, "normal_top"), col(b, "normal_bottom"))
    text_on("hot button", col(b, "text"), col(b, "hot_fill"))
    text_on("pressed button", col(b, "text_pressed"), col(b, "pressed_fill"))
    text_on("default button", col(b, "text_pressed"), col(b, "normal_top"), col(b, "normal_bottom"))
    text_on("edit", text, col("edit", "fill"))
    text_on("menu item", text, col("menu", "background"))
    text_on("highlighted menu item", text, col("menu", "selection"))
    text_on("hint", col("colours", "hint_text"), col("colours", "hint_background"))
    cb = "caption_buttons"
    for bg in (col("title", "top"), col("title", "bottom"), col(cb, "hot"), col(cb, "pressed")):
        glyph_on("caption glyph", col(cb, "glyph_colour"), bg)
    glyph_on("close glyph", col(cb, "close_glyph_hot"), col(cb, "close_hot"), col(cb, "close_pressed"))
    for key in ("checked", "checked_hot", "checked_pressed"):
        glyph_on("check mark", col("check", "mark"), col("check", key))
    glyph_on("menu check", col("menu", "check"), col("menu", "background"), col("menu", "selection"))
    for key in ("arrow", "arrow_hot", "arrow_pressed"):
        glyph_on("scroll arrow", col("scroll", key), window, surface)
    return pairs


def contrast_failures(d):
    return [(what, fg, bg, contrast_ratio(fg, bg), minimum) for what, fg, bg, minimum in contrast_pairs(d)
            if contrast_ratio(fg, bg) < minimum]


# ---- the preview sheet --------------------------------------------------------------

def nine_part(dst, pic, state, x, y, w, h):
    """Paints state `state` of a picture into (x, y, w, h) of dst the way the engine's
    nine-part renderer does with stretched sides (for the preview only)."""
    sw = pic.canvas.width // pic.states
    sh = pic.canvas.height
    wl, wt, wr, wb = pic.margins
    src_x = [0, wl, sw - wr, sw]
    src_y = [0, wt, sh - wb, sh]
    dst_x = [0, wl, w - wr, w]
    dst_y = [0, wt, h - wb, h]
    part = Canvas(w, h)
    for j in range(3):
        for i in range(3):
            if i == 1 and j == 1 and not pic.draw_mode & DM_FILL:
                continue
            dw, dh = dst_x[i + 1] - dst_x[i], dst_y[j + 1] - dst_y[j]
            sw_, sh_ = src_x[i + 1] - src_x[i], src_y[j + 1] - src_y[j]
            if dw <= 0 or dh <= 0 or sw_ <= 0 or sh_ <= 0:
                continue
            for yy in range(dh):
                sy = src_y[j] + yy * sh_ // dh
                for xx in range(dw):
                    sx = state * sw + src_x[i] + xx * sw_ // dw
                    part.px[(dst_y[j] + yy) * w + dst_x[i] + xx] = list(pic.canvas.px[sy * pic.canvas.width + sx])
    dst.composite(part, x, y)


def glyph(dst, pic, state, x, y):
    """Lays state `state` of a picture at (x, y) of dst whole, as the engine draws glyphs."""
    sw, sh = pic.canvas.width // pic.states, pic.canvas.height
    part = Canvas(sw, sh)
    for yy in range(sh):
        for xx in range(sw):
            part.px[yy * sw + xx] = list(pic.canvas.px[yy * pic.canvas.width + state * sw + xx])
    dst.composite(part, x, y)


def preview(pictures, design, path):
    """A contact sheet: for each density a mock window (frame, title, caption buttons, edits,
    buttons in all states, the progress bar, check boxes) and a popup menu."""
    from raster import rounded_rect as rr
    rows = []
    for ppi, _, _ in DENSITIES:
        s = ppi / 96
        p = lambda stem: pictures[(stem, ppi)][0]  # noqa: E731
        W, H = px(430, s), px(250, s)
        sheet = Canvas(W + px(200, s), H + px(176, s))
        sheet.fill(rr(0, 0, sheet.width, sheet.height, 0), (128, 134, 142))
        ox, oy = px(10, s), px(10, s)
        win = Canvas(W, H)
        nine_part(win, p("FORM"), 1, 0, 0, W, H)
        win.fill(rr(px(4, s), px(4, s), W - px(4, s), H - px(4, s), 0), design.colour("colours", "window"))
        nine_part(win, p("FORM"), 1, 0, 0, W, H)
        title_h = px(design.number("window", "title_height"), s)
        nine_part(win, p("FORMTITLE"), 1, 0, 0, W, title_h)
        # Caption buttons flush with the frame's right line, as high as the bar; the close
        # button shown hot.
        x = W - px(design.number("window", "border"), s)
        for stem in ("CAPTIONCLOSE", "CAPTIONMAX", "CAPTIONMIN"):
            pic = p(stem)
            bw, bh = pic.canvas.width // 3, pic.canvas.height
            x -= bw
            glyph(win, pic, 1 if stem == "CAPTIONCLOSE" else 0, x, (title_h - bh) // 2)
        nine_part(win, p("EDIT"), 0, px(20, s), px(45, s), px(277, s), px(32, s))
        nine_part(win, p("EDIT"), 1, px(20, s), px(90, s), px(277, s), px(32, s))
        for i in range(4):
            nine_part(win, p("BUTTON"), i, px(20 + i * 100, s), px(140, s), px(92, s), px(32, s))
        # The progress bar twice at 60 %: segmented, as the engine paints the main window's
        # bar (pieces and gaps as it computes them), and smooth (one stretched piece).
        bar_w, bar_h = px(300, s), px(21, s)
        for row, smooth in ((px(190, s), False), (px(220, s), True)):
            nine_part(win, p("GAUGE"), 0, px(20, s), row, bar_w, bar_h)
            item, inner = p("PROGRESSH"), bar_h - 2
            if smooth:
                nine_part(win, item, 0, px(21, s), row + 1, round((bar_w - 2) * 0.6), inner)
                continue
            iw = int(round(inner * 0.66)) - 2
            n = (bar_w - 2 - 2) // (iw + 2)
            gap = (bar_w - 2 - 2 - n * iw) // (n - 1)
            for k in range(round(n * 0.6)):
                nine_part(win, item, 0, px(21, s) + k * (iw + gap), row + 1, iw, inner)
        cx = px(340, s)
        for j, stem in enumerate(("BOXUNCHECKED", "BOXCHECKED", "RADIOCHECKED")):
            pic = p(stem)
            n = pic.canvas.height
            for st in range(3):
                glyph(win, pic, st, cx + st * (n + px(4, s)), px(185, s) + j * (n + px(4, s)))
        sheet.composite(win, ox, oy)
        mw, mh = px(170, s), px(120, s)
        menu = Canvas(mw, mh)
        menu.fill(rr(0, 0, mw, mh, 0), design.colour("menu", "background"))
        nine_part(menu, p("MAINMENU"), 0, 0, 0, mw, mh)
        nine_part(menu, p("MENUITEM"), 1, px(3, s), px(30, s), mw - px(6, s), px(26, s))
        nine_part(menu, p("DIVIDER"), 0, px(10, s), px(62, s), mw - px(20, s), 2)
        ck = p("MENUCHECK")
        glyph(menu, ck, 0, px(8, s), px(8, s))
        nine_part(menu, p("THUMB"), 1, mw - px(12, s), px(70, s), px(8, s), px(40, s))
        sheet.composite(menu, ox + W + px(15, s), oy)
        # Under the window: every glyph picture in all its states, on the title bar's colour.
        parts = Canvas(sheet.width - 2 * ox, px(148, s))
        parts.fill(rr(0, 0, parts.width, parts.height, 0), design.colour("title", "bottom"))
        x, y, row_h = px(4, s), px(4, s), 0
        for stem in ("CAPTIONCLOSE", "CAPTIONMAX", "CAPTIONMIN", "CAPTIONNORM", "CAPTIONHELP",
                     "SMALLCAPTIONCLOSE", "SMALLCAPTIONMAX", "SMALLCAPTIONMIN", "SMALLCAPTIONNORM", "SMALLCAPTIONHELP",
                     "BOXUNCHECKED", "BOXGRAYED", "SMALLUNCHECKED", "SMALLCHECKED", "SMALLGRAYED", "RADIOUNCHECKED",
                     "ARROWLEFT", "ARROWTOP", "ARROWRIGHT", "ARROWBOTTOM", "MENUCHECK"):
            pic = p(stem)
            sw = pic.canvas.width // pic.states
            if x + sw * pic.states > parts.width:
                x, y, row_h = px(4, s), y + row_h + px(6, s), 0
            row_h = max(row_h, pic.canvas.height)
            for st in range(pic.states):
                glyph(parts, pic, st, x, y)
                x += sw
            x += px(8, s)
        nine_part(parts, p("HINT"), 0, x, y, px(90, s), px(22, s))
        sheet.composite(parts, ox, oy + H + px(8, s))
        rows.append(sheet)
    total = Canvas(max(r.width for r in rows), sum(r.height for r in rows))
    total.fill(rr(0, 0, total.width, total.height, 0), (128, 134, 142))
    y = 0
    for r in rows:
        total.blit(r, 0, y)
        y += r.height
    with open(path, "wb") as f:
        f.write(total.png())


# ---- main ---------------------------------------------------------------------------

def build(design_path):
    """(skin text, {file name: PNG bytes}) for the design; raises ValueError on contrast
    failures."""
    design = Design(design_path)
    failures = contrast_failures(design)
    if failures:
        raise ValueError("contrast below the minimum:\n" + "\n".join(
            "  %s: #%02X%02X%02X on #%02X%02X%02X is %.2f:1, needs %.1f:1" % ((what,) + fg + bg + (ratio, minimum))
            for what, fg, bg, ratio, minimum in failures))
    pictures = draw_pictures(design)
    files = {}
    for picture, file_name in pictures.values():
        files.setdefault(file_name, picture.canvas.png())
    return skin_text(skin_sections(design, pictures)), files, design, pictures


def main(argv=None):
    parser = argparse.ArgumentParser(description="Draws the Glimmerveil skin folder.")
    parser.add_argument("output", help="the skin folder to write (Options.dat and the pictures)")
    parser.add_argument("--design", default=DEFAULT_DESIGN, help="the design file")
    parser.add_argument("--sheet", help="also write a preview sheet PNG here")
    args = parser.parse_args(argv)
    try:
        text, files, design, pictures = build(args.design)
    except ValueError as error:
        print("make_skin: %s" % error, file=sys.stderr)
        return 1
    os.makedirs(args.output, exist_ok=True)
    # Pictures left from an earlier design would be packed and installed with the skin.
    for name in os.listdir(args.output):
        if name.upper().endswith(".PNG") and name not in files:
            os.remove(os.path.join(args.output, name))
    for name in sorted(files):
        with open(os.path.join(args.output, name), "wb") as f:
            f.write(files[name])
    with open(os.path.join(args.output, "Options.dat"), "wb") as f:
        f.write(text.encode("utf-8"))
    if args.sheet:
        preview(pictures, design, args.sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main())
