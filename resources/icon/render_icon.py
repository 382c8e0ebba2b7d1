#!/usr/bin/env python3
"""Renders lumivane.svg's drawing into lumivane.png (256 x 256, RGBA) without any SVG library.

The shapes are the same as in the SVG; each pixel is sampled 4 x 4 times. Run: python3 render_icon.py
"""
import math
import struct
import zlib

SIZE = 256
SUB = 4


def in_rounded_rect(x, y, left, top, width, height, radius):
    if not (left <= x <= left + width and top <= y <= top + height):
        return False
    cx = min(max(x, left + radius), left + width - radius)
    cy = min(max(y, top + radius), top + height - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def mix(under, over, alpha):
    return tuple(u * (1 - alpha) + o * alpha for u, o in zip(under, over))


def hex_color(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


FAR_HILLS = [(28, 200), (92, 118), (132, 162), (170, 104), (228, 180), (228, 228), (28, 228)]
NEAR_HILLS = [(28, 214), (100, 160), (150, 196), (228, 150), (228, 228), (28, 228)]
GLOW_STOPS = [(0.0, hex_color("#fff6c8"), 1.0), (0.55, hex_color("#ffd45a"), 0.85), (1.0, hex_color("#ffb02e"), 0.0)]


def glow(distance):
    t = distance / 58.0
    if t >= 1:
        return None
    for (t0, c0, a0), (t1, c1, a1) in zip(GLOW_STOPS, GLOW_STOPS[1:]):
        if t0 <= t <= t1:
            f = (t - t0) / (t1 - t0)
            return mix(c0, c1, f), a0 + (a1 - a0) * f
    return None


def in_dashed_frame(x, y):
    half = 2.5
    on_vertical = (abs(x - 52) <= half or abs(x - 204) <= half) and 52 - half <= y <= 204 + half
    on_horizontal = (abs(y - 52) <= half or abs(y - 204) <= half) and 52 - half <= x <= 204 + half
    if not (on_vertical or on_horizontal):
        return False
    along = (y - 52) if on_vertical and not on_horizontal else (x - 52)
    return (along % 23) < 14


def sample(x, y):
    color, alpha = (0, 0, 0), 0.0
    if in_rounded_rect(x, y, 12, 12, 232, 232, 28):
        color, alpha = hex_color("#1d2b3a"), 1.0
    if in_rounded_rect(x, y, 28, 28, 200, 200, 10):
        t = (y - 28) / 200
        color = mix(hex_color("#2f6fb0"), hex_color("#9fd0f0"), t)
        if in_polygon(x, y, FAR_HILLS):
            color = hex_color("#2d6b3c")
        if in_polygon(x, y, NEAR_HILLS):
            color = hex_color("#3f8f50")
        g = glow(math.hypot(x - 170, y - 84))
        if g:
            color = mix(color, g[0], g[1])
        if math.hypot(x - 170, y - 84) <= 20:
            color = hex_color("#fff2b0")
        if in_dashed_frame(x, y):
            color = (255, 255, 255)
    for hx, hy in ((45, 45), (197, 45), (45, 197), (197, 197)):
        if hx <= x <= hx + 14 and hy <= y <= hy + 14:
            color, alpha = (255, 255, 255), 1.0
    return color, alpha


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])
        for px in range(SIZE):
            r = g = b = a = 0.0
            for sy in range(SUB):
                for sx in range(SUB):
                    (cr, cg, cb), ca = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    r, g, b, a = r + cr * ca, g + cg * ca, b + cb * ca, a + ca
            n = SUB * SUB
            if a > 0:
                row += bytes([round(r / a), round(g / a), round(b / a), round(255 * a / n)])
            else:
                row += bytes([0, 0, 0, 0])
        rows.append(bytes(row))
    raw = zlib.compress(b"".join(rows), 9)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", raw) + chunk(b"IEND", b"")
    with open("lumivane.png", "wb") as out:
        out.write(png)


if __name__ == "__main__":
    render()
