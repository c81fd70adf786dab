#!/usr/bin/env python3
"""Writes a Windows icon file (.ico) holding the given PNG pictures as they are, one entry each.

Usage: make_icon.py OUT.ico PICTURE.png...
Windows reads PNG entries at every size; each picture's size comes from its own header.
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("make_icon: not a PNG picture")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        raise SystemExit("usage: make_icon.py OUT.ico PICTURE.png...")
    pictures = []
    for name in sys.argv[2:]:
        with open(name, "rb") as picture:
            pictures.append(picture.read())
    header = struct.pack("<HHH", 0, 1, len(pictures))
    entries = b""
    offset = len(header) + 16 * len(pictures)
    for data in pictures:
        width, height = png_size(data)
        if width > 256 or height > 256:
            raise SystemExit("make_icon: a picture larger than 256 x 256")
        # 256 is written as 0; no palette; one plane of 32 bits a pixel.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as out:
        out.write(header + entries + b"".join(pictures))


main()
