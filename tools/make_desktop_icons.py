#!/usr/bin/env python3
"""Draws the program's desktop icon: an open book under a night sky with a
speech bubble, the same picture as the about box's icon. The drawing is a
list of filled shapes on a 64-unit square, written out as the scalable SVG
and rasterised here (4 x 4 samples a pixel) into the PNG sizes the menus
ask for, so no outside renderer is needed. The files are in the repository
already; run this after changing the drawing.

    tools/make_desktop_icons.py [OUTPUT_DIR]   (default: data/icons)
"""
import os
import struct
import sys
import zlib

SKY_TOP, SKY_BOTTOM = (0x1C, 0x2A, 0x5A), (0x6F, 0x8F, 0xD8)
SKY = "sky"  # the vertical gradient, also used to cut the crescent

# (kind, geometry, fill), painted in order.
SHAPES = [
    ("rect", (2, 2, 60, 60, 12), SKY),
    ("circle", (47, 15, 8), "#fff6d5"),
    ("circle", (51, 12, 7), SKY),
    ("circle", (10, 9, 1.2), "#ffffff"),
    ("circle", (27, 7, 1.0), "#ffffff"),
    ("circle", (36, 14, 1.2), "#ffffff"),
    ("circle", (56, 30, 1.0), "#ffffff"),
    ("rect", (7, 17, 34, 17, 7), "#ffffff"),
    ("poly", ((14, 32), (22, 32), (11, 40)), "#ffffff"),
    ("circle", (16, 25.5, 2.4), "#c0392b"),
    ("circle", (24, 25.5, 2.4), "#c0392b"),
    ("circle", (32, 25.5, 2.4), "#c0392b"),
    ("poly", ((5, 44), (31, 40), (33, 60), (7, 62)), "#7a5c3a"),
    ("poly", ((31, 40), (59, 44), (57, 62), (33, 60)), "#7a5c3a"),
    ("poly", ((7, 45), (31, 41.5), (32, 58.5), (9, 60)), "#f4efe1"),
    ("poly", ((32, 41.5), (57, 45), (55, 60), (33, 58.5)), "#f4efe1"),
    ("poly", ((11, 49), (28, 46.5), (28, 47.7), (11, 50.2)), "#b9a88f"),
    ("poly", ((11, 53), (28, 50.5), (28, 51.7), (11, 54.2)), "#b9a88f"),
    ("poly", ((36, 46.5), (53, 49), (53, 50.2), (36, 47.7)), "#b9a88f"),
    ("poly", ((36, 50.5), (53, 53), (53, 54.2), (36, 51.7)), "#b9a88f"),
]


def rgb(fill, y):
    if fill == SKY:
        t = min(max((y - 2) / 60, 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(SKY_TOP, SKY_BOTTOM))
    return tuple(int(fill[i : i + 2], 16) for i in (1, 3, 5))


def inside(kind, g, x, y):
    if kind == "circle":
        cx, cy, r = g
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "rect":
        rx0, ry0, w, h, r = g
        if not (rx0 <= x <= rx0 + w and ry0 <= y <= ry0 + h):
            return False
        dx = max(rx0 + r - x, 0, x - (rx0 + w - r))
        dy = max(ry0 + r - y, 0, y - (ry0 + h - r))
        return dx * dx + dy * dy <= r * r
    # Even-odd rule over the polygon's edges.
    hit = False
    for (x0, y0), (x1, y1) in zip(g, g[1:] + g[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


def raster(size, samples=4):
    scale = 64 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for kind, g, fill in SHAPES:
                        if inside(kind, g, x, y):
                            colour = rgb(fill, y)
                    if colour:
                        for i in range(3):
                            acc[i] += colour[i]
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes((round(acc[0] / n), round(acc[1] / n), round(acc[2] / n)))
                row.append(round(255 * n / samples**2))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + r for r in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def fmt(v):
    return f"{v:g}"


def svg():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">',
           '  <defs><linearGradient id="sky" gradientUnits="userSpaceOnUse" x1="0" y1="2" x2="0" y2="62">'
           '<stop offset="0" stop-color="#1c2a5a"/><stop offset="1" stop-color="#6f8fd8"/>'
           '</linearGradient></defs>']
    for kind, g, fill in SHAPES:
        paint = "url(#sky)" if fill == SKY else fill
        if kind == "circle":
            out.append(f'  <circle cx="{fmt(g[0])}" cy="{fmt(g[1])}" r="{fmt(g[2])}" fill="{paint}"/>')
        elif kind == "rect":
            out.append(f'  <rect x="{fmt(g[0])}" y="{fmt(g[1])}" width="{fmt(g[2])}" height="{fmt(g[3])}"'
                       f' rx="{fmt(g[4])}" fill="{paint}"/>')
        else:
            pts = " ".join(f"{fmt(x)},{fmt(y)}" for x, y in g)
            out.append(f'  <polygon points="{pts}" fill="{paint}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "icons")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "zepa.svg"), "w") as f:
        f.write(svg())
    for size in (48, 128, 256):
        with open(os.path.join(out, f"zepa-{size}.png"), "wb") as f:
            f.write(png(size, raster(size)))


if __name__ == "__main__":
    main()
