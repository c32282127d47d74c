#!/usr/bin/env python3
"""Draws the window-button images of the main window, the push-button backgrounds of the
application style sheet, the status icons of the progress screen's test rows and the chunk images of
its progress bars (run by hand; the PNGs are committed).

Each window button has three states: normal, glow (hover) and pressed, drawn as simple line art on the
black title area. The push-button backgrounds (botao_normal, botao_mouseover, botao_selected) are
vertical gradients that the style sheet tiles from the button's centre, so any button height shows a
smooth part of them; their colours match the style sheet's borders (#999999, #a34407, #658f2e).
"""
import struct
import zlib
import os


def png(path, width, height, pixels):
    """Writes a PNG; pixels is a list of rows of (r, g, b, a), or of (r, g, b) for an opaque RGB one."""
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)
    colour_type = 6 if len(pixels[0][0]) == 4 else 2

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def canvas(w, h, bg):
    return [[bg for _ in range(w)] for _ in range(h)]


def rect(px, x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        px[y0][x] = c
        px[y1][x] = c
    for y in range(y0, y1 + 1):
        px[y][x0] = c
        px[y][x1] = c


def line(px, x0, y0, x1, y1, c):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        px[y][x] = c
        if x + 1 < len(px[0]):
            px[y][x + 1] = c


STATES = {
    "normal": ((30, 30, 30, 255), (190, 190, 190, 255)),
    "glow": ((60, 60, 60, 255), (255, 255, 255, 255)),
    "pressed": ((90, 90, 90, 255), (255, 255, 255, 255)),
}


def draw(name, state, w, h):
    bg, fg = STATES[state]
    if name == "close" and state != "normal":
        bg = (200, 40, 40, 255) if state == "glow" else (150, 20, 20, 255)
    px = canvas(w, h, bg)
    cx, cy = w // 2, h // 2
    if name == "minimize":
        line(px, cx - 6, cy + 4, cx + 6, cy + 4, fg)
    elif name == "maximize":
        rect(px, cx - 6, cy - 5, cx + 6, cy + 5, fg)
        line(px, cx - 6, cy - 4, cx + 6, cy - 4, fg)
    elif name == "restore":
        rect(px, cx - 3, cy - 6, cx + 7, cy + 2, fg)
        rect(px, cx - 7, cy - 2, cx + 3, cy + 6, fg)
    elif name == "close":
        line(px, cx - 5, cy - 5, cx + 5, cy + 5, fg)
        line(px, cx - 5, cy + 5, cx + 5, cy - 5, fg)
    return px


here = os.path.dirname(os.path.abspath(__file__))
for name, (w, h) in {"minimize": (34, 25), "maximize": (34, 25), "restore": (34, 25), "close": (54, 25)}.items():
    for state in STATES:
        png(os.path.join(here, "%s_%s.png" % (name, state)), w, h, draw(name, state, w, h))


def gradient(w, h, top, bottom):
    """A vertical gradient from top to bottom colour (RGB), opaque."""
    rows = []
    for y in range(h):
        t = y / (h - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)
        rows.append([c] * w)
    return rows


PUSH_BUTTONS = {
    "botao_normal": ((250, 250, 250), (212, 212, 212)),  # dark text on light grey
    "botao_mouseover": ((218, 112, 44), (163, 68, 7)),  # white text on the hover border's orange
    "botao_selected": ((92, 130, 42), (128, 168, 68)),  # white text on green, lit from below: pressed in
}
for name, (top, bottom) in PUSH_BUTTONS.items():
    png(os.path.join(here, name + ".png"), 8, 64, gradient(8, 64, top, bottom))


# ---- the progress screen


def bar_chunk(height, top, bottom):
    """A 1-pixel-wide chunk image for a progress bar, repeated along the bar: the top colour on the first
    two pixels and the bottom colour on the last two, lighter greens between (RGB, opaque)."""
    rows = [[top], [top]]
    inner = height - 4
    for i in range(inner):
        t = (i + 1) / (inner + 1)
        rows.append([tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))])
    rows += [[bottom], [bottom]]
    return rows


DARK_GREEN, LIGHT_GREEN = (0x2A, 0xAC, 0x02), (0x88, 0xEF, 0x4A)
for h in (14, 17):
    png(os.path.join(here, "barraverde_1x%d.png" % h), 1, h, bar_chunk(h, DARK_GREEN, LIGHT_GREEN))


def coverage(inside, x, y, samples=4):
    """The share of pixel (x, y) that inside(px, py) holds, from samples x samples points."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def segment_distance(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
    return ((px - x0 - t * dx) ** 2 + (py - y0 - t * dy) ** 2) ** 0.5


def icon(shape, fill, strokes, width=1.9):
    """A 16 x 16 icon: a shape (circle or triangle) in the fill colour with white strokes (line segments
    in pixel coordinates) drawn over it, smoothed at the edges, on a transparent ground."""

    def in_shape(px, py):
        if shape == "circle":
            return (px - 8) ** 2 + (py - 8) ** 2 <= 7.5 ** 2
        # triangle with its point up
        return py >= 1 and py <= 15 and abs(px - 8) <= (py - 1) * 7.5 / 14

    def in_stroke(px, py):
        return any(segment_distance(px, py, *s) <= width / 2 for s in strokes)

    rows = []
    for y in range(16):
        row = []
        for x in range(16):
            a = coverage(in_shape, x, y)
            w = coverage(lambda px, py: in_shape(px, py) and in_stroke(px, py), x, y)
            if a == 0:
                row.append((0, 0, 0, 0))
                continue
            # white over the fill where the stroke lies, by its share of the shape's part of the pixel
            k = w / a
            c = tuple(round(f + (255 - f) * k) for f in fill)
            row.append(c + (round(255 * a),))
        rows.append(row)
    return rows


STATUS_ICONS = {
    "icnOk_16x16": ("circle", (0x2A, 0xAC, 0x02), [(4.5, 8.5, 7, 11), (7, 11, 11.5, 5)]),  # a tick
    "icnError_16x16": ("circle", (0xD0, 0x21, 0x21), [(5, 5, 11, 11), (5, 11, 11, 5)]),  # a cross
    "icnIgnored_16x16": ("circle", (0x8C, 0x8C, 0x8C), [(4.5, 8, 11.5, 8)]),  # a bar: not available
    "icnAlert_16x16": ("triangle", (0xF0, 0x8C, 0x00), [(8, 5.5, 8, 10), (8, 12.6, 8, 12.7)]),  # "!"
}
for name, (shape, fill, strokes) in STATUS_ICONS.items():
    png(os.path.join(here, name + ".png"), 16, 16, icon(shape, fill, strokes))
