#!/usr/bin/env python3
"""Draws the installer's 40 x 42 header picture and writes it as images/dirgen.gif.

The picture is a listing page standing in an open folder. It uses only the
standard library: the pixels are drawn into a palette-indexed grid and written
as a GIF89a file with our own LZW encoder.

Usage: scripts/make-header-gif.py [OUTPUT]   (default: images/dirgen.gif)
"""
import os
import struct
import sys

WIDTH, HEIGHT = 40, 42

# Palette index -> RGB. Eight entries, so the colour table has 2^3 entries.
PALETTE = [
    (255, 255, 255),  # 0 background
    (60, 70, 80),     # 1 outline
    (246, 195, 67),   # 2 folder face
    (138, 99, 0),     # 3 folder edge
    (43, 108, 196),   # 4 list lines
    (222, 166, 40),   # 5 folder back
    (200, 208, 216),  # 6 page shadow
    (24, 128, 56),    # 7 accent
]


def draw():
    """Returns the picture as a list of rows of palette indices."""
    px = [[0] * WIDTH for _ in range(HEIGHT)]

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(HEIGHT, y1 + 1)):
            for x in range(max(0, x0), min(WIDTH, x1 + 1)):
                px[y][x] = c

    def frame(x0, y0, x1, y1, c):
        rect(x0, y0, x1, y0, c)
        rect(x0, y1, x1, y1, c)
        rect(x0, y0, x0, y1, c)
        rect(x1, y0, x1, y1, c)

    # Back of the folder with its tab.
    rect(3, 14, 36, 38, 5)
    rect(3, 11, 15, 14, 5)
    frame(3, 11, 15, 14, 3)
    frame(3, 14, 36, 38, 3)
    # The listing page, with a shadow, sticking out of the folder.
    rect(11, 5, 33, 30, 6)
    rect(9, 3, 31, 28, 0)
    frame(9, 3, 31, 28, 1)
    for i, y in enumerate(range(7, 27, 4)):
        rect(12, y, 14, y + 1, 7)           # bullet
        rect(16, y, 28 - 3 * (i % 2), y + 1, 4)  # link text
    # Front of the folder, lower than the back, so the page shows above it.
    rect(2, 24, 37, 39, 2)
    frame(2, 24, 37, 39, 3)
    rect(3, 25, 36, 25, 0)  # highlight on the front's top edge
    return px


def lzw_encode(indices, min_code_size):
    """Returns the GIF LZW code stream (before sub-blocking) for the indices."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    prefix = ()
    for k in indices:
        candidate = prefix + (k,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = reset()
        prefix = (k,)
    if prefix:
        emit(table[prefix], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif_bytes(px):
    """Returns a complete GIF89a file for the palette-indexed picture."""
    depth = 3  # 8 colours
    header = b"GIF89a" + struct.pack("<HHBBB", WIDTH, HEIGHT,
                                     0x80 | ((depth - 1) << 4) | (depth - 1),
                                     0, 0)
    colours = b"".join(bytes(c) for c in PALETTE)
    image = b"," + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
    min_code_size = max(2, depth)
    data = lzw_encode([c for row in px for c in row], min_code_size)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return header + colours + image + bytes([min_code_size]) + blocks + b"\x00;"


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "images", "dirgen.gif")
    with open(target, "wb") as f:
        f.write(gif_bytes(draw()))
    print(target)


if __name__ == "__main__":
    main()
