#!/usr/bin/env python3
"""Draws Pictrove's icons as 32-bit ICO files (run by hand when a design changes; the output is committed)."""
import struct, sys, os

def blend(dst, src):
    a = src[3] / 255.0
    return tuple(int(src[i] * a + dst[i] * (1 - a)) for i in range(3)) + (max(dst[3], src[3]),)

def render(size, painter):
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    painter(size, px)
    return px

def rect(px, x0, y0, x1, y1, c):
    for y in range(max(0, int(y0)), min(len(px), int(y1))):
        for x in range(max(0, int(x0)), min(len(px), int(x1))):
            px[y][x] = blend(px[y][x], c)

def app_icon(n, px):
    s = n / 32.0
    rect(px, 2*s, 5*s, 30*s, 27*s, (40, 60, 90, 255))          # frame
    rect(px, 4*s, 7*s, 28*s, 25*s, (150, 205, 245, 255))       # sky
    for y in range(int(7*s), int(25*s)):                        # hills
        for x in range(int(4*s), int(28*s)):
            fx, fy = x / s, y / s
            if fy > 25 - 9 * (1 - abs(fx - 12) / 10.0) or fy > 25 - 6 * (1 - abs(fx - 22) / 8.0):
                px[y][x] = (60, 150, 70, 255)
    cx, cy, r = 22*s, 12*s, 3*s                                  # sun
    for y in range(n):
        for x in range(n):
            if (x + .5 - cx) ** 2 + (y + .5 - cy) ** 2 <= r * r:
                px[y][x] = (250, 200, 40, 255)

def password_icon(n, px):
    s = n / 32.0
    rect(px, 7*s, 14*s, 25*s, 29*s, (200, 150, 30, 255))        # lock body
    rect(px, 9*s, 16*s, 23*s, 27*s, (240, 190, 60, 255))
    rect(px, 15*s, 19*s, 17*s, 25*s, (70, 50, 20, 255))        # keyhole
    for y in range(n):                                           # shackle
        for x in range(n):
            d = ((x + .5 - 16*s) ** 2 + (y + .5 - 14*s) ** 2) ** .5
            if 5*s <= d <= 8*s and y + .5 < 14*s:
                px[y][x] = (120, 120, 130, 255)
    rect(px, 8*s, 10*s, 11*s, 14*s, (120, 120, 130, 255))
    rect(px, 21*s, 10*s, 24*s, 14*s, (120, 120, 130, 255))

def ico(painter, sizes=(16, 32, 48)):
    images = []
    for n in sizes:
        px = render(n, painter)
        xor = b''.join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(px) for p in row)
        mask_row = ((n + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(px):
            bits = bytearray(mask_row)
            for x, p in enumerate(row):
                if p[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((n, header + xor + bytes(mask)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(d for _, d in images)

if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'resources', 'art')
    open(os.path.join(folder, 'app.ico'), 'wb').write(ico(app_icon))
    open(os.path.join(folder, 'password.ico'), 'wb').write(ico(password_icon))
