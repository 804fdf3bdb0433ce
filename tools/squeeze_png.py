#!/usr/bin/env python3
"""Re-compresses PNG files in place (the screenshots are written with stored, uncompressed
deflate blocks, as the Win32 side has no compression library): squeeze_png.py FILE..."""
import struct
import sys
import zlib


def squeeze(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    chunks, idat, at = [], b"", 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IDAT":
            idat += body
        else:
            chunks.append((kind, body))
        at += 12 + length
    out = data[:8]
    for kind, body in chunks:
        if kind == b"IEND":
            packed = zlib.compress(zlib.decompress(idat), 9)
            out += struct.pack(">I", len(packed)) + b"IDAT" + packed
            out += struct.pack(">I", zlib.crc32(b"IDAT" + packed) & 0xFFFFFFFF)
        out += struct.pack(">I", len(body)) + kind + body
        out += struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    open(path, "wb").write(out)


for name in sys.argv[1:]:
    squeeze(name)
