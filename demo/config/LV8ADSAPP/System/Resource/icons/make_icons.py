#!/usr/bin/env python3
"""Draws the demo host's tool icons (run once; the .ico files are committed and built into
lv8demo.dll by lv8demo.rc). Each icon holds a 16 and a 32 pixel image, 32 bits with alpha,
drawn from simple shapes at four times the size and averaged down."""
import math
import os
import struct

OUT = os.path.dirname(os.path.abspath(__file__))
SS = 4  # samples per pixel along each axis


def dib(size, pixels):
    """A 32-bit BITMAPINFOHEADER icon image (height doubled, AND mask all opaque), bottom-up."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes(c for p in pixels[y] for c in (p[2], p[1], p[0], p[3])) for y in reversed(range(size)))
    mask = bytes((size + 31) // 32 * 4 * size)
    return header + rows + mask


def render(shape, size):
    """shape(u, v) -> (r, g, b, a) or None for u, v in [0, 1); averaged over SS x SS samples."""
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    p = shape((x + (sx + 0.5) / SS) / size, (y + (sy + 0.5) / SS) / size)
                    if p:
                        a = p[3] / 255.0
                        for i in range(3):
                            acc[i] += p[i] * a
                        acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if alpha > 0:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),))
            else:
                row.append((0, 0, 0, 0))
        out.append(row)
    return out


def icon_file(shape):
    images = [(s, dib(s, render(shape, s))) for s in (16, 32)]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    return head + entries + blobs


# Shapes: functions of (u, v) giving a colour or None; layered with over().
def rect(x0, y0, x1, y1, colour):
    return lambda u, v: colour if x0 <= u < x1 and y0 <= v < y1 else None


def disc(cx, cy, r, colour):
    return lambda u, v: colour if (u - cx) ** 2 + (v - cy) ** 2 <= r * r else None


def polygon(points, colour):
    def inside(u, v):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            (xi, yi), (xj, yj) = points[i], points[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return colour if hit else None
    return inside


def line(x0, y0, x1, y1, width, colour):
    def near(u, v):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        return colour if (u - x0 - t * dx) ** 2 + (v - y0 - t * dy) ** 2 <= (width / 2) ** 2 else None
    return near


def ring(cx, cy, r0, r1, start, end, colour):
    """A ring segment from angle start to end (degrees, clockwise from the right, v down)."""
    def on(u, v):
        d = math.hypot(u - cx, v - cy)
        a = math.degrees(math.atan2(v - cy, u - cx)) % 360
        inside = (start <= a <= end) if start <= end else (a >= start or a <= end)
        return colour if r0 <= d <= r1 and inside else None
    return on


def over(*layers):
    def top(u, v):
        for layer in reversed(layers):
            p = layer(u, v)
            if p:
                return p
        return None
    return top


BORDER = (70, 70, 80, 255)
WHITE = (255, 255, 255, 255)
BLUE = (40, 90, 190, 255)
DARK_BLUE = (20, 40, 110, 255)
GREEN = (30, 140, 60, 255)
RED = (200, 30, 30, 255)
GREY = (150, 150, 160, 255)

page = over(polygon([(0.2, 0.06), (0.64, 0.06), (0.82, 0.24), (0.82, 0.94), (0.2, 0.94)], BORDER),
            polygon([(0.26, 0.12), (0.6, 0.12), (0.76, 0.28), (0.76, 0.88), (0.26, 0.88)], WHITE),
            polygon([(0.6, 0.12), (0.76, 0.28), (0.6, 0.28)], GREY))
new = over(page, rect(0.34, 0.5, 0.68, 0.56, GREY), rect(0.34, 0.64, 0.68, 0.7, GREY), disc(0.74, 0.76, 0.18, GREEN),
           rect(0.66, 0.735, 0.82, 0.785, WHITE), rect(0.715, 0.68, 0.765, 0.84, WHITE))
save = over(rect(0.1, 0.1, 0.9, 0.9, DARK_BLUE), rect(0.16, 0.16, 0.84, 0.84, BLUE), rect(0.26, 0.16, 0.74, 0.46, WHITE),
            rect(0.3, 0.62, 0.7, 0.84, GREY), rect(0.56, 0.66, 0.64, 0.8, DARK_BLUE))
delete = over(line(0.22, 0.22, 0.78, 0.78, 0.18, RED), line(0.78, 0.22, 0.22, 0.78, 0.18, RED))
printer = over(rect(0.26, 0.08, 0.74, 0.5, BORDER), rect(0.3, 0.12, 0.7, 0.5, WHITE), rect(0.08, 0.4, 0.92, 0.78, BORDER),
               rect(0.12, 0.44, 0.88, 0.74, GREY), rect(0.26, 0.66, 0.74, 0.94, BORDER), rect(0.3, 0.7, 0.7, 0.9, WHITE),
               disc(0.78, 0.52, 0.04, GREEN))
left = polygon([(0.72, 0.18), (0.72, 0.82), (0.28, 0.5)], GREEN)
right = polygon([(0.28, 0.18), (0.28, 0.82), (0.72, 0.5)], GREEN)
first = over(polygon([(0.78, 0.18), (0.78, 0.82), (0.36, 0.5)], GREEN), rect(0.2, 0.18, 0.32, 0.82, GREEN))
last = over(polygon([(0.22, 0.18), (0.22, 0.82), (0.64, 0.5)], GREEN), rect(0.68, 0.18, 0.8, 0.82, GREEN))
close = over(rect(0.16, 0.1, 0.62, 0.9, BORDER), rect(0.2, 0.14, 0.58, 0.86, (190, 150, 90, 255)),
             polygon([(0.5, 0.5), (0.92, 0.5), (0.92, 0.38)], RED), rect(0.5, 0.44, 0.8, 0.56, RED),
             polygon([(0.76, 0.3), (0.96, 0.5), (0.76, 0.7)], RED))
refresh = over(ring(0.5, 0.5, 0.22, 0.36, 40, 320, GREEN), polygon([(0.66, 0.08), (0.92, 0.3), (0.6, 0.4)], GREEN))
expand = over(polygon([(0.2, 0.2), (0.5, 0.46), (0.8, 0.2), (0.8, 0.34), (0.5, 0.6), (0.2, 0.34)], BLUE),
              polygon([(0.2, 0.46), (0.5, 0.72), (0.8, 0.46), (0.8, 0.6), (0.5, 0.86), (0.2, 0.6)], BLUE))
window = over(rect(0.08, 0.12, 0.92, 0.88, BORDER), rect(0.12, 0.16, 0.88, 0.84, WHITE), rect(0.12, 0.16, 0.88, 0.3, BLUE),
              rect(0.2, 0.4, 0.8, 0.46, GREY), rect(0.2, 0.54, 0.8, 0.6, GREY), rect(0.2, 0.68, 0.6, 0.74, GREY))

ICONS = {"new": new, "save": save, "delete": delete, "print": printer, "first": first, "previous": left,
         "next": right, "last": last, "close": close, "refresh": refresh, "expand": expand, "window": window}

if __name__ == "__main__":
    for name, shape in ICONS.items():
        with open(os.path.join(OUT, name + ".ico"), "wb") as f:
            f.write(icon_file(shape))
