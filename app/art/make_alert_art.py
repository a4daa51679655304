#!/usr/bin/env python3
# Draws the alert pictures of the standard support package as small JPEG files
# into data/other/ (run once; the JPEGs are kept in the tree). The shapes come
# from make_art.py; the encoder below writes baseline JPEG with Huffman
# tables built for each picture.
import math
import os
import struct

from make_art import BLUE, DARK, GREY, LIGHT, RED, WHITE, YELLOW, Canvas, printer

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "..", "..", "data", "other")
SIZE = 64
QUALITY = 90

ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21,
    28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61,
    54, 47, 55, 62, 63,
]
LUMA_Q = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
]
CHROMA_Q = [17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99, 99, 99,
            47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32
COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]


def scaled(table):
    scale = 5000 // QUALITY if QUALITY < 50 else 200 - 2 * QUALITY
    return [min(255, max(1, (q * scale + 50) // 100)) for q in table]


def fdct(block):
    out = [0.0] * 64
    for v in range(8):
        for u in range(8):
            s = 0.0
            for y in range(8):
                row = block[y * 8:(y + 1) * 8]
                cy = COS[v][y]
                s += cy * sum(row[x] * COS[u][x] for x in range(8))
            cu = math.sqrt(0.5) if u == 0 else 1.0
            cv = math.sqrt(0.5) if v == 0 else 1.0
            out[v * 8 + u] = 0.25 * cu * cv * s
    return out


def category(value):
    return 0 if value == 0 else abs(value).bit_length()


def extra_bits(value, size):
    return value if value >= 0 else value + (1 << size) - 1


def symbols_of(blocks, quant):
    """Per component block: (dc category, dc bits, [(ac symbol, bits, size)...])."""
    coded = []
    previous = [0] * 3
    for component, block in blocks:
        q = quant[component]
        coefficients = fdct(block)
        zz = [int(round(coefficients[ZIGZAG[k]] / q[ZIGZAG[k]])) for k in range(64)]
        diff = zz[0] - previous[component]
        previous[component] = zz[0]
        ac = []
        run = 0
        for k in range(1, 64):
            if zz[k] == 0:
                run += 1
                continue
            while run > 15:
                ac.append((0xF0, 0, 0))
                run -= 16
            size = category(zz[k])
            ac.append(((run << 4) | size, extra_bits(zz[k], size), size))
            run = 0
        if run:
            ac.append((0x00, 0, 0))
        coded.append((component, category(diff), extra_bits(diff, category(diff)), ac))
    return coded


def huffman_lengths(frequencies):
    """Code lengths (at most 16, no all-ones code) for the symbols used, by the usual JPEG procedure."""
    freq = dict(frequencies)
    freq[256] = 1  # reserves the all-ones code
    size = {s: 0 for s in freq}
    others = {s: None for s in freq}
    while True:
        live = [s for s in freq if freq[s] > 0]
        if len(live) < 2:
            break
        live.sort(key=lambda s: (freq[s], -s))
        c1, c2 = live[0], live[1]
        if freq[c1] == freq[c2] and c2 < c1:
            c1, c2 = c2, c1
        freq[c1] += freq[c2]
        freq[c2] = 0
        s = c1
        size[s] += 1
        while others[s] is not None:
            s = others[s]
            size[s] += 1
        others[s] = c2
        s = c2
        size[s] += 1
        while others[s] is not None:
            s = others[s]
            size[s] += 1
    bits = [0] * 33
    for s, n in size.items():
        if n:
            bits[n] += 1
    for i in range(32, 16, -1):
        while bits[i] > 0:
            j = i - 2
            while bits[j] == 0:
                j -= 1
            bits[i] -= 2
            bits[i - 1] += 1
            bits[j + 1] += 2
            bits[j] -= 1
    i = 16
    while bits[i] == 0:
        i -= 1
    bits[i] -= 1  # drops the reserved code
    order = sorted((s for s in size if s != 256 and size[s]), key=lambda s: (size[s], s))
    return bits[1:17], order


def table(frequencies):
    bits, values = huffman_lengths(frequencies)
    codes = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return bits, values, codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.count = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.count += 1
            if self.count == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)
                self.acc = 0
                self.count = 0

    def flush(self):
        if self.count:
            self.put((1 << (8 - self.count)) - 1, 8 - self.count)
        return bytes(self.out)


def segment(marker, body):
    return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body


def jpeg(path, size, rgba):
    planes = [[], [], []]
    for i in range(size * size):
        r, g, b, a = rgba[i * 4:i * 4 + 4]
        # No transparency in JPEG: the picture sits on white.
        r, g, b = [(c * a + 255 * (255 - a)) / 255 for c in (r, g, b)]
        planes[0].append(0.299 * r + 0.587 * g + 0.114 * b - 128)
        planes[1].append(-0.168736 * r - 0.331264 * g + 0.5 * b)
        planes[2].append(0.5 * r - 0.418688 * g - 0.081312 * b)
    blocks = []
    for by in range(0, size, 8):
        for bx in range(0, size, 8):
            for c in range(3):
                blocks.append((c, [planes[c][(by + y) * size + bx + x] for y in range(8) for x in range(8)]))
    quant = [scaled(LUMA_Q), scaled(CHROMA_Q), scaled(CHROMA_Q)]
    coded = symbols_of(blocks, quant)

    dc_freq = [{}, {}]
    ac_freq = [{}, {}]
    for component, dc, _, ac in coded:
        t = 0 if component == 0 else 1
        dc_freq[t][dc] = dc_freq[t].get(dc, 0) + 1
        for symbol, _, _ in ac:
            ac_freq[t][symbol] = ac_freq[t].get(symbol, 0) + 1
    dc_tables = [table(f) for f in dc_freq]
    ac_tables = [table(f) for f in ac_freq]

    writer = BitWriter()
    for component, dc, dc_bits, ac in coded:
        t = 0 if component == 0 else 1
        writer.put(*dc_tables[t][2][dc])
        writer.put(dc_bits, dc)
        for symbol, bits, length in ac:
            writer.put(*ac_tables[t][2][symbol])
            writer.put(bits, length)
    data = writer.flush()

    out = b"\xFF\xD8"
    out += segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    for i, q in enumerate(quant[:2]):
        out += segment(0xDB, bytes([i]) + bytes(q[ZIGZAG[k]] for k in range(64)))
    out += segment(0xC0, struct.pack(">BHHB", 8, size, size, 3) + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for cls, tables in ((0, dc_tables), (1, ac_tables)):
        for i, (bits, values, _) in enumerate(tables):
            out += segment(0xC4, bytes([(cls << 4) | i]) + bytes(bits) + bytes(values))
    out += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += data + b"\xFF\xD9"
    with open(path, "wb") as f:
        f.write(out)


# Badges in the lower right corner say how serious the alert is.
def warning_badge(c, x=0.78, y=0.78, r=0.2):
    c.polygon([(x, y - r), (x + r * 1.1, y + r * 0.9), (x - r * 1.1, y + r * 0.9)], DARK)
    c.polygon([(x, y - r * 0.7), (x + r * 0.85, y + r * 0.75), (x - r * 0.85, y + r * 0.75)], YELLOW)
    c.rect(x - r * 0.1, y - r * 0.3, x + r * 0.1, y + r * 0.35, DARK)
    c.rect(x - r * 0.1, y + r * 0.48, x + r * 0.1, y + r * 0.64, DARK)


def error_badge(c, x=0.78, y=0.78, r=0.19):
    c.circle(x, y, r, DARK)
    c.circle(x, y, r * 0.85, RED)
    c.line(x - r * 0.42, y - r * 0.42, x + r * 0.42, y + r * 0.42, r * 0.3, WHITE)
    c.line(x + r * 0.42, y - r * 0.42, x - r * 0.42, y + r * 0.42, r * 0.3, WHITE)


def cartridge(c, level, colour):
    c.rect(0.1, 0.34, 0.86, 0.62, DARK)
    c.rect(0.13, 0.37, 0.83, 0.59, GREY)
    c.rect(0.86, 0.42, 0.92, 0.54, DARK)
    c.rect(0.18, 0.42, 0.78, 0.54, LIGHT)
    if level > 0:
        c.rect(0.18, 0.42, 0.18 + 0.6 * level, 0.54, colour)


def tray(c, sheets):
    c.polygon([(0.08, 0.5), (0.92, 0.5), (0.84, 0.7), (0.16, 0.7)], GREY)
    for i in range(sheets):
        y = 0.44 - i * 0.06
        c.rect(0.19, y - 0.01, 0.81, y + 0.05, DARK)
        c.rect(0.2, y, 0.8, y + 0.04, WHITE)
    c.rect(0.38, 0.58, 0.62, 0.63, DARK)


def draw(name, paint):
    c = Canvas(SIZE)
    c.rect(0, 0, 1, 1, WHITE)
    paint(c)
    jpeg(os.path.join(OUT, name + ".jpg"), SIZE, c.rgba())


def main():
    draw("alert_supply_low", lambda c: (cartridge(c, 0.25, YELLOW), warning_badge(c)))
    draw("alert_supply_empty", lambda c: (cartridge(c, 0, YELLOW), error_badge(c)))
    draw("alert_paper_low", lambda c: (tray(c, 2), warning_badge(c)))
    draw("alert_paper_empty", lambda c: (tray(c, 0), error_badge(c)))

    def jam(c):
        printer(c, 0.02, 0.0, 0.8)
        c.polygon([(0.24, 0.55), (0.36, 0.7), (0.3, 0.78), (0.46, 0.9), (0.4, 0.96), (0.16, 0.8), (0.22, 0.7)], DARK)
        c.polygon([(0.25, 0.58), (0.34, 0.7), (0.28, 0.78), (0.42, 0.9), (0.38, 0.93), (0.19, 0.8), (0.24, 0.7)], WHITE)
        error_badge(c)
    draw("alert_jam", jam)

    def door(c):
        printer(c, 0.02, 0.0, 0.8)
        c.polygon([(0.1, 0.59), (0.7, 0.59), (0.78, 0.8), (0.02, 0.8)], DARK)
        c.polygon([(0.12, 0.61), (0.68, 0.61), (0.74, 0.78), (0.06, 0.78)], YELLOW)
        error_badge(c)
    draw("alert_door_open", door)

    def output(c):
        printer(c, 0.02, 0.16, 0.8)
        for i in range(6):
            y = 0.34 - i * 0.05
            c.rect(0.22, y, 0.62, y + 0.04, WHITE if i % 2 else LIGHT)
        warning_badge(c)
    draw("alert_output_full", output)

    def service(c):
        printer(c, 0.02, 0.0, 0.8)
        c.line(0.4, 0.4, 0.82, 0.82, 0.09, DARK)
        c.ring(0.36, 0.36, 0.06, 0.15, DARK, 90, 360)
    draw("alert_service", service)

    def power_save(c):
        printer(c, 0.02, 0.0, 0.8)
        c.circle(0.76, 0.74, 0.2, DARK)
        c.circle(0.76, 0.74, 0.17, BLUE)
        c.circle(0.73, 0.74, 0.1, WHITE)
        c.circle(0.79, 0.69, 0.09, BLUE)
    draw("alert_power_save", power_save)

    def offline(c):
        printer(c, 0.02, 0.0, 0.8)
        c.circle(0.76, 0.76, 0.2, DARK)
        c.circle(0.76, 0.76, 0.17, (150, 150, 150))
        c.rect(0.66, 0.73, 0.86, 0.79, WHITE)
    draw("alert_offline", offline)

    draw("alert_warning", lambda c: warning_badge(c, 0.5, 0.48, 0.44))
    draw("alert_error", lambda c: error_badge(c, 0.5, 0.5, 0.44))

    def info(c):
        c.circle(0.5, 0.5, 0.44, DARK)
        c.circle(0.5, 0.5, 0.38, BLUE)
        c.circle(0.5, 0.3, 0.06, WHITE)
        c.rect(0.45, 0.42, 0.55, 0.74, WHITE)
    draw("alert_info", info)


if __name__ == "__main__":
    main()
