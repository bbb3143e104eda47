#!/usr/bin/env python3
"""Writes layered_mask_left_clear.png: 100 x 100 white, alpha 0 in the left half, 255 in the right.

The layered-window test uses it as the window's alpha mask.
"""
import struct
import sys
import zlib
from pathlib import Path


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main():
    width = height = 100
    rows = b"".join(
        b"\x00" + b"".join(bytes((255, 255, 255, 0 if x < width // 2 else 255)) for x in range(width))
        for _ in range(height))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).with_name("layered_mask_left_clear.png"))
    out.write_bytes(png)


if __name__ == "__main__":
    main()
