#!/usr/bin/env python3
"""Turns a window dump from `xwd` (TrueColor, 24 or 32 bits a pixel) into a
PNG: xwd-to-png.py IN.xwd OUT.png. Exits 3, writing nothing, when the
picture is one colour (a window not painted yet). Standard library only."""
import struct
import sys
import zlib


def convert(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format = fields[0], fields[1], fields[2]
    width, height, byte_order = fields[4], fields[5], fields[7]
    bits_per_pixel, bytes_per_line = fields[11], fields[12]
    masks, ncolors = fields[14:17], fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("not a 24- or 32-bit ZPixmap window dump")
    step = bits_per_pixel // 8
    start = header_size + 12 * ncolors
    order = "little" if byte_order == 0 else "big"
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    rows, colours = [], set()
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = bytearray([0])
        for x in range(width):
            pixel = int.from_bytes(line[x * step:(x + 1) * step], order)
            row += bytes((pixel & m) >> s for m, s in zip(masks, shifts))
        rows.append(bytes(row))
        if len(colours) < 2:
            colours.update(bytes(row[1 + 3 * x:4 + 3 * x]) for x in range(0, width, 7))
    if len(colours) < 2:
        return None

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as source:
        picture = convert(source.read())
    if picture is None:
        sys.exit(3)
    with open(sys.argv[2], "wb") as target:
        target.write(picture)
