#!/usr/bin/env python3
"""Draws the program's small pictures: the application icon (16, 32 and 48
px), the logo, the header icons and the control bar's button icons (56 px:
28 DIP drawn for up to twice the density) in a light and a dark variant. Run it from
the repository root after changing a picture; it rewrites resources/*.png and
resources/quorvel.ico. Only the standard library is needed."""

import math
import struct
import zlib
from pathlib import Path

ACCENT = (0x25, 0x63, 0xEB)
WHITE = (0xFF, 0xFF, 0xFF)
LIGHT_INK = (0x2A, 0x30, 0x3A)  # dark ink for the light theme
DARK_INK = (0xE6, 0xE9, 0xEE)   # light ink for the dark theme


def coverage(size, inside, samples=4):
    """Antialiased coverage of a shape given as inside(x, y) in unit space."""
    grid = [[0.0] * size for _ in range(size)]
    step = 1.0 / samples
    for y in range(size):
        for x in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) * step) / size
                    v = (y + (sy + 0.5) * step) / size
                    hits += 1 if inside(u, v) else 0
            grid[y][x] = hits / (samples * samples)
    return grid


def layer(canvas, size, inside, color):
    grid = coverage(size, inside)
    for y in range(size):
        for x in range(size):
            a = grid[y][x]
            if a <= 0:
                continue
            r, g, b, da = canvas[y][x]
            out_a = a + da * (1 - a)
            mix = lambda s, d: (s * a + d * da * (1 - a)) / out_a if out_a else 0
            canvas[y][x] = (mix(color[0], r), mix(color[1], g), mix(color[2], b), out_a)


def blank(size):
    return [[(0, 0, 0, 0.0)] * size for _ in range(size)]


def png(size, canvas):
    raw = bytearray()
    for row in canvas:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((round(r), round(g), round(b), round(a * 255)))
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# Shapes in unit space (0..1).
def rounded_square(margin, radius):
    def inside(u, v):
        lo, hi = margin + radius, 1 - margin - radius
        dx = max(lo - u, 0, u - hi)
        dy = max(lo - v, 0, v - hi)
        return dx * dx + dy * dy <= radius * radius and margin <= u <= 1 - margin and margin <= v <= 1 - margin
    return inside


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda u, v: (r - width) ** 2 <= (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u <= x1 and y0 <= v <= y1


def segment(x0, y0, x1, y1, width):
    def inside(u, v):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (u - px) ** 2 + (v - py) ** 2 <= (width / 2) ** 2
    return inside


def union(*shapes):
    return lambda u, v: any(s(u, v) for s in shapes)


def minus(shape, hole):
    return lambda u, v: shape(u, v) and not hole(u, v)


# The mark: a rounded accent tile with a white record ring and dot.
def draw_mark(size):
    canvas = blank(size)
    layer(canvas, size, rounded_square(0.04, 0.22), ACCENT)
    layer(canvas, size, ring(0.5, 0.5, 0.30, 0.08), WHITE)
    layer(canvas, size, circle(0.5, 0.5, 0.13), WHITE)
    return canvas


def camera():  # screenshot
    body = rounded_square(0.0, 0.0)
    body = union(rect(0.16, 0.32, 0.84, 0.78), rect(0.36, 0.24, 0.60, 0.34))
    return minus(body, circle(0.5, 0.55, 0.15))


def half_moon():  # theme
    return union(ring(0.5, 0.5, 0.32, 0.07),
                 lambda u, v: (u - 0.5) ** 2 + (v - 0.5) ** 2 <= 0.32 ** 2 and u >= 0.5)


def gear():  # settings
    def inside(u, v):
        dx, dy = u - 0.5, v - 0.5
        d = math.hypot(dx, dy)
        angle = math.atan2(dy, dx)
        tooth = 0.34 if math.cos(angle * 8) > 0.3 else 0.27
        return 0.11 <= d <= tooth
    return inside


def question():  # help
    return union(ring(0.5, 0.5, 0.34, 0.07),
                 lambda u, v: ((0.16 - 0.05) ** 2 <= (u - 0.5) ** 2 + (v - 0.42) ** 2 <= 0.16 ** 2
                               and not (u < 0.5 and v > 0.42)),
                 rect(0.465, 0.5, 0.535, 0.6), circle(0.5, 0.69, 0.045))


def person():  # account (index 9)
    return union(circle(0.5, 0.36, 0.14),
                 lambda u, v: v >= 0.56 and (u - 0.5) ** 2 + (v - 0.86) ** 2 <= 0.30 ** 2 and v <= 0.84)


def cross():  # close
    return union(segment(0.28, 0.28, 0.72, 0.72, 0.08), segment(0.72, 0.28, 0.28, 0.72, 0.08))


HEADER_ICONS = [(8101, camera), (8103, half_moon), (8105, gear), (8107, question),
                (8109, person), (8111, cross)]


def draw_glyph(size, shape, ink):
    canvas = blank(size)
    layer(canvas, size, shape(), ink)
    return canvas


def polygon(*points):
    """Inside a convex or concave polygon (even-odd rule)."""
    def inside(u, v):
        hit = False
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > v) != (y1 > v) and u < x0 + (v - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit
    return inside


# The control bar's icons share a thin screen outline that the corner and
# dock icons mark a place in.
def screen_frame():
    return minus(rounded_square(0.12, 0.08), rounded_square(0.18, 0.03))


def corner(left, top):
    x0 = 0.25 if left else 0.53
    y0 = 0.25 if top else 0.53
    return lambda: union(screen_frame(), rect(x0, y0, x0 + 0.22, y0 + 0.22))


def dock(top):
    bar = rect(0.34, 0.25, 0.66, 0.33) if top else rect(0.34, 0.67, 0.66, 0.75)
    tip, base = (0.40, 0.58) if top else (0.60, 0.42)
    arrow = union(segment(0.5, tip, 0.5, base, 0.07),
                  segment(0.5, tip, 0.41, tip + (base - tip) * 0.5, 0.07),
                  segment(0.5, tip, 0.59, tip + (base - tip) * 0.5, 0.07))
    return lambda: union(screen_frame(), bar, arrow)


def magnifier(plus):
    glass = union(ring(0.44, 0.44, 0.24, 0.065), segment(0.61, 0.61, 0.82, 0.82, 0.10))
    sign = rect(0.33, 0.41, 0.55, 0.47)
    if plus:
        sign = union(sign, rect(0.41, 0.33, 0.47, 0.55))
    return lambda: union(glass, sign)


def hidden_eye():
    def lens(u, v):  # the eye's outline: two arcs meeting at the corners
        dy = abs(v - 0.5)
        return dy <= 0.22 * (1 - ((u - 0.5) / 0.36) ** 2) if abs(u - 0.5) <= 0.36 else False
    outline = minus(lens, lambda u, v: lens(0.5 + (u - 0.5) * 1.2, 0.5 + (v - 0.5) * 1.45))
    eye = union(outline, circle(0.5, 0.5, 0.09))
    slash = segment(0.22, 0.80, 0.78, 0.20, 0.07)
    gap = segment(0.22, 0.80, 0.78, 0.20, 0.17)
    return union(minus(eye, gap), slash)


def pause_bars():
    return union(rounded_square_at(0.30, 0.24, 0.43, 0.76), rounded_square_at(0.57, 0.24, 0.70, 0.76))


def rounded_square_at(x0, y0, x1, y1, radius=0.03):
    def inside(u, v):
        dx = max(x0 + radius - u, 0, u - (x1 - radius))
        dy = max(y0 + radius - v, 0, v - (y1 - radius))
        return dx * dx + dy * dy <= radius * radius
    return inside


def play():
    return polygon((0.33, 0.22), (0.33, 0.78), (0.78, 0.5))


def stop_square():
    return rounded_square_at(0.26, 0.26, 0.74, 0.74, 0.07)


def covered_screen():  # the live picture replaced by a blank screen
    frame = minus(rounded_square_at(0.14, 0.20, 0.86, 0.70, 0.05),
                  rounded_square_at(0.20, 0.26, 0.80, 0.64, 0.02))
    blank_screen = rect(0.27, 0.33, 0.73, 0.57)
    stand = union(rect(0.46, 0.70, 0.54, 0.78), rect(0.34, 0.77, 0.66, 0.82))
    return union(frame, blank_screen, stand)


def speaker():
    return union(rect(0.16, 0.40, 0.28, 0.60),
                 polygon((0.26, 0.40), (0.46, 0.24), (0.46, 0.76), (0.26, 0.60)))


def muted_speaker():
    return union(speaker(), segment(0.58, 0.38, 0.80, 0.62, 0.07),
                 segment(0.80, 0.38, 0.58, 0.62, 0.07))


def sounding_speaker():
    def wave(r):
        return lambda u, v: (ring(0.44, 0.5, r, 0.06)(u, v) and u > 0.52
                             and abs(v - 0.5) < (u - 0.44) * 1.1)
    return union(speaker(), wave(0.19), wave(0.32))


# Light picture ids; the dark picture follows each. The view's icon table
# pairs them in its own order (the dock icons come last in the resources).
CONTROL_ICONS = [(8113, corner(True, True)), (8115, corner(False, True)),
                 (8117, corner(False, False)), (8119, corner(True, False)),
                 (8121, magnifier(True)), (8123, magnifier(False)), (8125, hidden_eye),
                 (8127, pause_bars), (8129, play), (8131, stop_square),
                 (8133, covered_screen), (8135, muted_speaker), (8137, sounding_speaker),
                 (8139, dock(True)), (8141, dock(False))]
STOP_RED = (0xE0, 0x3E, 0x45)
CONTROL_ICON_SIZE = 56


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return header + entries + blobs


def main():
    out = Path(__file__).resolve().parent.parent / "resources"
    out.mkdir(exist_ok=True)
    (out / "quorvel.ico").write_bytes(ico([(s, png(s, draw_mark(s))) for s in (16, 32, 48)]))
    (out / "logo.png").write_bytes(png(96, draw_mark(96)))
    for light_id, shape in HEADER_ICONS:
        (out / f"header_{light_id}.png").write_bytes(png(32, draw_glyph(32, shape, LIGHT_INK)))
        (out / f"header_{light_id + 1}.png").write_bytes(png(32, draw_glyph(32, shape, DARK_INK)))
    for light_id, shape in CONTROL_ICONS:
        # The stop square keeps its red in both themes, as a record button's.
        light, dark = (STOP_RED, STOP_RED) if shape is stop_square else (LIGHT_INK, DARK_INK)
        size = CONTROL_ICON_SIZE
        (out / f"control_{light_id}.png").write_bytes(png(size, draw_glyph(size, shape, light)))
        (out / f"control_{light_id + 1}.png").write_bytes(png(size, draw_glyph(size, shape, dark)))


if __name__ == "__main__":
    main()
