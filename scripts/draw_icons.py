#!/usr/bin/env python3
"""Draws the programs' icons into resources/icons/*.png (32 x 32, RGBA).

The icons are simple shapes drawn here, so the PNG files can be made again from this script:
    python3 scripts/draw_icons.py
"""
import math
import os
import struct
import zlib

SIZE = 32
SS = 4  # samples per pixel side


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def fill(self, inside, color):
        """Paints color where inside(x, y) holds, with coverage from SS x SS samples."""
        r, g, b, a = color
        for y in range(SIZE):
            for x in range(SIZE):
                hits = sum(inside(x + (i + 0.5) / SS, y + (j + 0.5) / SS) for i in range(SS) for j in range(SS))
                if not hits:
                    continue
                cover = hits / (SS * SS) * a / 255.0
                dr, dg, db, da = self.px[y][x]
                da_f = da / 255.0
                out_a = cover + da_f * (1 - cover)
                mix = lambda s, d: int(round((s * cover + d * da_f * (1 - cover)) / out_a)) if out_a else 0
                self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), int(round(out_a * 255)))

    def png(self, path):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.px)
        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(data)


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, w):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= (w / 2) ** 2
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                hit = not hit
        return hit
    return inside


DARK = (40, 48, 60, 255)
WHITE = (255, 255, 255, 255)


def card(c, body, light):
    """A PC Card seen from above: body, contact strip, status light."""
    c.fill(rounded(3, 7, 29, 27, 3), DARK)
    c.fill(rounded(4.5, 8.5, 27.5, 25.5, 2), body)
    for i in range(6):
        c.fill(rounded(6 + i * 3.4, 22, 8 + i * 3.4, 25, 0.5), (220, 200, 120, 255))
    c.fill(rounded(7, 11, 18, 13, 1), WHITE)
    c.fill(rounded(7, 15, 15, 17, 1), WHITE)
    c.fill(circle(23.5, 13.5, 3.6), DARK)
    c.fill(circle(23.5, 13.5, 2.6), light)


def antenna(c, color):
    c.fill(segment(24, 7.5, 24, 2, 1.6), color)
    c.fill(circle(24, 2.2, 1.5), color)


def envelope(c, body):
    c.fill(rounded(2, 8, 26, 26, 2), DARK)
    c.fill(rounded(3.3, 9.3, 24.7, 24.7, 1.2), body)
    c.fill(polygon([(3.5, 9.5), (14, 18.5), (24.5, 9.5), (24.5, 11.5), (14, 20.5), (3.5, 11.5)]), DARK)


def draw_all(out):
    icons = {}

    c = Canvas()
    card(c, (58, 110, 165, 255), (90, 210, 90, 255))
    antenna(c, DARK)
    icons["card-powered"] = c

    c = Canvas()
    card(c, (140, 146, 156, 255), (200, 60, 50, 255))
    icons["card-off"] = c

    c = Canvas()
    envelope(c, (250, 245, 225, 255))
    c.fill(circle(24, 23, 7), WHITE)
    c.fill(circle(24, 23, 6), (205, 40, 40, 255))
    c.fill(rounded(23, 18.5, 25, 24.5, 1), WHITE)
    c.fill(circle(24, 27, 1.1), WHITE)
    icons["memory-full"] = c

    c = Canvas()
    card(c, (58, 110, 165, 255), (90, 210, 90, 255))
    antenna(c, DARK)
    c.fill(ring(24, 3, 6, 1.2), (58, 110, 165, 180))
    icons["app-commander"] = c

    c = Canvas()
    c.fill(rounded(8, 2, 24, 30, 3), DARK)
    c.fill(rounded(10, 5, 22, 17, 1), (190, 225, 245, 255))
    for row in range(3):
        for col in range(3):
            c.fill(rounded(10.5 + col * 4, 19 + row * 3.4, 13.5 + col * 4, 21.4 + row * 3.4, 0.7), (200, 205, 215, 255))
    c.fill(rounded(11.5, 7, 20.5, 8.6, 0.5), (58, 110, 165, 255))
    c.fill(rounded(11.5, 10, 18, 11.6, 0.5), (58, 110, 165, 255))
    icons["app-manager"] = c

    c = Canvas()
    c.fill(circle(16, 16, 14), DARK)
    c.fill(circle(16, 16, 12.6), (58, 110, 165, 255))
    c.fill(ring(16, 12, 5.5, 2.6), WHITE)
    c.fill(polygon([(8, 4), (16, 12), (8, 14)]), (58, 110, 165, 255))  # opens the ring on the left
    c.fill(rounded(14.7, 16, 17.3, 20.5, 0.8), WHITE)
    c.fill(circle(16, 24, 1.7), WHITE)
    icons["app-help"] = c

    os.makedirs(out, exist_ok=True)
    for name, canvas in icons.items():
        canvas.png(os.path.join(out, name + ".png"))


if __name__ == "__main__":
    draw_all(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "icons"))
