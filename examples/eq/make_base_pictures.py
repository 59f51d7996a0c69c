#!/usr/bin/env python3
"""Draws the example EQ's two base pictures (PNG_/128.png dark, PNG_/129.png light).

The pictures are flat panels behind the controls: a frame for the curve, one panel per band and
one for the output column. Run from anywhere; it writes next to itself, under resources/PNG_.
"""
import os
import struct
import zlib

WIDTH, HEIGHT = 600, 360

# Panels: (left, top, width, height); they match the control layout in GUIXML/128.xml.
GRAPH = (20, 16, 560, 124)
BANDS = [(20 + i * 124, 152, 118, 192) for i in range(4)]
OUTPUT = (518, 152, 62, 192)

SKINS = {
    "128.png": {"back": (28, 30, 36), "panel": (44, 47, 56), "edge": (78, 84, 98),
                "graph": (18, 20, 24), "accent": (90, 170, 230)},
    "129.png": {"back": (206, 210, 218), "panel": (226, 229, 236), "edge": (150, 156, 170),
                "graph": (244, 245, 248), "accent": (220, 120, 40)},
}


def fill(pixels, rect, colour):
    left, top, width, height = rect
    for y in range(top, top + height):
        row = pixels[y]
        for x in range(left, left + width):
            row[x] = colour


def panel(pixels, rect, skin, accent_bar=True):
    left, top, width, height = rect
    fill(pixels, rect, skin["edge"])
    fill(pixels, (left + 1, top + 1, width - 2, height - 2), skin["panel"])
    if accent_bar:
        fill(pixels, (left + 1, top + 1, width - 2, 3), skin["accent"])


def draw(skin):
    pixels = [[skin["back"]] * WIDTH for _ in range(HEIGHT)]
    pixels = [list(row) for row in pixels]
    panel(pixels, GRAPH, skin, accent_bar=False)
    left, top, width, height = GRAPH
    fill(pixels, (left + 1, top + 1, width - 2, height - 2), skin["graph"])
    for band in BANDS:
        panel(pixels, band, skin)
    panel(pixels, OUTPUT, skin)
    return pixels


def encode_png(pixels):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources", "PNG_")
    os.makedirs(folder, exist_ok=True)
    for name, skin in SKINS.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(encode_png(draw(skin)))


if __name__ == "__main__":
    main()
