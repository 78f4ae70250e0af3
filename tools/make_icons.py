#!/usr/bin/env python3
"""Draws the program's icon (a meter dial on a rounded square) as src/app/icons/zorvan.svg and
as PNG files of the sizes a desktop asks for, with nothing but the standard library.

The shapes are written once, as distance functions; the SVG says the same in its own words.
Run it from the repository folder after changing a shape or a colour, and commit the files.
"""
import math
import os
import struct
import sys
import zlib

BACK = (0x1F, 0x6F, 0x8B)
FORE = (0xFF, 0xFF, 0xFF)
# On a 256 x 256 canvas.
BOX = (16.0, 16.0, 240.0, 240.0, 40.0)  # left, top, right, bottom, corner radius
DIAL = (128.0, 140.0, 78.0, 8.0)  # centre x, y, radius, half the ring's width
NEEDLE = (128.0, 140.0, 178.0, 90.0, 7.0)  # from x, y to x, y, half width
HUB = 15.0
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

SVG = f"""<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect x="{BOX[0]:g}" y="{BOX[1]:g}" width="{BOX[2] - BOX[0]:g}" height="{BOX[3] - BOX[1]:g}" rx="{BOX[4]:g}" fill="#{BACK[0]:02x}{BACK[1]:02x}{BACK[2]:02x}"/>
  <circle cx="{DIAL[0]:g}" cy="{DIAL[1]:g}" r="{DIAL[2]:g}" fill="none" stroke="#ffffff" stroke-width="{2 * DIAL[3]:g}"/>
  <line x1="{NEEDLE[0]:g}" y1="{NEEDLE[1]:g}" x2="{NEEDLE[2]:g}" y2="{NEEDLE[3]:g}" stroke="#ffffff" stroke-width="{2 * NEEDLE[4]:g}" stroke-linecap="round"/>
  <circle cx="{DIAL[0]:g}" cy="{DIAL[1]:g}" r="{HUB:g}" fill="#ffffff"/>
</svg>
"""


def in_box(x, y):
    left, top, right, bottom, r = BOX
    cx = min(max(x, left + r), right - r)
    cy = min(max(y, top + r), bottom - r)
    return left <= x <= right and top <= y <= bottom and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_fore(x, y):
    cx, cy, r, half = DIAL
    d = math.hypot(x - cx, y - cy)
    if abs(d - r) <= half or d <= HUB:
        return True
    x1, y1, x2, y2, w = NEEDLE
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - x1 - t * dx, y - y1 - t * dy) <= w


def render(size, samples=4):
    scale = 256.0 / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            back = fore = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    if in_box(x, y):
                        back += 1
                        fore += in_fore(x, y)
            n = samples * samples
            alpha = back / n
            mix = fore / back if back else 0.0
            row += bytes(round(b + (f - b) * mix) for b, f in zip(BACK, FORE))
            row.append(round(alpha * 255))
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join("src", "app", "icons")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "zorvan.svg"), "w") as f:
        f.write(SVG)
    for size in SIZES:
        with open(os.path.join(out, f"zorvan-{size}.png"), "wb") as f:
            f.write(render(size))


if __name__ == "__main__":
    main()
