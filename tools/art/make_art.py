#!/usr/bin/env python3
"""Draws the program's icon (resources/norvale.ico) and its animated busy
cursor (resources/busy.ani). Both are committed; run this again after a change:

    python3 tools/art/make_art.py resources
"""
import math
import struct
import sys
from pathlib import Path


def dib(width, height, pixel):
    """A 32-bit BGRA device-independent bitmap with its AND mask, as an icon or
    cursor image stores it (the header's height counts both halves)."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    row_bytes = ((width + 31) // 32) * 4
    for y in reversed(range(height)):
        mask_row = bytearray(row_bytes)
        for x in range(width):
            r, g, b, a = pixel(x, y)
            xor += bytes((b, g, r, a))
            if a == 0:
                mask_row[x // 8] |= 0x80 >> (x % 8)
        mask += mask_row
    return header + bytes(xor) + bytes(mask)


def icon_file(images, kind=1, hotspot=(0, 0)):
    """An .ico (kind 1) or .cur (kind 2) file holding (size, dib bytes) images."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        a, b = (1, 32) if kind == 1 else hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, a, b, len(data), offset + len(body))
        body += data
    return out + body


def blend(base, top, alpha):
    return tuple(int(b + (t - b) * alpha) for b, t in zip(base, top))


def appliance(size):
    """A small storage appliance: a blue box with two drive bays and a green light."""
    s = size / 32.0
    blue, bay, led, edge = (0, 98, 147), (210, 225, 235), (124, 252, 0), (0, 55, 85)

    def pixel(x, y):
        fx, fy = x / s, y / s
        if not (3 <= fx < 29 and 5 <= fy < 28):
            return (0, 0, 0, 0)
        if fx < 4 or fx >= 28 or fy < 6 or fy >= 27:
            return edge + (255,)
        for top in (8, 15):
            if 6 <= fx < 26 and top <= fy < top + 5:
                return bay + (255,)
        if 22 <= fx < 25 and 22 <= fy < 25:
            return led + (255,)
        return blue + (255,)

    return dib(size, size, pixel)


def spinner_frame(frame, frames=8, size=32):
    """One frame of the busy cursor: eight dots on a ring, the bright one moving on."""
    centre, radius, dot = (size - 1) / 2.0, 10.0, 3.2

    def pixel(x, y):
        best = None
        for k in range(frames):
            angle = 2 * math.pi * k / frames - math.pi / 2
            cx, cy = centre + radius * math.cos(angle), centre + radius * math.sin(angle)
            d = math.hypot(x - cx, y - cy)
            if d <= dot + 1.2:
                age = (frame - k) % frames
                shade = blend((0, 98, 147), (235, 245, 250), age / (frames - 1))
                outline = d > dot
                colour = (0, 40, 60) if outline else shade
                best = colour + (255,)
        return best or (0, 0, 0, 0)

    return icon_file([(size, dib(size, size, pixel))], kind=2, hotspot=(16, 16))


def riff_chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def animated_cursor(frames=8, jiffies=6):
    anih = struct.pack("<9I", 36, frames, frames, 0, 0, 0, 0, jiffies, 1)
    fram = b"fram" + b"".join(riff_chunk(b"icon", spinner_frame(i, frames)) for i in range(frames))
    body = b"ACON" + riff_chunk(b"anih", anih) + riff_chunk(b"LIST", fram)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    target = Path(sys.argv[1] if len(sys.argv) > 1 else "resources")
    (target / "norvale.ico").write_bytes(icon_file([(32, appliance(32)), (16, appliance(16))]))
    (target / "busy.ani").write_bytes(animated_cursor())


if __name__ == "__main__":
    main()
