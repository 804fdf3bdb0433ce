#!/usr/bin/env python3
"""Makes the six target icons (195 to 200): one 16 x 16 pickup truck, drawn once below, in red,
green, yellow, blue, cyan and magenta, in that order. Run by the build:

    make_icons.py OUTPUT_DIR      writes truck0.ico ... truck5.ico (32-bit colour with a mask)

The picture: '.' is transparent, 'B' the body (the icon's colour), 'S' its shade, 'W' window
glass, 'K' tyres and outline, 'H' hub caps, 'L' the head lamp.
"""
import os
import struct
import sys

TRUCK = [
    "................",
    "................",
    "................",
    "........KKKKK...",
    ".......KWWWWBK..",
    ".......KWWWWBBK.",
    "KK.....KWWWWBBBK",
    "KBBBBBBBBBBBBBBL",
    "KBBBBBBBBBBBBBBK",
    "KSSSSSSSSSSSSSSK",
    "KSSKKKSSSSSKKKSK",
    ".KKKHKKKKKKKHKKK",
    "...KKK.....KKK..",
    "................",
    "................",
    "................",
]

COLOURS = [  # body, shade (R, G, B)
    ((220, 30, 30), (150, 15, 15)),    # red
    ((30, 170, 40), (15, 110, 25)),    # green
    ((240, 210, 20), (170, 145, 10)),  # yellow
    ((40, 70, 220), (20, 40, 150)),    # blue
    ((20, 200, 210), (10, 135, 145)),  # cyan
    ((210, 40, 200), (140, 20, 135)),  # magenta
]

FIXED = {"W": (170, 215, 240), "K": (25, 25, 25), "H": (190, 190, 190), "L": (255, 240, 150)}


def pixel(code, body, shade):
    if code == ".":
        return None
    if code == "B":
        return body
    if code == "S":
        return shade
    return FIXED[code]


def icon_bytes(body, shade):
    size = 16
    xor = bytearray()
    mask = bytearray()
    for row in reversed(TRUCK):  # bottom-up, as bitmaps are stored
        bits = 0
        for x, code in enumerate(row):
            colour = pixel(code, body, shade)
            if colour is None:
                xor += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
            else:
                r, g, b = colour
                xor += bytes((b, g, r, 255))
        mask += struct.pack(">I", bits)  # 16 pixels, padded to 32 bits a row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for i, (body, shade) in enumerate(COLOURS):
        with open(os.path.join(out, "truck%d.ico" % i), "wb") as f:
            f.write(icon_bytes(body, shade))


if __name__ == "__main__":
    main()
