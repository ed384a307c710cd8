#!/usr/bin/env python3
"""Draws the program icon (a clock face with a play mark) as a PNG without outside libraries."""
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

if __name__ == "__main__":
    for size in (16, 32, 64):
        with open(f"{sys.argv[1]}/sorlin-{size}.png", "wb") as f:
            f.write(render(size))
