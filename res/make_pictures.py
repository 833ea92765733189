#!/usr/bin/env python3
"""Draws the program's pictures: the application icon, the PNG pictures of the window strips and
the ad-column toggle, and the looping animation of the first-build dialog. The output files are
committed; run this again after changing a drawing:  python3 res/make_pictures.py"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
WHITE = (255, 255, 255, 255)
LIGHT_BLUE = (0x82, 0xD9, 0xFD, 255)
PALE_BLUE = (0xE2, 0xE9, 0xF6, 255)
GREY_BLUE = (0xD0, 0xDA, 0xF2, 255)
DEEP_BLUE = (0x1E, 0x5A, 0xB4, 255)
ORANGE = (0xF0, 0x96, 0x28, 255)
CLEAR = (0, 0, 0, 0)


class Canvas:
    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def disc(self, cx, cy, r, c, inner=0.0):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if inner <= d <= r:
                    self.px[y][x] = c

    def line(self, x0, y0, x1, y1, width, c):
        for y in range(self.h):
            for x in range(self.w):
                px, py = x + 0.5, y + 0.5
                dx, dy = x1 - x0, y1 - y0
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
                if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                    self.px[y][x] = c


def png_bytes(canvas):
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in canvas.px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    head = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def icon_image(canvas):
    """One 32-bit icon image: header, colour rows bottom-up, AND mask."""
    w, h = canvas.w, canvas.h
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(canvas.px) for p in row)
    mask_row = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.px):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def ico_bytes(canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def app_icon(size):
    """A page with a magnifying glass over it."""
    s = size / 32.0
    c = Canvas(size, size)
    c.rect(int(4 * s), int(2 * s), int(22 * s), int(28 * s), GREY_BLUE)
    c.rect(int(5 * s), int(3 * s), int(21 * s), int(27 * s), WHITE)
    for i in range(4):
        y = int((8 + 4 * i) * s)
        c.rect(int(8 * s), y, int(18 * s), y + max(1, int(s)), GREY_BLUE)
    c.line(20 * s, 20 * s, 29 * s, 29 * s, 4 * s, ORANGE)
    c.disc(16 * s, 16 * s, 8 * s, DEEP_BLUE, inner=5.5 * s)
    c.disc(16 * s, 16 * s, 5.5 * s, (0xC8, 0xEC, 0xFE, 220))
    return c


def strip(w, h, top, bottom):
    c = Canvas(w, h)
    for y in range(h):
        t = y / max(1, h - 1)
        colour = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
        c.rect(0, y, w, y + 1, colour)
    return c


def arrow(pointing_right):
    """The ad-column toggle: a small chevron."""
    c = Canvas(13, 13)
    for i in range(4):
        x = 4 + i if pointing_right else 8 - i
        c.rect(x, 2 + i, x + 2, 11 - i, DEEP_BLUE)
    return c


def magnifier():
    c = Canvas(22, 22)
    c.line(13, 13, 20, 20, 3, ORANGE)
    c.disc(9, 9, 7.5, DEEP_BLUE, inner=5.5)
    c.disc(9, 9, 5.5, (0xC8, 0xEC, 0xFE, 255))
    return c


# The animation: a tall drive with its platter lights and a scanning band sweeping downwards.
ANIM_W, ANIM_H, ANIM_FRAMES = 40, 104, 12
PALETTE = [(255, 255, 255), (0xD0, 0xDA, 0xF2), (0x82, 0xD9, 0xFD), (0x1E, 0x5A, 0xB4),
           (0xF0, 0x96, 0x28), (0xE2, 0xE9, 0xF6)]


def anim_frame(n):
    rows = [[0] * ANIM_W for _ in range(ANIM_H)]

    def fill(x0, y0, x1, y1, idx):
        for y in range(y0, y1):
            for x in range(x0, x1):
                rows[y][x] = idx

    fill(6, 6, 34, 98, 1)
    fill(8, 8, 32, 96, 5)
    for i in range(8):
        y = 12 + i * 10
        fill(11, y, 29, y + 4, 1)
    band = 10 + (n * 78) // ANIM_FRAMES
    fill(8, band, 32, band + 8, 2)
    fill(11, band + 2, 29, band + 6, 3)
    fill(27, 90, 30, 93, 4 if n % 2 == 0 else 1)
    return rows


def avi_bytes():
    frame_size = ANIM_W * ANIM_H  # 8-bit rows; 40 is a multiple of 4
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE) + b"\0" * 4 * (256 - len(PALETTE))

    def chunk(fourcc, data):
        pad = b"\0" if len(data) % 2 else b""
        return fourcc + struct.pack("<I", len(data)) + data + pad

    def lst(kind, body):
        return chunk(b"LIST", kind + body)

    usec = 100000
    avih = struct.pack("<IIIIIIIIII4I", usec, frame_size * 10, 0, 0x10, ANIM_FRAMES, 0, 1,
                       frame_size, ANIM_W, ANIM_H, 0, 0, 0, 0)
    strh = (b"vids" + b"DIB " + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 10, 0,
                                            ANIM_FRAMES, frame_size, 0xFFFFFFFF, 0, 0, 0,
                                            ANIM_W, ANIM_H))
    strf = struct.pack("<IiiHHIIiiII", 40, ANIM_W, ANIM_H, 1, 8, 0, frame_size, 0, 0,
                       len(PALETTE), 0) + palette
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) +
                                                    chunk(b"strf", strf)))
    frames, index, offset = b"", b"", 4
    for n in range(ANIM_FRAMES):
        data = b"".join(bytes(row) for row in reversed(anim_frame(n)))
        index += b"00db" + struct.pack("<III", 0x10, offset, len(data))
        piece = chunk(b"00db", data)
        frames += piece
        offset += len(piece)
    body = b"AVI " + hdrl + lst(b"movi", frames) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    write("sorvik.ico", ico_bytes([app_icon(32), app_icon(16)]))
    write("shrink_expanded.png", png_bytes(arrow(True)))
    write("shrink_collapsed.png", png_bytes(arrow(False)))
    write("search_bar.png", png_bytes(strip(64, 40, (0xFF, 0xFF, 0xFF), (0xE2, 0xE9, 0xF6))))
    write("status_bar.png", png_bytes(strip(64, 32, (0xE2, 0xE9, 0xF6), (0xD0, 0xDA, 0xF2))))
    write("query.png", png_bytes(magnifier()))
    write("building.avi", avi_bytes())


if __name__ == "__main__":
    main()
