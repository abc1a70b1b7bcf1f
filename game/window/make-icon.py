#!/usr/bin/env python3
"""Draws ICON_1, the game's 32 x 32, 16-colour icon, and writes it as orvo.ico.

The picture is a small board: a dotted grid, four red marks ringed by a black
outline around a captured blue mark with its green rim.
Usage: make-icon.py [OUT.ico]   (default: orvo.ico beside this script)
       make-icon.py --check ICO (exit 1 unless ICO is what this script draws)
"""
import os
import struct
import sys

SIZE = 32
PALETTE = [  # (red, green, blue), 16 entries
    (0, 0, 0), (0, 159, 0), (255, 0, 0), (0, 0, 255),
    (0, 255, 0), (255, 255, 255), (128, 128, 128), (192, 192, 192),
    (128, 0, 0), (0, 0, 128), (0, 96, 0), (255, 255, 0),
    (0, 128, 128), (128, 0, 128), (0, 255, 255), (255, 0, 255),
]
BLACK, GREEN, RED, BLUE, LIME, WHITE = 0, 1, 2, 3, 4, 5


def draw():
    px = [[GREEN] * SIZE for _ in range(SIZE)]

    def put(x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            px[y][x] = colour

    # Dotted grid through the node centres, as on the board.
    for line in (6, 15, 24):
        for t in range(SIZE):
            if t % 2 == 0:
                put(line, t, BLACK)
                put(t, line, BLACK)

    def line(x0, y0, x1, y1, colour, width):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i // steps
            y = y0 + (y1 - y0) * i // steps
            for dx in range(width):
                for dy in range(width):
                    put(x + dx, y + dy, colour)

    red_nodes = [(15, 6), (24, 15), (15, 24), (6, 15)]
    for i, (x, y) in enumerate(red_nodes):
        nx, ny = red_nodes[(i + 1) % 4]
        line(x, y, nx, ny, BLACK, 2)

    def mark(cx, cy, fill, rim):
        for y in range(cy - 3, cy + 5):
            for x in range(cx - 3, cx + 5):
                d = (2 * x - 2 * cx - 1) ** 2 + (2 * y - 2 * cy - 1) ** 2
                if d <= 26:
                    put(x, y, fill)
                elif d <= 58:
                    put(x, y, rim)

    for x, y in red_nodes:
        mark(x, y, RED, BLACK)
    mark(15, 15, BLUE, LIME)
    return px


def encode(px):
    header = struct.pack('<HHH', 0, 1, 1)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    for row in reversed(px):  # bottom-up rows
        for x in range(0, SIZE, 2):
            xor.append(row[x] << 4 | row[x + 1])
    mask = bytes(SIZE * SIZE // 8)  # fully opaque
    image = info + palette + bytes(xor) + mask
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


def main(argv):
    data = encode(draw())
    if len(argv) == 3 and argv[1] == '--check':
        with open(argv[2], 'rb') as f:
            same = f.read() == data
        print('icon matches its generator' if same else 'icon differs from its generator')
        return 0 if same else 1
    out = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), 'orvo.ico')
    with open(out, 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
