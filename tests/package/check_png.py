#!/usr/bin/env python3
"""Checks that a file is a valid PNG whose picture is not blank:
    check_png.py FILE [MIN_WIDTH MIN_HEIGHT]
Every chunk's CRC is checked, the image data is decompressed and unfiltered
row by row, and the picture must hold at least two colours, with more than
one pixel in a hundred differing from the background (the most common one).
"""

import struct
import sys
import zlib
from collections import Counter


def fail(why):
    print(f"{sys.argv[1]}: {why}")
    sys.exit(1)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def main():
    data = open(sys.argv[1], "rb").read()
    min_w, min_h = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (1, 1)
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("no PNG signature")
    pos, chunks = 8, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            fail(f"bad CRC in chunk {kind!r}")
        chunks.append((kind, body))
        pos += 12 + length
    if not chunks or chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        fail("chunks do not run from IHDR to IEND")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if width < min_w or height < min_h:
        fail(f"want at least {min_w}x{min_h}, got {width}x{height}")
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        fail(f"unexpected format: depth {depth}, colour type {colour}, interlace {interlace}")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * channels
    if len(raw) != height * (stride + 1):
        fail("image data of the wrong size")
    pixels, previous = Counter(), bytearray(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            row[i] = (row[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF
        pixels.update(bytes(row[i:i + channels]) for i in range(0, stride, channels))
        previous = row
    background, count = pixels.most_common(1)[0]
    drawn = width * height - count
    if len(pixels) < 2 or drawn * 100 <= width * height:
        fail(f"blank: {len(pixels)} colours, {drawn} pixels apart from the background")
    print(f"{sys.argv[1]}: {width}x{height}, {len(pixels)} colours, {drawn} pixels drawn")


if __name__ == "__main__":
    main()
