#!/usr/bin/env python3
"""Draws the program's pictures: the icon (PNG, 32 and 128 pixels) and the hand pointer
(a Windows cursor file, HAND-M.CUR). Both are drawn here from simple shapes; run this after
changing a shape and commit what it writes.

    python3 draw_resources.py [output folder]
"""
import math
import os
import struct
import sys
import zlib


# --- small rasteriser: shapes in a 32-unit square, sampled 4x4 per pixel -----------------

def inside_round_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def hexcolour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


BORDER = hexcolour('#56627a')
PAPER = hexcolour('#fbfcfe')
FOLD = hexcolour('#d9dee8')
TEXT = hexcolour('#8d99ad')
DB_LIGHT = hexcolour('#5d9be3')
DB_DARK = hexcolour('#1f5496')
DB_TOP = hexcolour('#9cc4f2')
DB_BAND = hexcolour('#173f73')
ARROW = hexcolour('#2f9a52')
ARROW_EDGE = hexcolour('#1f6e39')


def icon_colour(x, y):
    """The icon's colour at (x, y) in the 32-unit square, or None for transparent."""
    colour = None
    # A text file: a sheet with a folded corner and delimited lines.
    sheet = [(14.5, 8.0), (25.5, 8.0), (30.0, 12.5), (30.0, 30.5), (14.5, 30.5)]
    if inside_polygon(x, y, sheet):
        inner = [(15.5, 9.0), (25.0, 9.0), (29.0, 13.0), (29.0, 29.5), (15.5, 29.5)]
        colour = PAPER if inside_polygon(x, y, inner) else BORDER
        if inside_polygon(x, y, [(25.0, 8.6), (29.4, 13.0), (25.0, 13.0)]):
            colour = FOLD
        for row in (15.0, 18.5, 22.0, 25.5):
            if row <= y <= row + 1.3 and (18.0 <= x <= 21.0 or 22.5 <= x <= 26.5):
                colour = TEXT
    # The database: a cylinder with two bands.
    if inside_ellipse(x, y, 9.5, 19.0, 7.5, 2.6) or (2.0 <= x <= 17.0 and 5.0 <= y <= 19.0):
        t = (x - 2.0) / 15.0
        colour = mix(DB_LIGHT, DB_DARK, max(0.0, min(1.0, t)))
        for band in (9.6, 14.3):
            below = inside_ellipse(x, y, 9.5, band, 7.5, 2.6)
            above = inside_ellipse(x, y, 9.5, band - 0.9, 7.5, 2.6)
            if below and not above and 2.4 <= x <= 16.6:
                colour = DB_BAND
        if not (2.6 <= x <= 16.4) and y > 5.0:
            colour = DB_BAND
    if inside_ellipse(x, y, 9.5, 5.0, 7.5, 2.6):
        colour = DB_BAND
        if inside_ellipse(x, y, 9.5, 5.0, 6.7, 1.9):
            colour = DB_TOP
    # The arrow from the database into the file.
    arrow = [(6.0, 22.6), (14.5, 22.6), (14.5, 20.0), (21.0, 25.0), (14.5, 30.0), (14.5, 27.4), (6.0, 27.4)]
    if inside_polygon(x, y, arrow):
        inner = [(7.0, 23.5), (15.4, 23.5), (15.4, 21.9), (19.5, 25.0), (15.4, 28.1), (15.4, 26.5), (7.0, 26.5)]
        colour = ARROW if inside_polygon(x, y, inner) else ARROW_EDGE
    return colour


def render(shape, size, samples=4):
    """RGBA rows of `shape` (a function of the 32-unit square) at `size` pixels."""
    rows = []
    scale = 32.0 / size
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    c = shape(x, y)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = samples * samples
            if a:
                row.append((r // a, g // a, b // a, 255 * a // n))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = b''.join(b'\x00' + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)

    png = b'\x89PNG\r\n\x1a\n'
    png += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(raw, 9))
    png += chunk(b'IEND', b'')
    with open(path, 'wb') as f:
        f.write(png)


# --- the hand pointer --------------------------------------------------------------------

HOT_SPOT = (7, 1)  # the tip of the pointing finger


def hand_mask(x, y):
    """True inside the hand: a raised index finger, three folded fingers, thumb, palm."""
    cx, cy = x + 0.5, y + 0.5
    if inside_round_rect(cx, cy, 5.0, 1.0, 10.0, 17.0, 2.5):        # index finger
        return True
    if inside_round_rect(cx, cy, 9.0, 8.0, 14.0, 17.0, 2.2):        # middle
        return True
    if inside_round_rect(cx, cy, 13.0, 9.0, 18.0, 17.0, 2.2):       # ring
        return True
    if inside_round_rect(cx, cy, 17.0, 11.0, 21.0, 17.0, 2.0):      # little finger
        return True
    if inside_polygon(cx, cy, [(1.0, 13.0), (3.5, 12.0), (7.5, 16.5), (7.0, 21.0), (4.5, 20.0)]):  # thumb
        return True
    if inside_round_rect(cx, cy, 5.0, 14.0, 21.0, 23.0, 3.0):       # palm
        return True
    if inside_round_rect(cx, cy, 7.0, 21.0, 19.0, 27.0, 0.5):       # wrist
        return True
    return False


def hand_pixels():
    """32x32 rows of 'o' (white), 'X' (black) and '.' (transparent)."""
    grid = [['.'] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            if not hand_mask(x, y):
                continue
            edge = any(not (0 <= x + dx < 32 and 0 <= y + dy < 32 and hand_mask(x + dx, y + dy))
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            grid[y][x] = 'X' if edge else 'o'
    # The creases between the folded fingers, and the cuff of the wrist.
    for x, top, bottom in ((9, 10, 15), (13, 10, 15), (17, 12, 15)):
        for y in range(top, bottom + 1):
            if grid[y][x] == 'o':
                grid[y][x] = 'X'
    for x in range(8, 19):
        if grid[23][x] == 'o':
            grid[23][x] = 'X'
    return [''.join(r) for r in grid]


def write_cur(path, pixels, hot_spot):
    size = 32
    colours = {'X': (0, 0, 0, 255), 'o': (255, 255, 255, 255), '.': (0, 0, 0, 0)}
    # Bitmap rows run bottom-up: 32-bit BGRA, then the AND mask at one bit per pixel.
    xor = b''
    mask = b''
    for row in reversed(pixels):
        for ch in row:
            r, g, b, a = colours[ch]
            xor += bytes((b, g, r, a))
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == '.' else 0)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', size, size, 0, 0, hot_spot[0], hot_spot[1], len(image), 6 + 16)
    with open(path, 'wb') as f:
        f.write(directory + entry + image)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(out, 'quorvane.png'), render(icon_colour, 32))
    write_png(os.path.join(out, 'quorvane-128.png'), render(icon_colour, 128))
    pixels = hand_pixels()
    write_cur(os.path.join(out, 'HAND-M.CUR'), pixels, HOT_SPOT)
    print('\n'.join(pixels))


if __name__ == '__main__':
    main()
