#!/usr/bin/env python3
"""Tests of the Glimmerveil skin as the generator writes it, read the way the engine reads a
folder skin: the ini text, the "!" picture references, PARENTCLASS inheritance and the
per-density keys. Needs no engine.

    tests/data/skin_test.py [--installed SKIN_FOLDER] [-v]

With --installed, also checks that the skin folder the build installed beside the program is
the one the generator makes now (the build ran it after the last design change).
"""
import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SKIN_TOOLS = os.path.join(ROOT, "tools", "skin")
sys.path.insert(0, SKIN_TOOLS)
import raster  # noqa: E402

GENERATOR = os.path.join(SKIN_TOOLS, "make_skin.py")
DESIGN = os.path.join(SKIN_TOOLS, "glimmerveil-design.ini")
REQUIRED = os.path.join(SKIN_TOOLS, "required-keys.txt")
DENSITY_SUFFIXES = [(96, ""), (120, "*125"), (144, "*150"), (192, "*200")]
DM_STRETCH, DM_ACTIVEONLY, DM_FILL, DM_ALPHA = 1, 2, 4, 16
INSTALLED = None  # set from --installed


def generate(folder, design=DESIGN):
    return subprocess.run([sys.executable, GENERATOR, folder, "--design", design],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def read_skin_text(path):
    """Sections in order, each a dict of its keys; as the engine's ini reader: trimmed lines,
    ';' lines dropped, exact names, the first line of a key wins."""
    sections, current = {}, None
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip(), value.strip())
    return sections


def parse_reference(value):
    """A "!" picture reference as the engine reads it: upper-cased, fields between '!'.
    Returns (file, states, mask rows, picture type, (WL, WT, WR, WB), draw mode)."""
    value = value.upper()
    if not value.startswith("!"):
        raise ValueError("not a file reference: %r" % value)
    fields = [f for f in value[1:].split("!") if f]
    if len(fields) != 9:
        raise ValueError("a bordered file reference has 9 fields: %r" % value)
    name, count, mask, kind = fields[:4]
    # The engine copies these fields into fixed positions, so their widths are exact.
    if len(count) != 1 or len(mask) != 1 or any(len(f) != 4 for f in fields[4:8]) or len(fields[8]) > 2:
        raise ValueError("field widths: %r" % value)
    return name, int(count), int(mask), int(kind), tuple(int(f) for f in fields[4:8]), int(fields[8])


def find_key(sections, section, key):
    """The value of key in section or up its PARENTCLASS chain (None when nowhere)."""
    seen = set()
    while section in sections and section not in seen:
        seen.add(section)
        if key in sections[section]:
            return sections[section][key]
        section = sections[section].get("PARENTCLASS", "")
    return None


def bgr(value):
    v = int(value, 16) if value.lower().startswith("0x") else int(value[1:], 16) if value.startswith("$") else int(value)
    return (v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF)


class SkinFolder:
    """A generated skin folder with its text and decoded pictures."""

    def __init__(self, folder):
        self.folder = folder
        self.sections = read_skin_text(os.path.join(folder, "Options.dat"))
        self._pictures = {}

    def picture(self, file_name):
        if file_name not in self._pictures:
            with open(os.path.join(self.folder, file_name), "rb") as f:
                self._pictures[file_name] = raster.decode_png(f.read())
        return self._pictures[file_name]

    def references(self):
        """(section, key, parsed reference) for every picture reference of the skin."""
        out = []
        for section, keys in self.sections.items():
            for key, value in keys.items():
                if value.startswith("!"):
                    out.append((section, key, parse_reference(value)))
        return out

    def state_pixels(self, file_name, states, state):
        """Rows of (r, g, b, a) of one state picture."""
        width, height, rows = self.picture(file_name)
        sw = width // states
        return [[tuple(row[4 * x:4 * x + 4]) for x in range(state * sw, (state + 1) * sw)] for row in rows]


class GlimmerveilSkinTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="glimmerveil-test-")
        cls.first, cls.second = os.path.join(cls.tmp, "a"), os.path.join(cls.tmp, "b")
        for folder in (cls.first, cls.second):
            result = generate(folder)
            if result.returncode != 0:
                raise RuntimeError("the generator failed: " + result.stderr)
        cls.skin = SkinFolder(cls.first)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def reference(self, section, key):
        value = find_key(self.skin.sections, section, key)
        self.assertIsNotNone(value, "%s %s" % (section, key))
        return parse_reference(value)

    def test_the_generator_writes_the_same_bytes_every_run(self):
        names = sorted(os.listdir(self.first))
        self.assertEqual(names, sorted(os.listdir(self.second)))
        self.assertIn("Options.dat", names)
        for name in names:
            with open(os.path.join(self.first, name), "rb") as a, open(os.path.join(self.second, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_the_installed_skin_is_the_current_one(self):
        if INSTALLED is None:
            self.skipTest("no installed skin folder given")
        self.assertEqual(sorted(os.listdir(INSTALLED)), sorted(os.listdir(self.first)))
        for name in os.listdir(self.first):
            with open(os.path.join(self.first, name), "rb") as a, open(os.path.join(INSTALLED, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_every_file_in_the_folder_is_used(self):
        used = {ref[0] for _, _, ref in self.skin.references()} | {"OPTIONS.DAT"}
        self.assertEqual(sorted(n.upper() for n in os.listdir(self.first)), sorted(used))

    def test_version_lies_in_the_supported_range(self):
        version = float(self.skin.sections["GLOBALINFO"]["VERSION"])
        self.assertGreater(version, 10.26)
        self.assertLessEqual(version, 16.99)  # no "newer than the engine" warning
        master = self.skin.sections["GLOBALINFO"].get("MASTERBITMAP")
        if master is not None:
            self.assertEqual(master, master.upper())

    def test_parent_classes_exist_and_end(self):
        for section, keys in self.skin.sections.items():
            parent = keys.get("PARENTCLASS")
            if parent:
                self.assertIn(parent, self.skin.sections, section)
                self.assertNotEqual(parent, section)
                chain, name = set(), section
                while name:
                    self.assertNotIn(name, chain, "PARENTCLASS loop at " + section)
                    chain.add(name)
                    name = self.skin.sections[name].get("PARENTCLASS", "")

    def test_every_picture_has_the_size_its_reference_implies(self):
        refs = self.skin.references()
        self.assertGreater(len(refs), 100)
        for section, key, (name, states, mask, kind, (wl, wt, wr, wb), mode) in refs:
            what = "%s %s (%s)" % (section, key, name)
            self.assertTrue(os.path.exists(os.path.join(self.first, name)), what)
            width, height, rows = self.skin.picture(name)
            self.assertGreaterEqual(states, 1, what)
            self.assertEqual(width % states, 0, what + ": states side by side")
            self.assertEqual(height % (mask + 1), 0, what + ": mask rows below the picture")
            sw, sh = width // states, height // (mask + 1)
            # The middle strips keep at least one pixel, so the margins hold whole corners.
            self.assertLess(wl + wr, sw, what)
            self.assertLess(wt + wb, sh, what)
            self.assertEqual(kind, 0, what + ": pictures keep straight alpha as bordered pictures")
            self.assertTrue(mode & DM_ALPHA, what + ": pictures carry real alpha")
            self.assertEqual(mask, 0, what)

    def test_transparent_pixels_are_the_transparent_key(self):
        for section, key, (name, *_rest) in self.skin.references():
            _, _, rows = self.skin.picture(name)
            for y, row in enumerate(rows):
                for x in range(0, len(row), 4):
                    if row[x + 3] == 0:
                        self.assertEqual(tuple(row[x:x + 3]), (255, 0, 255), "%s at %d,%d" % (name, x // 4, y))

    def test_each_density_has_its_own_drawing(self):
        seen = set()
        for section, key, ref in self.skin.references():
            if "*" in key or (section, key) in seen:
                continue
            seen.add((section, key))
            base_name, states, _, _, base_margins, _ = ref
            bw, bh, _ = self.skin.picture(base_name)
            for ppi, suffix in DENSITY_SUFFIXES[1:]:
                name, v_states, _, _, margins, _ = self.reference(section, key + suffix)
                what = "%s %s%s" % (section, key, suffix)
                self.assertEqual(v_states, states, what)
                if name == base_name:
                    continue  # a picture the engine draws at a fixed size at every density
                w, h, _ = self.skin.picture(name)
                scale = ppi / 96
                # Sizes grow with the density; the constant parts (a middle pixel, a corner's
                # last pixel) do not, hence the slack.
                for got, base in ((w // states, bw // states), (h, bh)):
                    self.assertLessEqual(abs(got - base * scale), max(4, 0.1 * base * scale), what)
                for got, base in zip(margins, base_margins):
                    self.assertLessEqual(abs(got - base * scale), 2, what + " margins")

    def test_required_sections_and_keys_are_present_at_every_density(self):
        entries = 0
        with open(REQUIRED, encoding="utf-8") as f:
            for line in f:
                line = line.split("#", 1)[0].split()
                if not line:
                    continue
                section, key, kind = line
                entries += 1
                self.assertIn(section, self.skin.sections, section)
                if kind == "section":
                    continue
                keys = [key] if kind == "value" else [key + suffix for _, suffix in DENSITY_SUFFIXES]
                for k in keys:
                    value = find_key(self.skin.sections, section, k)
                    self.assertTrue(value, "%s %s" % (section, k))
                    if kind == "image":
                        parse_reference(value)
                    elif kind == "scaled":
                        int(value)
        self.assertGreater(entries, 90)

    def test_caption_buttons_share_one_size_per_density(self):
        for suffix in ("", "*125", "*150", "*200"):
            for prefix in ("BICON", "SICON"):
                sizes = set()
                for glyph in ("CLOSE", "MAX", "MIN", "NORM", "HELP"):
                    name, states, *_ = self.reference("GLOBALINFO", prefix + glyph + suffix)
                    self.assertEqual(states, 3)
                    w, h, _ = self.skin.picture(name)
                    sizes.add((w // states, h))
                self.assertEqual(len(sizes), 1, prefix + suffix)

    def test_region_corners_are_hard_edged_key_pixels(self):
        # Window and popup regions are cut from the key pixels of these pictures' corners;
        # a half-transparent pixel there would show whatever the cache held under it.
        for section, corners in (("FORM", "all"), ("FORMTITLE", "top"), ("MAINMENU", "all")):
            for _, suffix in DENSITY_SUFFIXES:
                name, states, _, _, (wl, wt, wr, wb), _ = self.reference(section, "BORDERSMASK" + suffix)
                for state in range(states):
                    px = self.skin.state_pixels(name, states, state)
                    h, w = len(px), len(px[0])
                    self.assertEqual(px[0][0][3], 0, name)
                    self.assertEqual(px[0][w - 1][3], 0, name)
                    if corners == "all":
                        self.assertEqual(px[h - 1][0][3], 0, name)
                    for y in list(range(wt)) + (list(range(h - wb, h)) if corners == "all" else []):
                        for x in list(range(wl)) + list(range(w - wr, w)):
                            self.assertIn(px[y][x][3], (0, 255), "%s state %d at %d,%d" % (name, state, x, y))

    # Which strips the nine-part renderer may stretch without changing the look: a picture
    # whose fill changes from top to bottom keeps only its rows uniform (the separator is a
    # line over an empty row, drawn at its own height).
    GRADIENT_DOWN = {"BUTTON", "FORMTITLE", "PROGRESSH", "DIVIDERV"}
    GRADIENT_ACROSS = {"PROGRESSV"}

    def test_middle_strips_are_uniform(self):
        for section, key, (name, states, _, _, (wl, wt, wr, wb), _) in self.skin.references():
            if key.split("*")[0] != "BORDERSMASK":
                continue
            for state in range(states):
                px = self.skin.state_pixels(name, states, state)
                h, w = len(px), len(px[0])
                if section not in self.GRADIENT_ACROSS:
                    for y in range(h):
                        self.assertEqual(len(set(px[y][wl:w - wr])), 1, "%s state %d row %d" % (name, state, y))
                if section not in self.GRADIENT_DOWN:
                    for x in range(w):
                        column = {px[y][x] for y in range(wt, h - wb)}
                        self.assertEqual(len(column), 1, "%s state %d column %d" % (name, state, x))

    def test_the_edits_frame_lies_in_the_edge_the_system_leaves_around_its_client(self):
        # A bordered edit without padding keeps 2 pixels around its client area at every
        # density, and while it has the focus the system paints everything further in: each
        # look of the frame must show its line in those 2 pixels, on every side, and hold only
        # the edit's colour inside them.
        fill = bgr(find_key(self.skin.sections, "EDIT", "COLOR")) + (255,)
        for ppi, suffix in DENSITY_SUFFIXES:
            name, states, *_ = self.reference("EDIT", "BORDERSMASK" + suffix)
            for state in range(states):
                px = self.skin.state_pixels(name, states, state)
                h, w = len(px), len(px[0])
                what = "%s state %d at %d PPI" % (name, state, ppi)
                self.assertEqual({p for row in px[2:h - 2] for p in row[2:w - 2]}, {fill}, what)
                for side, edge in (("left", px[h // 2][:2]), ("right", px[h // 2][w - 2:]),
                                   ("top", [row[w // 2] for row in px[:2]]),
                                   ("bottom", [row[w // 2] for row in px[h - 2:]])):
                    self.assertTrue(any(p[3] == 255 and p != fill for p in edge), "%s: no line %s" % (what, side))

    def contrast(self, fg_value, bg_rgb):
        return raster.contrast_ratio(bgr(fg_value), bg_rgb)

    def centre_column(self, section, state):
        """Colours of the middle column of a state picture between its top and bottom margins:
        what text painted on the item lands on."""
        name, states, _, _, (wl, wt, wr, wb), mode = self.reference(section, "BORDERSMASK")
        self.assertTrue(mode & DM_FILL, section)
        px = self.skin.state_pixels(name, states, min(state, states - 1))
        x = len(px[0]) // 2
        return [p[:3] for p in (px[y][x] for y in range(wt, len(px) - wb)) if p[3] == 255]

    def test_text_has_at_least_4_5_to_1_against_what_it_is_drawn_on(self):
        s = self.skin.sections
        colour = lambda section, key: bgr(find_key(s, section, key))  # noqa: E731
        font = lambda section, key: find_key(s, section, key)  # noqa: E731
        cases = []
        # Text over pictures: each state's text colour against the state's fill.
        for section, keys in (("BUTTON", ("FONTCOLOR", "HOTFONTCOLOR", "FONTCOLOR2", "FONTCOLOR2")),
                              ("EDIT", ("FONTCOLOR", "HOTFONTCOLOR")),
                              ("FORMTITLE", ("FONTCOLOR", "HOTFONTCOLOR")),
                              ("HINT", ("FONTCOLOR",))):
            for state, key in enumerate(keys):
                for bg in self.centre_column(section, state):
                    cases.append(("%s %s" % (section, key), font(section, key), bg))
        for state, key in enumerate(("FONTCOLOR", "HOTFONTCOLOR")):
            for bg in self.centre_column("FORMTITLE", state):
                cases.append(("CAPTION " + key, font("CAPTION", key), bg))
        for bg in self.centre_column("MENUITEM", 1):
            cases.append(("MENUITEM HOTFONTCOLOR", font("MENUITEM", "HOTFONTCOLOR"), bg))
        # Text over plain section colours.
        for fg, bg in ((("MENUITEM", "FONTCOLOR"), ("MAINMENU", "COLOR")),
                       (("FORM", "FONTCOLOR"), ("FORM", "COLOR")),
                       (("DIALOG", "FONTCOLOR"), ("DIALOG", "COLOR")),
                       (("CHECKBOX", "FONTCOLOR"), ("FORM", "COLOR")),
                       (("CHECKBOX", "FONTCOLOR"), ("DIALOG", "COLOR")),
                       (("TRANSPARENT", "FONTCOLOR"), ("FORM", "COLOR")),
                       (("MENULINE", "FONTCOLOR"), ("MENULINE", "COLOR")),
                       (("MENULINE", "HOTFONTCOLOR"), ("MENULINE", "HOTCOLOR")),
                       (("SELECTION", "FONTCOLOR"), ("SELECTION", "COLOR")),
                       (("EDIT", "FONTCOLOR"), ("EDIT", "COLOR")),
                       (("GLOBALINFO", "FONTCOLOR"), ("GLOBALINFO", "COLOR")),
                       (("GLOBALINFO", "TCBOTTOM"), ("GLOBALINFO", "COLOR")),
                       (("GLOBALINFO", "TCTOP"), ("GLOBALINFO", "COLOR"))):
            cases.append(("%s %s on %s %s" % (fg + bg), font(*fg), colour(*bg)))
        self.assertGreater(len(cases), 40)
        for what, fg, bg in cases:
            self.assertIsNotNone(fg, what)
            ratio = self.contrast(fg, bg)
            self.assertGreaterEqual(ratio, 4.5, "%s: %.2f:1 on #%02X%02X%02X" % ((what, ratio) + tuple(bg)))

    # Pictures that the glyph painter lays whole at a point (caption buttons, check boxes and
    # radio buttons, the menu check, scroll arrows): it reads only the alpha flag.
    GLYPH_KEYS = {"GLYPHMASK", "CHECK"} | {p + g for p in ("BICON", "SICON") for g in ("CLOSE", "MAX", "MIN", "NORM", "HELP")} \
        | {p + k for p in ("BOX", "SMALL") for k in ("UNCHECKED", "CHECKED", "GRAYED")} | {"RADIOUNCHECKED", "RADIOCHECKED"}
    # Nine-part frames drawn around the section's own colour (the centre is left to it).
    FRAMES = {"FORM", "DIALOG", "MAINMENU"}

    def test_each_picture_has_the_draw_mode_of_its_painter(self):
        checked = 0
        for section, key, (name, states, _, _, (wl, wt, wr, wb), mode) in self.skin.references():
            what = "%s %s (%s)" % (section, key, name)
            plain = key.split("*")[0]
            if plain in self.GLYPH_KEYS:
                self.assertEqual(mode, DM_ALPHA, what)
                checked += 1
                continue
            self.assertEqual(plain, "BORDERSMASK", what)
            # Nine-part pictures stretch their sides (gradients must not repeat) and blend by
            # their alpha.
            self.assertEqual(mode & (DM_ALPHA | DM_STRETCH), DM_ALPHA | DM_STRETCH, what)
            # Nothing at rest exactly when the rest picture is empty.
            rest = self.skin.state_pixels(name, states, 0)
            self.assertEqual(bool(mode & DM_ACTIVEONLY), all(p[3] == 0 for row in rest for p in row), what)
            if section in self.FRAMES:
                # The centre is left to the section's colour: the picture's own centre has that
                # colour, so leaving it out changes nothing.
                self.assertFalse(mode & DM_FILL, what)
                colour = bgr(find_key(self.skin.sections, section, "COLOR"))
                for state in range(states):
                    px = self.skin.state_pixels(name, states, state)
                    centre = {p for row in px[wt:len(px) - wb] for p in row[wl:len(row) - wr]}
                    self.assertEqual(centre, {colour + (255,)}, what)
            else:
                self.assertTrue(mode & DM_FILL, what)
            checked += 1
        self.assertGreater(checked, 100)

    def design(self):
        design = configparser.ConfigParser(interpolation=None)
        with open(DESIGN, encoding="utf-8") as f:
            design.read_file(f)
        return design

    def test_caption_buttons_and_title_bar_follow_the_title_height(self):
        design = self.design()
        for ppi, suffix in DENSITY_SUFFIXES:
            scale = ppi / 96
            title = int(self.skin.sections["GLOBALINFO"]["TITLEHEIGHT" + suffix])
            self.assertEqual(title, int(float(design.get("window", "title_height")) * scale + 0.5), suffix)
            name, states, *_ = self.reference("FORMTITLE", "BORDERSMASK" + suffix)
            self.assertEqual(self.skin.picture(name)[1], title, name)
            width = int(float(design.get("caption_buttons", "width")) * scale + 0.5)
            for glyph in ("CLOSE", "MAX", "MIN", "NORM", "HELP"):
                name, states, *_ = self.reference("GLOBALINFO", "BICON" + glyph + suffix)
                w, h, _ = self.skin.picture(name)
                self.assertEqual((w // states, h), (width, title), name)
                # Flat and flush: the hot state fills the whole button.
                hot = self.skin.state_pixels(name, states, 1)
                self.assertTrue(all(p[3] == 255 for row in hot for p in row), name)

    def test_progress_fill_is_one_continuous_gradient_with_a_lighter_top_edge(self):
        design = self.design()
        top, bottom = (raster.hex_colour(design.get("progress", k)) for k in ("fill_top", "fill_bottom"))
        lum = lambda p: raster.relative_luminance(p[:3])  # noqa: E731
        for ppi, suffix in DENSITY_SUFFIXES:
            name, states, _, _, margins, _ = self.reference("PROGRESSH", "BORDERSMASK" + suffix)
            px = self.skin.state_pixels(name, 1, 0)
            # Square ends and no holes: side by side, pieces join into one band.
            for y, row in enumerate(px):
                self.assertEqual(len(set(row)), 1, "%s row %d" % (name, y))
                self.assertEqual(row[0][3], 255, name)
            column = [row[0] for row in px]
            edge = max(1, int(ppi / 96 + 0.5))
            self.assertGreater(lum(column[0]), lum(column[edge]), name + ": the top edge is lighter")
            body = column[edge:]
            self.assertTrue(all(lum(a) >= lum(b) for a, b in zip(body, body[1:])), name + ": darkens downwards")
            for got, want in ((body[0], top), (body[-1], bottom)):
                self.assertLessEqual(max(abs(a - b) for a, b in zip(got[:3], want)), 12, name)

    # Sections whose pieces carry no text: progress pieces and the parts of scroll bars.
    NO_TEXT = {"PROGRESSH", "PROGRESSV", "SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V",
               "SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM", "SCROLLSLIDERH", "SCROLLSLIDERV"}
    # What a see-through section's text lands on: the backgrounds of forms, message boxes and
    # menus.
    CONTAINERS = (("FORM", "COLOR"), ("DIALOG", "COLOR"), ("MAINMENU", "COLOR"))

    def test_every_text_colour_has_4_5_to_1_against_every_background_of_its_state(self):
        s = self.skin.sections
        looks = (("FONTCOLOR", "COLOR", "TRANSPARENCY"), ("HOTFONTCOLOR", "HOTCOLOR", "HOTTRANSPARENCY"),
                 ("FONTCOLOR2", "COLOR2", "TRANSPARENCY2"))
        checked = 0
        for section in s:
            if section == "GLOBALINFO" or section in self.NO_TEXT:
                continue
            states = int(find_key(s, section, "STATES") or 1)
            for state in range(min(states, 3)):
                font_key, colour_key, transparency_key = looks[state]
                fg = find_key(s, section, font_key) or find_key(s, section, "FONTCOLOR")
                if fg is None:
                    continue
                backgrounds = []
                mask = find_key(s, section, "BORDERSMASK")
                if mask is not None and parse_reference(mask)[5] & DM_FILL:
                    backgrounds = self.centre_column(section, state)
                if not backgrounds:
                    transparency = int(find_key(s, section, transparency_key) or find_key(s, section, "TRANSPARENCY") or 0)
                    colour = find_key(s, section, colour_key) or find_key(s, section, "COLOR")
                    if transparency < 100 and colour is not None:
                        backgrounds = [bgr(colour)]
                    else:
                        backgrounds = [bgr(find_key(s, *c)) for c in self.CONTAINERS]
                for bg in backgrounds:
                    ratio = self.contrast(fg, bg)
                    self.assertGreaterEqual(ratio, 4.5, "%s %s: %.2f:1 on #%02X%02X%02X" % ((section, font_key, ratio) + tuple(bg)))
                    checked += 1
        self.assertGreater(checked, 60)

    def test_the_generator_refuses_a_design_with_unreadable_text(self):
        design = self.design()
        design.set("title", "caption_inactive", "#B0B6BF")  # 1.9:1 on the inactive title bar
        path = os.path.join(self.tmp, "low-contrast.ini")
        with open(path, "w", encoding="utf-8") as f:
            design.write(f)
        out = os.path.join(self.tmp, "refused")
        result = generate(out, path)
        self.assertEqual(result.returncode, 1)
        self.assertIn("inactive caption", result.stderr)
        self.assertFalse(os.path.exists(out))


class PngRoundTripTest(unittest.TestCase):
    def test_written_pixels_read_back_unchanged(self):
        c = raster.Canvas(7, 5)
        c.fill(raster.rounded_rect(1, 1, 6, 5, 2), (37, 99, 235))
        c.fill(raster.rounded_rect(0, 0, 3, 2, 0), (255, 255, 255), opacity=0.5)
        rows = c.rgba_rows()
        self.assertEqual(raster.decode_png(c.png()), (7, 5, rows))
        self.assertEqual(rows[4][0:4], b"\xff\x00\xff\x00")  # outside: the key
        self.assertEqual(rows[3][12:16], bytes((37, 99, 235, 255)))  # inside: the colour, opaque

    def test_straight_edges_are_crisp(self):
        c = raster.Canvas(6, 6)
        c.fill(raster.rounded_rect(1, 2, 5, 6, 0), (0, 0, 0))
        alphas = {row[i + 3] for row in c.rgba_rows() for i in range(0, 24, 4)}
        self.assertEqual(alphas, {0, 255})


if __name__ == "__main__":
    if "--installed" in sys.argv:
        i = sys.argv.index("--installed")
        INSTALLED = sys.argv[i + 1]
        del sys.argv[i:i + 2]
    unittest.main()
