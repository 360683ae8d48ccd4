#!/usr/bin/env python3
"""Draws the program's icon: a page of scenario lines with a green run
triangle in its corner. Writes tessaline.svg, the PNG sizes the desktops' icon
themes take (icons/tessaline-16.png ... icons/tessaline-256.png) and tessaline.ico (the PNGs
rasterised here with 4x4 supersampling; standard library only). The window
draws the same design in code (src/app/ButtonPictures.cpp)."""
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
INK = (0x20, 0x30, 0x60)
PAGE = (0xF4, 0xF6, 0xFB)
LINE = (0x60, 0x70, 0x90)
GREEN = (0x1F, 0x8A, 0x4C)
LINES = [(14, 16, 42), (14, 26, 42), (14, 36, 42), (14, 46, 28)]
TRIANGLE = [(34, 36), (60, 48), (34, 60)]
# The hicolor theme's sizes (share/icons/hicolor/NxN/apps).
PNG_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]

SVG = f"""<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="6" y="4" width="44" height="56" rx="5" fill="#{PAGE[0]:02x}{PAGE[1]:02x}{PAGE[2]:02x}"
        stroke="#{INK[0]:02x}{INK[1]:02x}{INK[2]:02x}" stroke-width="3"/>
{''.join(f'  <line x1="{x1}" y1="{y}" x2="{x2}" y2="{y}" stroke="#607090" stroke-width="4" stroke-linecap="round"/>{chr(10)}' for x1, y, x2 in LINES)}  <polygon points="{' '.join(f'{x},{y}' for x, y in TRIANGLE)}" fill="#1f8a4c"/>
</svg>
"""


def inside_rounded(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_triangle(x, y, pts):
    (ax, ay), (bx, by), (cx, cy) = pts
    def side(px, py, qx, qy):
        return (qx - px) * (y - py) - (qy - py) * (x - px)
    s1, s2, s3 = side(ax, ay, bx, by), side(bx, by, cx, cy), side(cx, cy, ax, ay)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def colour_at(x, y):
    """Colour of the 64-unit design at (x, y), or None where transparent."""
    if inside_triangle(x, y, TRIANGLE):
        return GREEN
    for x1, ly, x2 in LINES:
        cx = min(max(x, x1), x2)
        if (x - cx) ** 2 + (y - ly) ** 2 <= 4:
            return LINE
    if inside_rounded(x, y, 4.5, 2.5, 51.5, 61.5, 6.5):
        return PAGE if inside_rounded(x, y, 7.5, 5.5, 48.5, 58.5, 3.5) else INK
    return None


def ico(images):
    """A Windows icon holding PNG images (one entry per size)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for image in images:
        width, height = struct.unpack(">II", image[16:24])
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image),
                               offset + len(data))
        data += image
    return header + entries + data


def png(size):
    scale, n = 64 / size, 4
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row += bytes([acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (n * n)])
            else:
                row += bytes(4)
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    (HERE / "tessaline.svg").write_text(SVG)
    (HERE / "icons").mkdir(exist_ok=True)
    for size in PNG_SIZES:
        (HERE / "icons" / f"tessaline-{size}.png").write_bytes(png(size))
    (HERE / "tessaline.ico").write_bytes(ico([png(16), png(32), png(48), png(256)]))
