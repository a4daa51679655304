#!/usr/bin/env python3
# Draws the program's icons and animation frames as PNG files (run once; the PNGs are kept in the tree).
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # samples per pixel side


def png(path, width, height, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


class Canvas:
    """Shapes are tests on points in a 0..1 square; drawn in order with supersampling."""

    def __init__(self, size):
        self.size = size
        self.shapes = []

    def add(self, test, colour):
        self.shapes.append((test, colour))

    def rect(self, x0, y0, x1, y1, colour):
        self.add(lambda x, y: x0 <= x <= x1 and y0 <= y <= y1, colour)

    def circle(self, cx, cy, r, colour):
        self.add(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r0, r1, colour, a0=0.0, a1=360.0):
        def test(x, y):
            d = math.hypot(x - cx, y - cy)
            if not r0 <= d <= r1:
                return False
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            return a0 <= a <= a1 if a0 <= a1 else a >= a0 or a <= a1
        self.add(test, colour)

    def line(self, x0, y0, x1, y1, w, colour):
        def test(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - x0 - t * dx, y - y0 - t * dy) <= w / 2
        self.add(test, colour)

    def polygon(self, points, colour):
        def test(x, y):
            inside = False
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                    inside = not inside
            return inside
        self.add(test, colour)

    def render(self, path):
        png(path, self.size, self.size, self.rgba())

    def rgba(self):
        """The picture as RGBA bytes, row by row."""
        n = self.size
        pixels = []
        for py in range(n):
            for px in range(n):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(SS):
                    for sx in range(SS):
                        x = (px + (sx + 0.5) / SS) / n
                        y = (py + (sy + 0.5) / SS) / n
                        colour = None
                        for test, c in self.shapes:
                            if test(x, y):
                                colour = c
                        if colour:
                            a = colour[3] if len(colour) > 3 else 255
                            for k in range(3):
                                acc[k] += colour[k] * a
                            acc[3] += a
                samples = SS * SS
                alpha = acc[3] / samples
                if acc[3] > 0:
                    pixels += [int(acc[k] / acc[3] + 0.5) for k in range(3)] + [int(alpha + 0.5)]
                else:
                    pixels += [0, 0, 0, 0]
        return pixels


GREY = (120, 126, 134)
DARK = (52, 58, 66)
LIGHT = (226, 230, 236)
WHITE = (255, 255, 255)
BLUE = (38, 110, 200)
GREEN = (46, 160, 67)
YELLOW = (240, 190, 30)
RED = (210, 45, 45)
NAVY = (40, 60, 140)


def printer(c, ox=0.0, oy=0.0, s=1.0):
    def P(x, y):
        return ox + x * s, oy + y * s
    c.rect(*P(0.28, 0.12), *P(0.72, 0.42), WHITE)             # paper in
    c.rect(*P(0.10, 0.36), *P(0.90, 0.74), GREY)              # body
    c.rect(*P(0.10, 0.36), *P(0.90, 0.44), DARK)              # top edge
    c.rect(*P(0.22, 0.62), *P(0.78, 0.90), LIGHT)             # paper out
    c.rect(*P(0.72, 0.50), *P(0.80, 0.56), GREEN)             # lamp


def magnifier(c, cx, cy, r, colour=NAVY):
    c.line(cx + r * 0.7, cy + r * 0.7, cx + r * 1.8, cy + r * 1.8, r * 0.55, colour)
    c.circle(cx, cy, r, colour)
    c.circle(cx, cy, r * 0.72, (200, 228, 255))


def status_disc(name, colour, mark):
    c = Canvas(16)
    c.circle(0.5, 0.5, 0.46, DARK)
    c.circle(0.5, 0.5, 0.40, colour)
    mark(c)
    c.render(os.path.join(HERE, name))


def main():
    c = Canvas(32)
    printer(c)
    c.render(os.path.join(HERE, "icon_128.png"))

    c = Canvas(16)
    printer(c)
    c.render(os.path.join(HERE, "icon_145.png"))

    status_disc("icon_146.png", GREEN, lambda c: (c.line(0.3, 0.52, 0.45, 0.68, 0.12, WHITE),
                                                  c.line(0.45, 0.68, 0.72, 0.34, 0.12, WHITE)))
    c = Canvas(16)
    c.polygon([(0.5, 0.06), (0.96, 0.9), (0.04, 0.9)], DARK)
    c.polygon([(0.5, 0.16), (0.87, 0.84), (0.13, 0.84)], YELLOW)
    c.rect(0.45, 0.36, 0.55, 0.64, DARK)
    c.rect(0.45, 0.70, 0.55, 0.78, DARK)
    c.render(os.path.join(HERE, "icon_154.png"))
    status_disc("icon_156.png", RED, lambda c: (c.line(0.32, 0.32, 0.68, 0.68, 0.13, WHITE),
                                                c.line(0.68, 0.32, 0.32, 0.68, 0.13, WHITE)))
    status_disc("icon_155.png", BLUE, lambda c: (c.circle(0.46, 0.5, 0.24, WHITE),
                                                 c.circle(0.58, 0.42, 0.22, BLUE)))
    status_disc("icon_167.png", (150, 150, 150), lambda c: (c.ring(0.5, 0.4, 0.1, 0.2, WHITE, 180, 90),
                                                            c.rect(0.45, 0.5, 0.55, 0.62, WHITE),
                                                            c.circle(0.5, 0.74, 0.06, WHITE)))
    status_disc("icon_166.png", (70, 70, 70), lambda c: c.rect(0.26, 0.44, 0.74, 0.56, WHITE))

    # Toolbar buttons, in the large (32) and small (16) sets.
    for size, suffix in ((32, ""), (16, "_small")):
        c = Canvas(size)  # search settings: the range sliders
        for i, y in enumerate((0.25, 0.5, 0.75)):
            c.line(0.12, y, 0.88, y, 0.07 if size == 32 else 0.1, DARK)
            c.circle((0.3, 0.65, 0.45)[i], y, 0.1 if size == 32 else 0.12, BLUE)
        c.render(os.path.join(HERE, "icon_165%s.png" % suffix))

        c = Canvas(size)
        magnifier(c, 0.4, 0.4, 0.26)
        c.render(os.path.join(HERE, "icon_150%s.png" % suffix))

        c = Canvas(size)  # refresh: a circular arrow
        c.ring(0.5, 0.5, 0.24, 0.36, GREEN, 300, 230)
        c.polygon([(0.62, 0.08), (0.9, 0.26), (0.6, 0.4)], GREEN)
        c.render(os.path.join(HERE, "icon_149%s.png" % suffix))

    c = Canvas(16)
    c.polygon([(0.5, 0.2), (0.88, 0.75), (0.12, 0.75)], DARK)
    c.render(os.path.join(HERE, "icon_143.png"))
    c = Canvas(16)
    c.polygon([(0.12, 0.25), (0.88, 0.25), (0.5, 0.8)], DARK)
    c.render(os.path.join(HERE, "icon_144.png"))

    # Animation: the magnifier circles the printer in six steps.
    for frame in range(6):
        c = Canvas(48)
        printer(c, 0.18, 0.2, 0.64)
        angle = math.radians(-90 + frame * 60)
        magnifier(c, 0.5 + 0.26 * math.cos(angle) - 0.06, 0.5 + 0.26 * math.sin(angle) - 0.06, 0.15)
        c.render(os.path.join(HERE, "bitmap_%d.png" % (158 + frame)))


if __name__ == "__main__":
    main()
