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


def fill_polygon(canvas, points, c, dx=0):
    """Fills the polygon `points` (pixel centres tested), shifted right by `dx`."""
    for y in range(canvas.h):
        for x in range(canvas.w):
            px, py, inside = x + 0.5 - dx, y + 0.5, False
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
            if inside:
                canvas.put(x, y, c)


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


def help_icon():
    """Menu button "帮助": a blue disc with a question mark."""
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, DEEP_BLUE)
    c.line(5.5, 5.5, 8, 3.5, 2, WHITE)
    c.line(8, 3.5, 10.5, 5.5, 2, WHITE)
    c.line(10.5, 5.5, 8, 8.5, 2, WHITE)
    c.rect(7, 8, 9, 10, WHITE)
    c.rect(7, 11, 9, 13, WHITE)
    return c


def index_icon():
    """Menu button "索引": a stack of drive platters."""
    c = Canvas(16, 16)
    for top in (2, 7, 12):
        c.rect(2, top, 14, top + 3, DEEP_BLUE)
        c.rect(3, top + 1, 13, top + 2, LIGHT_BLUE)
        c.rect(11, top + 1, 12, top + 2, ORANGE)
    return c


def star_icon(size=16):
    """Menu button "收藏" (and the favourites dialogs): a star."""
    c = Canvas(size, size)
    k = size / 16
    points = []
    for i in range(10):
        r = (7.5 if i % 2 == 0 else 3.2) * k
        a = -math.pi / 2 + i * math.pi / 5
        points.append((8 * k + r * math.cos(a), 8.3 * k + r * math.sin(a)))
    fill_polygon(c, points, ORANGE)
    return c


def view_icon():
    """Menu button "查看": four tiles."""
    c = Canvas(16, 16)
    for x0, y0 in ((1, 1), (9, 1), (1, 9), (9, 9)):
        c.rect(x0, y0, x0 + 6, y0 + 6, DEEP_BLUE)
        c.rect(x0 + 1, y0 + 1, x0 + 5, y0 + 5, LIGHT_BLUE)
    return c


def tools_icon():
    """Menu button "工具": a spanner."""
    c = Canvas(16, 16)
    c.line(3, 13, 10, 6, 3, DEEP_BLUE)
    c.disc(11, 5, 4, DEEP_BLUE)
    c.disc(12.5, 3.5, 1.8, CLEAR)
    return c


def folder_icon():
    """Process list "打开文件夹": an open folder."""
    c = Canvas(16, 16)
    c.rect(1, 3, 7, 5, ORANGE)
    c.rect(1, 5, 15, 14, ORANGE)
    c.rect(2, 7, 14, 13, (0xFF, 0xD2, 0x78, 255))
    return c


def end_process_icon():
    """Process list "结束进程": a red disc with a white cross."""
    c = Canvas(16, 16)
    c.disc(8, 8, 7.5, (0xD2, 0x32, 0x28, 255))
    c.line(5, 5, 11, 11, 2, WHITE)
    c.line(11, 5, 5, 11, 2, WHITE)
    return c


def refresh_icon():
    """Process list "刷新": a ring with an arrow head."""
    c = Canvas(16, 16)
    c.disc(8, 8, 7, DEEP_BLUE, inner=4.2)
    c.rect(8, 0, 16, 8, CLEAR)
    fill_polygon(c, [(9, 1), (15, 1), (15, 7)], DEEP_BLUE)
    return c


def bmp_bytes(canvas):
    """A 24-bit bottom-up BMP file."""
    w, h = canvas.w, canvas.h
    pad = (4 - (w * 3) % 4) % 4
    rows = b"".join(b"".join(bytes((p[2], p[1], p[0])) for p in row) + b"\0" * pad
                    for row in reversed(canvas.px))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(rows), 0, 0, 54) + info + rows


MASK = (0xFF, 0x00, 0xFF, 255)  # the transparent colour of the image-list strips
YELLOW = (0xF5, 0xC8, 0x4C, 255)
GREEN = (0x4C, 0xB0, 0x50, 255)


def category_strip():
    """The category tree's images, 15 x 15 each: all files, folder, document, picture, audio and
    video, application, year, month."""
    c = Canvas(15 * 8, 15, MASK)

    def page(x, lines):
        c.rect(x + 3, 1, x + 12, 14, GREY_BLUE)
        c.rect(x + 4, 2, x + 11, 13, WHITE)
        for i in range(lines):
            c.rect(x + 5, 4 + 2 * i, x + 10, 5 + 2 * i, DEEP_BLUE)

    c.rect(1, 3, 10, 14, GREY_BLUE)
    page(0, 4)
    c.rect(15 + 1, 3, 15 + 14, 13, YELLOW)
    c.rect(15 + 1, 2, 15 + 6, 4, YELLOW)
    c.rect(15 + 2, 5, 15 + 13, 6, (0xFF, 0xE6, 0x9A, 255))
    page(30, 5)
    c.rect(45 + 1, 2, 45 + 14, 13, DEEP_BLUE)
    c.rect(45 + 2, 3, 45 + 13, 12, LIGHT_BLUE)
    c.line(45 + 2, 11, 45 + 7, 6, 2, GREEN)
    c.line(45 + 7, 6, 45 + 12, 11, 2, GREEN)
    c.disc(45 + 10, 5, 1.5, ORANGE)
    c.rect(60 + 9, 2, 60 + 11, 11, DEEP_BLUE)
    c.rect(60 + 9, 2, 60 + 13, 4, DEEP_BLUE)
    c.disc(60 + 7, 11, 3, DEEP_BLUE)
    c.rect(75 + 1, 2, 75 + 14, 13, DEEP_BLUE)
    c.rect(75 + 2, 5, 75 + 13, 12, WHITE)
    c.rect(75 + 10, 3, 75 + 13, 4, ORANGE)
    for x in (90, 105):
        c.rect(x + 1, 2, x + 14, 14, GREY_BLUE)
        c.rect(x + 2, 5, x + 13, 13, WHITE)
        c.rect(x + 1, 2, x + 14, 5, ORANGE if x == 90 else LIGHT_BLUE)
    for i in range(3):
        c.rect(90 + 3 + 4 * i, 7, 90 + 5 + 4 * i, 9, DEEP_BLUE)
        c.rect(90 + 3 + 4 * i, 10, 90 + 5 + 4 * i, 12, DEEP_BLUE)
    c.rect(105 + 6, 7, 105 + 9, 12, DEEP_BLUE)
    return c


def switch_strip():
    """The hidden-only switch, 14 x 14 each: an empty box (off) and a ticked one (on)."""
    c = Canvas(28, 14, MASK)
    for x in (0, 14):
        c.rect(x + 1, 1, x + 13, 13, DEEP_BLUE)
        c.rect(x + 2, 2, x + 12, 12, WHITE)
    c.line(14 + 3.5, 7, 14 + 6, 10, 2, GREEN)
    c.line(14 + 6, 10, 14 + 11, 3.5, 2, GREEN)
    return c


def drag_picture(pages):
    """The organiser's drag image, 32 x 16 on white (white is see-through): one favourite's page
    with a star, or a stack of pages for several."""
    c = Canvas(32, 16, WHITE)
    top = 1 if pages == 1 else 5
    for n in reversed(range(pages)):
        x, y = 1 + 3 * n, top - 2 * n
        c.rect(x, y, x + 10, y + 11, DEEP_BLUE)
        c.rect(x + 1, y + 1, x + 9, y + 10, PALE_BLUE)
    for i in range(3):
        c.rect(3, top + 3 + 2 * i, 8, top + 4 + 2 * i, DEEP_BLUE)
    star = star_icon()
    for y in range(16):
        for x in range(16):
            if star.px[y][x] != CLEAR:
                c.put(15 + x, y, ORANGE)
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


# The picture viewer's button faces, one frame per state: disabled, normal, hover, pressed.
STATE_FACES = [((0xE6, 0xE6, 0xE6, 255), (0xB4, 0xB4, 0xB4, 255), (0xC8, 0xC8, 0xC8, 255)),
               (WHITE, GREY_BLUE, DEEP_BLUE),
               ((0xF0, 0xFA, 0xFF, 255), LIGHT_BLUE, DEEP_BLUE),
               (LIGHT_BLUE, DEEP_BLUE, WHITE)]


def step_sprite(pointing_right):
    """Previous or next: a rounded pill with an arrow, 51 x 25 per state."""
    w, h = 51, 25
    c = Canvas(w * 4, h)
    for state, (face, frame, mark) in enumerate(STATE_FACES):
        x0 = state * w
        for cx in (x0 + 12.5, x0 + w - 12.5):
            c.disc(cx, 12.5, 11.5, frame)
            c.disc(cx, 12.5, 10.5, face)
        c.rect(int(x0 + 12.5), 1, int(x0 + w - 12.5), 24, frame)
        c.rect(int(x0 + 12.5), 2, int(x0 + w - 12.5), 23, face)
        if pointing_right:
            head = [(x0 + 34, 12.5), (x0 + 26, 5), (x0 + 26, 20)]
            shaft = (x0 + 16, 10, x0 + 27, 15)
        else:
            head = [(x0 + 17, 12.5), (x0 + 25, 5), (x0 + 25, 20)]
            shaft = (x0 + 24, 10, x0 + 35, 15)
        fill_polygon(c, head, mark)
        c.rect(*shaft, mark)
    return c


def slide_show_sprite():
    """The slide show: a round button with a play mark, 44 x 48 per state."""
    w, h = 44, 48
    c = Canvas(w * 4, h)
    for state, (face, frame, mark) in enumerate(STATE_FACES):
        x0 = state * w
        c.disc(x0 + 22, 24, 21, frame)
        c.disc(x0 + 22, 24, 19, face)
        fill_polygon(c, [(x0 + 16, 13), (x0 + 33, 24), (x0 + 16, 35)], mark)
    return c


def viewer_icon(size):
    """The picture viewer: a framed landscape with a sun."""
    s = size / 32.0
    c = Canvas(size, size)
    c.rect(int(2 * s), int(5 * s), int(30 * s), int(27 * s), DEEP_BLUE)
    c.rect(int(4 * s), int(7 * s), int(28 * s), int(25 * s), (0xC8, 0xEC, 0xFE, 255))
    c.disc(21 * s, 12 * s, 3 * s, ORANGE)
    fill_polygon(c, [(4 * s, 25 * s), (12 * s, 13 * s), (20 * s, 25 * s)], GREEN)
    fill_polygon(c, [(14 * s, 25 * s), (21 * s, 17 * s), (28 * s, 25 * s)],
                 (0x38, 0x8E, 0x3C, 255))
    return c


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
    write("menu_help.ico", ico_bytes([help_icon()]))
    write("menu_index.ico", ico_bytes([index_icon()]))
    write("menu_favourites.ico", ico_bytes([star_icon(32), star_icon()]))
    write("menu_view.ico", ico_bytes([view_icon()]))
    write("menu_tools.ico", ico_bytes([tools_icon()]))
    write("ps_open_folder.ico", ico_bytes([folder_icon()]))
    write("ps_end_process.ico", ico_bytes([end_process_icon()]))
    write("ps_refresh.ico", ico_bytes([refresh_icon()]))
    write("category_images.bmp", bmp_bytes(category_strip()))
    write("switch_images.bmp", bmp_bytes(switch_strip()))
    write("viewer_previous.png", png_bytes(step_sprite(False)))
    write("viewer_next.png", png_bytes(step_sprite(True)))
    write("viewer_slide_show.png", png_bytes(slide_show_sprite()))
    write("viewer.ico", ico_bytes([viewer_icon(32), viewer_icon(16)]))
    write("drag_one.bmp", bmp_bytes(drag_picture(1)))
    write("drag_many.bmp", bmp_bytes(drag_picture(3)))
    write("tree_selected.bmp", bmp_bytes(strip(120, 19, (0xF4, 0xFB, 0xFF), (0xC8, 0xEC, 0xFE))))


if __name__ == "__main__":
    main()
