"""Small antialiased raster for the skin generator: shapes by signed distance, straight-alpha
RGBA canvases, PNG writing and reading. Standard library only.

Coverage of a pixel is taken from the signed distance of its centre to the shape's edge
(clamp(0.5 - d, 0, 1)): edges on whole pixel lines come out exactly 0 or 1 (crisp), curves
and diagonals get one pixel of antialiasing.

    c = Canvas(16, 16)
    c.fill(rounded_rect(0, 0, 16, 16, 4), (255, 255, 255))
    c.fill(ring(rounded_rect(0, 0, 16, 16, 4), 1), (201, 208, 217))
    data = c.png()
"""
import math
import struct
import zlib

# Pixels whose alpha is 0 are written as this colour: the skin format's transparent key.
KEY = (255, 0, 255)


# ---- shapes: functions (x, y) -> signed distance, negative inside ----------------------

def rounded_rect(x0, y0, x1, y1, r):
    """Rectangle [x0, x1) x [y0, y1) with corners of radius r (0 gives square corners)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
    r = max(0.0, min(r, hx, hy))

    def sd(x, y):
        qx, qy = abs(x - cx) - (hx - r), abs(y - cy) - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sd


def top_rounded_rect(x0, y0, x1, y1, r):
    """Rectangle whose top corners only are rounded (a title bar's shape)."""
    full = rounded_rect(x0, y0, x1, y1 + r + 1, r)
    square = rounded_rect(x0, y0, x1, y1, 0)
    return lambda x, y: max(full(x, y), square(x, y))


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment(ax, ay, bx, by, width):
    """A stroke from (ax, ay) to (bx, by) of the given width with square-ish (butt) ends
    cut at the end points; use polyline for joined strokes."""
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    half = width / 2

    def sd(x, y):
        px, py = x - ax, y - ay
        along = px * ux + py * uy
        across = abs(-px * uy + py * ux)
        return max(across - half, -along, along - length)
    return sd


def capsule_line(ax, ay, bx, by, width):
    """A stroke with round ends (its end caps are half circles)."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sd(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - width / 2
    return sd


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(shape, hole):
    return lambda x, y: max(shape(x, y), -hole(x, y))


def ring(shape, width):
    """The band of the given width just inside the shape's edge."""
    return lambda x, y: max(shape(x, y), -(shape(x, y) + width))


def coverage(sd, x, y):
    """Area share of pixel (x, y) inside the shape, from the distance at its centre."""
    return min(1.0, max(0.0, 0.5 - sd(x + 0.5, y + 0.5)))


# ---- colours ------------------------------------------------------------------------

def hex_colour(text):
    text = text.strip().lstrip("#")
    if len(text) != 6:
        raise ValueError("colour %r is not #RRGGBB" % text)
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    """Colour a moved towards b by t (0..1)."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def relative_luminance(rgb):
    def channel(c):
        c = c / 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast_ratio(fg, bg):
    la, lb = relative_luminance(fg), relative_luminance(bg)
    hi, lo = max(la, lb), min(la, lb)
    return (hi + 0.05) / (lo + 0.05)


# ---- canvas -------------------------------------------------------------------------

class Canvas:
    """RGBA picture held as premultiplied floats (0..1) while drawing."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def _over(self, i, rgb, a):
        if a <= 0:
            return
        p = self.px[i]
        k = 1 - a
        p[0] = rgb[0] / 255 * a + p[0] * k
        p[1] = rgb[1] / 255 * a + p[1] * k
        p[2] = rgb[2] / 255 * a + p[2] * k
        p[3] = a + p[3] * k

    def fill(self, shape, paint, opacity=1.0, clip=None):
        """Paints the shape. paint is an (r, g, b) colour or a function (x, y) -> (r, g, b)
        for gradients; clip limits the pixels touched to (x0, y0, x1, y1)."""
        x0, y0, x1, y1 = clip or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                a = coverage(shape, x, y) * opacity
                if a > 0:
                    self._over(y * self.width + x, paint(x, y) if callable(paint) else paint, a)

    def cut(self, shape, clip=None):
        """Makes the pixels outside the shape transparent (coverage multiplies alpha)."""
        x0, y0, x1, y1 = clip or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                a = coverage(shape, x, y)
                p = self.px[y * self.width + x]
                for c in range(4):
                    p[c] *= a

    def threshold_outside(self, shape):
        """Hard edge for window regions: pixels less than half inside the shape become fully
        transparent, the others keep their colour and become opaque."""
        for y in range(self.height):
            for x in range(self.width):
                p = self.px[y * self.width + x]
                if coverage(shape, x, y) < 0.5:
                    p[0] = p[1] = p[2] = p[3] = 0.0
                elif p[3] > 0:
                    a = p[3]
                    p[0], p[1], p[2], p[3] = p[0] / a, p[1] / a, p[2] / a, 1.0

    def blit(self, other, dx, dy):
        """Copies another canvas into this one at (dx, dy), replacing the pixels."""
        for y in range(other.height):
            for x in range(other.width):
                tx, ty = dx + x, dy + y
                if 0 <= tx < self.width and 0 <= ty < self.height:
                    self.px[ty * self.width + tx] = list(other.px[y * other.width + x])

    def composite(self, other, dx, dy):
        """Lays another canvas over this one at (dx, dy)."""
        for y in range(other.height):
            for x in range(other.width):
                tx, ty = dx + x, dy + y
                if 0 <= tx < self.width and 0 <= ty < self.height:
                    s = other.px[y * other.width + x]
                    if s[3] > 0:
                        p = self.px[ty * self.width + tx]
                        k = 1 - s[3]
                        for c in range(4):
                            p[c] = s[c] + p[c] * k

    def rgba_rows(self):
        """Rows of straight-alpha 8-bit RGBA; fully transparent pixels are the key colour."""
        rows = []
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                r, g, b, a = self.px[y * self.width + x]
                a8 = int(a * 255 + 0.5)
                if a8 == 0:
                    row += bytes(KEY) + b"\0"
                else:
                    row += bytes((min(255, int(r / a * 255 + 0.5)), min(255, int(g / a * 255 + 0.5)),
                                  min(255, int(b / a * 255 + 0.5)), a8))
            rows.append(bytes(row))
        return rows

    def png(self):
        return encode_png(self.width, self.height, self.rgba_rows())


# ---- PNG ----------------------------------------------------------------------------

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter_row(kind, row, prior):
    out = bytearray(len(row))
    for i, v in enumerate(row):
        left = row[i - 4] if i >= 4 else 0
        up = prior[i]
        corner = prior[i - 4] if i >= 4 else 0
        pred = (0, left, up, (left + up) // 2, _paeth(left, up, corner))[kind]
        out[i] = (v - pred) & 0xFF
    return out


def encode_png(width, height, rows):
    """8-bit RGBA, not interlaced. Each row takes the filter with the smallest sum of
    absolute differences, so the bytes depend only on the pixels."""
    raw = bytearray()
    prior = bytes(width * 4)
    for row in rows:
        best = None
        for kind in range(5):
            filtered = _filter_row(kind, row, prior)
            score = sum(v if v < 128 else 256 - v for v in filtered)
            if best is None or score < best[0]:
                best = (score, kind, filtered)
        raw.append(best[1])
        raw += best[2]
        prior = row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return PNG_SIGNATURE + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b"")


def decode_png(data):
    """Reads what encode_png writes (8-bit RGBA or RGB, not interlaced): (width, height,
    rows of RGBA bytes). Raises ValueError on anything else."""
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("not a PNG file")
    pos, idat, header = 8, bytearray(), None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if zlib.crc32(kind + body) & 0xFFFFFFFF != struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]:
            raise ValueError("bad CRC in chunk %r" % kind)
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        raise ValueError("no IHDR chunk")
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise ValueError("unsupported PNG layout")
    bpp = 4 if colour_type == 6 else 3
    raw = zlib.decompress(bytes(idat))
    stride = width * bpp
    rows, prior = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        if kind > 4:
            raise ValueError("unknown row filter %d" % kind)
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = prior[i]
            corner = prior[i - bpp] if i >= bpp else 0
            pred = (0, left, up, (left + up) // 2, _paeth(left, up, corner))[kind]
            line[i] = (line[i] + pred) & 0xFF
        prior = line
        if bpp == 3:
            line = bytearray(b"".join(bytes(line[i:i + 3]) + b"\xff" for i in range(0, stride, 3)))
        rows.append(bytes(line))
    return width, height, rows
