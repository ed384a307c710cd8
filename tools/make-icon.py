#!/usr/bin/env python3
"""Draws the program icon (a clock face with a play mark) as PNGs at the desktop's sizes and as an SVG,
without outside libraries:  make-icon.py <folder>"""
import math, struct, sys, zlib

def render(size):
    px = []
    c = (size - 1) / 2.0
    r = size * 0.46
    for y in range(size):
        row = bytearray()
        for x in range(size):
            dx, dy = x - c, y - c
            d = math.hypot(dx, dy)
            a = 0
            col = (0, 0, 0)
            if d <= r:
                a = 255
                col = (0x30, 0x38, 0x48) if d > r - size * 0.07 else (0x66, 0xFF, 0x99)
                # hands: 12 o'clock and 3 o'clock
                if abs(dx) < size * 0.04 and -r * 0.75 < dy < 0:
                    col = (0x20, 0x20, 0x28)
                if abs(dy) < size * 0.04 and 0 < dx < r * 0.55:
                    col = (0x20, 0x20, 0x28)
                # play triangle in the lower half
                tx, ty = x - c + size * 0.08, y - c - size * 0.22
                if 0 <= tx <= size * 0.16 and abs(ty) <= (size * 0.16 - tx) * 0.6:
                    col = (0xDB, 0x9F, 0xD0)
            row += bytes((*col, a))
        px.append(b"\x00" + bytes(row))
    raw = b"".join(px)
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")

def render_svg():
    """The same drawing as a scalable picture, on a 64-unit square."""
    size = 64.0
    c = (size - 1) / 2.0
    r = size * 0.46
    ring = size * 0.07
    hand = size * 0.04
    tip_x, tip_y = c - size * 0.08, c + size * 0.22
    triangle = [(tip_x, tip_y - size * 0.16 * 0.6), (tip_x + size * 0.16, tip_y), (tip_x, tip_y + size * 0.16 * 0.6)]
    points = " ".join(f"{x:.2f},{y:.2f}" for x, y in triangle)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <circle cx="{c:.2f}" cy="{c:.2f}" r="{r:.2f}" fill="#303848"/>
  <circle cx="{c:.2f}" cy="{c:.2f}" r="{r - ring:.2f}" fill="#66ff99"/>
  <rect x="{c - hand:.2f}" y="{c - r * 0.75:.2f}" width="{2 * hand:.2f}" height="{r * 0.75:.2f}" fill="#202028"/>
  <rect x="{c:.2f}" y="{c - hand:.2f}" width="{r * 0.55:.2f}" height="{2 * hand:.2f}" fill="#202028"/>
  <polygon points="{points}" fill="#db9fd0"/>
</svg>
"""

# The sizes the desktop's icon theme asks for, and the program's own (16, 32 and 64).
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

if __name__ == "__main__":
    for size in SIZES:
        with open(f"{sys.argv[1]}/sorlin-{size}.png", "wb") as f:
            f.write(render(size))
    with open(f"{sys.argv[1]}/sorlin.svg", "w") as f:
        f.write(render_svg())
