#!/usr/bin/env python3
"""Decode a PNG (8-bit RGB or RGBA, any filter) with zlib alone.

Usage: png_to_rgb.py IN.png OUT.rgb -- writes "WIDTH HEIGHT\n" then the
red-green-blue bytes, row by row; exits non-zero on any damage (bad
signature, chunk CRC, missing chunks, wrong data length)."""
import struct
import sys
import zlib


def chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            sys.exit("bad CRC in chunk %r" % kind)
        yield kind, body
        at += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, width, height, bpp):
    stride = width * bpp
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            add = {0: 0, 1: a, 2: b, 3: (a + b) // 2, 4: paeth(a, b, c)}[kind]
            line[i] = (line[i] + add) & 0xFF
        rows.append(line)
        prev = line
    if at != len(raw):
        sys.exit("image data has %d bytes too many" % (len(raw) - at))
    return rows


def main():
    data = open(sys.argv[1], "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG signature")
    found = list(chunks(data))
    if found[0][0] != b"IHDR" or found[-1][0] != b"IEND":
        sys.exit("IHDR must come first and IEND last")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", found[0][1])
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        sys.exit("unexpected format depth=%d colour=%d interlace=%d" % (depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(body for kind, body in found if kind == b"IDAT"))
    rows = unfilter(raw, width, height, bpp)
    with open(sys.argv[2], "wb") as out:
        out.write(b"%d %d\n" % (width, height))
        for line in rows:
            if bpp == 4:
                line = b"".join(line[i:i + 3] for i in range(0, len(line), 4))
            out.write(bytes(line))


main()
