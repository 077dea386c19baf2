#!/usr/bin/env python3
"""Draws the tray icon (101): a blue rounded tile with a yellow launch arrow and a white
sparkle, as a 16-colour .ico holding a 32 x 32 and a 16 x 16 image."""
import struct, sys

# The standard 16-colour palette (B, G, R, 0).
PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
BLACK, NAVY, GREY, BLUE, YELLOW, WHITE, OLIVE = 0, 4, 8, 12, 11, 15, 3

def inside_tile(x, y, n, r):
    cx = min(max(x, r), n - 1 - r); cy = min(max(y, r), n - 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def arrow(u, v):
    # u, v in 0..1, v downward. A diagonal arrow pointing to the top right:
    # a runs along the diagonal towards the tip, b across it.
    a, b = u - v, u + v
    shaft = abs(b - 1.0) < 0.13 and -0.6 < a < 0.25
    head = 0.15 <= a <= 0.66 and abs(b - 1.0) <= (0.66 - a) * 0.9
    return shaft or head, a

def draw(n):
    px = [[None] * n for _ in range(n)]
    r = max(2, n // 6)
    for y in range(n):
        for x in range(n):
            if not inside_tile(x, y, n, r):
                continue
            u, v = (x + 0.5) / n, (y + 0.5) / n
            edge = not inside_tile(x, y, n, r) or any(
                not inside_tile(x + dx, y + dy, n, r) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            colour = NAVY if edge else (BLUE if u + v < 1.1 else NAVY if u + v > 1.6 else BLUE)
            on, _ = arrow(u, v)
            if on:
                colour = YELLOW
                on_shadow = False
            else:
                on_shadow, _ = arrow(u - 1.0 / n, v - 1.0 / n)
                if on_shadow:
                    colour = NAVY
            if n >= 32 and (abs(x - 8) + abs(y - 7) <= 1 or (x == 8 and abs(y - 7) <= 3) or (y == 7 and abs(x - 8) <= 3)):
                colour = WHITE
            if n < 32 and (x, y) in ((4, 3), (3, 4), (4, 4), (5, 4), (4, 5)):
                colour = WHITE
            px[y][x] = colour
    return px

def image(n):
    px = draw(n)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_row = ((n * 4 + 31) // 32) * 4
    and_row = ((n + 31) // 32) * 4
    xor = b''; mask = b''
    for y in reversed(range(n)):
        row = bytearray(xor_row); mrow = bytearray(and_row)
        for x in range(n):
            c = px[y][x]
            if c is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row); mask += bytes(mrow)
    return header + pal + xor + mask

def main(out):
    images = [image(32), image(16)]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip((32, 16), images):
        data += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    open(out, 'wb').write(data + b''.join(images))

if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/resources/morvek.ico')
