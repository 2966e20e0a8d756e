#!/usr/bin/env python3
"""Writes a Windows .ico holding one 32-bit BGRA image with the pixels of an 8-bit RGBA PNG.

    python3 tools/make-icon.py res/icon_115.png res/win32/icon_115.ico

Only the Python standard library is used, so the icon can be remade on any machine.
"""
import struct
import sys
import zlib


def read_png_rgba(path):
    """Returns (width, height, rows), each row a bytes object of width * 4 RGBA bytes."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(f'{path}: not a PNG file')
    pos, idat, header = 8, bytearray(), None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError(f'{path}: only 8-bit RGBA, non-interlaced PNG files are supported')
    raw = zlib.decompress(bytes(idat))
    stride, bpp = width * 4, 4
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = line[x - bpp] if x >= bpp else 0
            up = previous[x]
            up_left = previous[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)
                line[x] = (line[x] + pred) & 0xFF
            elif kind != 0:
                raise ValueError(f'{path}: unknown filter {kind}')
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def ico_bytes(width, height, rows):
    # The image is a DIB: a BITMAPINFOHEADER whose height counts the colour rows and the mask
    # rows, the BGRA rows bottom-up, then the 1-bit AND mask (set where fully transparent).
    colour = bytearray()
    for row in reversed(rows):
        for x in range(width):
            r, g, b, a = row[x * 4:x * 4 + 4]
            colour += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x in range(width):
            if row[x * 4 + 3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0,
                       len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', width % 256, height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: make-icon.py INPUT.png OUTPUT.ico')
    width, height, rows = read_png_rgba(sys.argv[1])
    with open(sys.argv[2], 'wb') as f:
        f.write(ico_bytes(width, height, rows))


if __name__ == '__main__':
    main()
