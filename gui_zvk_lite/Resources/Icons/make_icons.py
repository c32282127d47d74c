#!/usr/bin/env python3
"""Draws the window-button images of the main window and the push-button backgrounds of the
application style sheet (run by hand; the PNGs are committed).

Each window button has three states: normal, glow (hover) and pressed, drawn as simple line art on the
black title area. The push-button backgrounds (botao_normal, botao_mouseover, botao_selected) are
vertical gradients that the style sheet tiles from the button's centre, so any button height shows a
smooth part of them; their colours match the style sheet's borders (#999999, #a34407, #658f2e).
"""
import struct
import zlib
import os


def png(path, width, height, pixels):
    """Writes an RGBA PNG; pixels is a list of rows of (r, g, b, a)."""
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
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
