#!/usr/bin/env python3
"""Draws the programs' icons into resources/icons/*.png (32 x 32, RGBA), and the write window's
background (240 x 318) with its picture buttons, normal and pressed.

The images are simple shapes drawn here, so the PNG files can be made again from this script:
    python3 scripts/draw_icons.py
"""
import math
import os
import struct
import zlib

SIZE = 32
SS = 4  # samples per pixel side


class Canvas:
    def __init__(self, width=SIZE, height=SIZE):
        self.width, self.height = width, height
        self.px = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def fill(self, inside, color, box=None):
        """Paints color where inside(x, y) holds, with coverage from SS x SS samples; box
        (x0, y0, x1, y1) limits the pixels looked at."""
        r, g, b, a = color
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = sum(inside(x + (i + 0.5) / SS, y + (j + 0.5) / SS) for i in range(SS) for j in range(SS))
                if not hits:
                    continue
                cover = hits / (SS * SS) * a / 255.0
                dr, dg, db, da = self.px[y][x]
                da_f = da / 255.0
                out_a = cover + da_f * (1 - cover)
                mix = lambda s, d: int(round((s * cover + d * da_f * (1 - cover)) / out_a)) if out_a else 0
                self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), int(round(out_a * 255)))

    def gradient(self, x0, y0, x1, y1, top, bottom):
        """Opaque vertical gradient over whole pixels x0..x1-1, y0..y1-1."""
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            color = tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom)) + (255,)
            for x in range(x0, x1):
                self.px[y][x] = color

    def png(self, path):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.px)
        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)) +
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


# The write window: its background (bitmap 113) and the three picture buttons. The frames sit
# around the window's controls (text 19,35 203x105; number entry 58,165 163x17; recipient list
# 58,185 163x55); the button rectangles are the window's (manager/ui/write_window.cpp).
WRITE_W, WRITE_H = 240, 318
SEND_BUTTON = (19, 250, 203, 34)
PICK_BUTTON = (19, 185, 36, 26)
REMOVE_BUTTON = (19, 214, 36, 26)
FRAME = (120, 140, 180, 255)
BLUE = (58, 110, 165, 255)


def frame(c, x0, y0, x1, y1, inner):
    c.fill(rounded(x0, y0, x1, y1, 3), FRAME, (x0, y0, x1, y1))
    c.fill(rounded(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 2.2), inner, (x0, y0, x1, y1))


def write_background():
    c = Canvas(WRITE_W, WRITE_H)
    c.gradient(0, 0, WRITE_W, WRITE_H, (236, 242, 252), (200, 214, 238))
    c.gradient(0, 0, WRITE_W, 12, (58, 110, 165), (90, 140, 195))
    frame(c, 15, 31, 226, 144, WHITE)                      # message text
    frame(c, 15, 159, 226, 245, (226, 234, 247, 255))      # number entry and recipients
    x, y, w, h = SEND_BUTTON
    frame(c, x - 3, y - 3, x + w + 3, y + h + 3, (226, 234, 247, 255))
    return c


def button_body(c, w, h, pressed, top, bottom):
    """A raised button, or sunk when pressed; returns the offset its picture moves by."""
    c.fill(rounded(0, 0, w, h, 4), DARK)
    c.fill(rounded(1, 1, w - 1, h - 1, 3.2), bottom if pressed else top)
    c.fill(rounded(2, 2.5 if pressed else 2, w - 2, h - 2, 2.5), top if pressed else bottom)
    return 1 if pressed else 0


def person(c, cx, cy, color):
    c.fill(circle(cx, cy - 4.5, 3.4), color)
    c.fill(rounded(cx - 6, cy, cx + 6, cy + 8, 3.5), color)


def write_buttons():
    images = {}
    for pressed in (False, True):
        suffix = "-pressed" if pressed else ""
        w, h = SEND_BUTTON[2], SEND_BUTTON[3]
        c = Canvas(w, h)
        d = button_body(c, w, h, pressed, (90, 140, 195, 255), (40, 80, 130, 255))
        ex, ey = w / 2 - 17 + d, 8 + d
        c.fill(rounded(ex, ey, ex + 22, ey + 17, 1.5), WHITE)
        c.fill(polygon([(ex + 1, ey + 1), (ex + 11, ey + 9.5), (ex + 21, ey + 1), (ex + 21, ey + 3),
                        (ex + 11, ey + 11.5), (ex + 1, ey + 3)]), BLUE)
        c.fill(segment(ex + 24, ey + 8.5, ex + 33, ey + 8.5, 2.6), WHITE)
        c.fill(polygon([(ex + 31, ey + 3.5), (ex + 37, ey + 8.5), (ex + 31, ey + 13.5)]), WHITE)
        images["write-send" + suffix] = c

        for name, mark in (("write-pick", "plus"), ("write-remove", "minus")):
            w, h = PICK_BUTTON[2], PICK_BUTTON[3]
            c = Canvas(w, h)
            d = button_body(c, w, h, pressed, (250, 252, 255, 255), (205, 216, 234, 255))
            person(c, 14 + d, 11 + d, BLUE)
            mx, my = 26 + d, 13 + d
            color = (40, 150, 60, 255) if mark == "plus" else (200, 50, 45, 255)
            c.fill(circle(mx, my, 6), color)
            c.fill(rounded(mx - 3.8, my - 1, mx + 3.8, my + 1, 0.4), WHITE)
            if mark == "plus":
                c.fill(rounded(mx - 1, my - 3.8, mx + 1, my + 3.8, 0.4), WHITE)
            images[name + suffix] = c
    return images


def draw_write_window(out):
    images = write_buttons()
    images["write-background"] = write_background()
    os.makedirs(out, exist_ok=True)
    for name, canvas in images.items():
        canvas.png(os.path.join(out, name + ".png"))


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "icons")
    draw_all(out)
    draw_write_window(out)
