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


# --- Bitmaps: toolbar strip (130) and list row icon (131) --------------------------------------

def canvas(w, h, bg):
    return [[bg] * w for _ in range(h)]

def fill(px, shape, color, ox=0, oy=0, size=64, ss=4):
    """Paints shape(x, y) -> bool (in 0..size units) with supersampled edges."""
    for y in range(size):
        for x in range(size):
            hits = sum(shape(x + (i + .5) / ss, y + (j + .5) / ss) for i in range(ss) for j in range(ss))
            if hits:
                a = hits / (ss * ss)
                d = px[oy + y][ox + x]
                px[oy + y][ox + x] = tuple(int(color[k] * a + d[k] * (1 - a)) for k in range(3))

def box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def poly(points):
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]; x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c
    return inside

def picture(px, ox, x0, y0, x1, y1):
    fill(px, box(x0, y0, x1, y1), (40, 60, 90), ox)
    fill(px, box(x0 + 2, y0 + 2, x1 - 2, y1 - 2), (160, 210, 245), ox)
    w, h = x1 - x0, y1 - y0
    fill(px, poly([(x0 + 2, y1 - 2), (x0 + w * .38, y0 + h * .45), (x0 + w * .62, y1 - 2)]), (60, 150, 70), ox)
    fill(px, poly([(x0 + w * .45, y1 - 2), (x0 + w * .72, y0 + h * .6), (x1 - 2, y1 - 2)]), (40, 120, 55), ox)
    fill(px, circle(x0 + w * .75, y0 + h * .3, h * .1), (250, 200, 40), ox)

def arrow(px, ox, cx, top, color=(30, 130, 60)):
    fill(px, box(cx - 4, top, cx + 4, top + 12), color, ox)
    fill(px, poly([(cx - 10, top + 11), (cx + 10, top + 11), (cx, top + 22)]), color, ox)

def toolbar_strip():
    bg = (0xC0, 0xC0, 0xC0)
    px = canvas(256, 64, bg)
    # 0: open - a folder
    fill(px, poly([(6, 16), (24, 16), (29, 21), (56, 21), (56, 52), (6, 52)]), (190, 140, 40), 0)
    fill(px, poly([(12, 28), (60, 28), (54, 52), (6, 52)]), (245, 200, 90), 0)
    # 1: extract selected - one picture with an arrow out of it
    picture(px, 64, 8, 6, 48, 36)
    arrow(px, 64, 44, 32)
    # 2: extract all - a stack of pictures with an arrow
    fill(px, box(14, 4, 54, 30), (110, 120, 135), 128)
    fill(px, box(11, 7, 51, 33), (140, 150, 165), 128)
    picture(px, 128, 8, 10, 48, 36)
    arrow(px, 128, 44, 32)
    # 3: about - an "i" in a blue disc
    fill(px, circle(32, 32, 25), (40, 90, 170), 192)
    fill(px, circle(32, 32, 22), (70, 130, 210), 192)
    fill(px, circle(32, 18, 4), (255, 255, 255), 192)
    fill(px, box(28, 26, 36, 48), (255, 255, 255), 192)
    fill(px, box(24, 46, 40, 50), (255, 255, 255), 192)
    return px

def row_icon():
    px = canvas(16, 16, (255, 0, 255))
    for y in range(2, 14):
        for x in range(1, 15):
            px[y][x] = (40, 60, 90)
    for y in range(3, 13):
        for x in range(2, 14):
            px[y][x] = (160, 210, 245)
    for y in range(7, 13):
        for x in range(2, 14):
            if y >= 12 - min(x - 2, 10 - x) and x < 11:
                px[y][x] = (60, 150, 70)
    for (x, y) in [(11, 5), (12, 5), (11, 6), (12, 6)]:
        px[y][x] = (250, 200, 40)
    return px

def bmp24(px):
    h, w = len(px), len(px[0])
    stride = (w * 3 + 3) & ~3
    rows = b''
    for row in reversed(px):
        data = b''.join(bytes((p[2], p[1], p[0])) for p in row)
        rows += data + b'\0' * (stride - len(data))
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(rows), 3780, 3780, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + 40 + len(rows), 0, 0, 54) + header + rows

if __name__ == '__main__':
    open(os.path.join(folder, 'toolbar.bmp'), 'wb').write(bmp24(toolbar_strip()))
    open(os.path.join(folder, 'row.bmp'), 'wb').write(bmp24(row_icon()))


# --- About logo (PNG 1015, 128 x 128 with alpha) ------------------------------------------------

def png_rgba(px):
    import zlib
    h, w = len(px), len(px[0])
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in px)
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

def logo():
    n = 128
    big = [[(0, 0, 0, 0)] * n for _ in range(n)]
    def paint(shape, color, ss=3):
        for y in range(n):
            for x in range(n):
                hits = sum(shape(x + (i + .5) / ss, y + (j + .5) / ss) for i in range(ss) for j in range(ss))
                if hits:
                    a = hits / (ss * ss) * color[3] / 255
                    d = big[y][x]
                    out_a = a + d[3] / 255 * (1 - a)
                    if out_a == 0:
                        continue
                    rgb = tuple(int((color[k] * a + d[k] * d[3] / 255 * (1 - a)) / out_a) for k in range(3))
                    big[y][x] = rgb + (int(out_a * 255),)
    # a document page with a folded corner, a picture lifting out of it
    paint(poly([(12, 6), (79, 6), (100, 27), (100, 122), (12, 122)]), (150, 155, 165, 255))
    paint(poly([(14, 8), (78, 8), (98, 28), (98, 120), (14, 120)]), (250, 250, 250, 255))
    paint(poly([(78, 8), (98, 28), (78, 28)]), (200, 200, 205, 255))
    for y0 in (40, 52, 64, 76, 88, 100):
        paint(box(24, y0, 70, y0 + 4), (190, 195, 205, 255))
    paint(box(46, 34, 118, 92), (40, 60, 90, 255))
    paint(box(50, 38, 114, 88), (150, 205, 245, 255))
    paint(poly([(50, 88), (72, 56), (94, 88)]), (60, 150, 70, 255))
    paint(poly([(78, 88), (98, 64), (114, 88)]), (40, 120, 55, 255))
    paint(circle(100, 50, 7), (250, 200, 40, 255))
    return big

if __name__ == '__main__':
    open(os.path.join(folder, 'logo.png'), 'wb').write(png_rgba(logo()))
