#!/usr/bin/env python3
"""Draws Kestrelspooler's banner and icons pixel by pixel and writes them as PNG, BMP and ICO.

Everything is drawn here from rectangles, lines and a tiny built-in pixel font; the
script needs nothing beyond Python's standard library. Run it from anywhere:
    python3 artwork/draw_artwork.py [output folder]
It writes, next to itself by default:
    kestrelspooler_banner.png/.bmp   266 x 49, 24-bit: the main window's banner
    kestrelspooler_icon.png/.ico/.bmp 32 x 32, 24-bit (+ mask): the window and program icon
    about_icon.png/.ico/.bmp          32 x 32, 16 colours (+ mask): the About window's picture
    hicolor/kestrelspooler_NxN.png    16 to 256 px: the desktop icon the Linux package installs
"""

import os
import struct
import sys
import zlib

# ---------------------------------------------------------------- canvas


class Canvas:
    """A grid of RGB pixels; None marks a transparent pixel (icons only)."""

    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x, y, w, h, colour):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.set(xx, yy, colour)

    def frame(self, x, y, w, h, colour):
        self.hline(x, x + w - 1, y, colour)
        self.hline(x, x + w - 1, y + h - 1, colour)
        self.vline(x, y, y + h - 1, colour)
        self.vline(x + w - 1, y, y + h - 1, colour)

    def box(self, x, y, w, h, fill, outline):
        self.fill(x, y, w, h, fill)
        self.frame(x, y, w, h, outline)

    def hline(self, x0, x1, y, colour):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.set(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def sprite(self, x, y, rows, colours):
        """Draws a picture given as strings; each character is a key of colours, '.' is skipped."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(x + dx, y + dy, colours[ch])


# ---------------------------------------------------------------- pixel font

# Five columns, nine rows: rows 0-6 stand on the baseline, rows 7-8 hang below it.
GLYPHS = {
    'K': ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    'e': [".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."],
    's': [".....", ".....", ".XXXX", "X....", ".XXX.", "....X", "XXXX."],
    't': [".X...", ".X...", "XXXX.", ".X...", ".X...", ".X..X", "..XX."],
    'r': [".....", ".....", "X.XX.", "XX..X", "X....", "X....", "X...."],
    'l': [".XX..", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."],
    'p': [".....", ".....", "XXXX.", "X...X", "X...X", "X...X", "XXXX.", "X....", "X...."],
    'o': [".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."],
}
GLYPH_WIDTH = 5


def text_width(text, scale, spacing):
    return len(text) * (GLYPH_WIDTH * scale + spacing) - spacing


def draw_text(canvas, x, y, text, scale, spacing, colour, shadow=None):
    for ch in text:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit != 'X':
                    continue
                px, py = x + col * scale, y + row * scale
                if shadow:
                    canvas.fill(px + 1, py + 1, scale, scale, shadow)
                canvas.fill(px, py, scale, scale, colour)
        x += GLYPH_WIDTH * scale + spacing


# ---------------------------------------------------------------- pictures

FULL_COLOUR = {
    'folder_line': (128, 88, 0), 'folder_back': (232, 176, 24), 'folder_front': (255, 212, 40),
    'folder_light': (255, 240, 160),
    'printer_line': (64, 64, 64), 'printer_body': (168, 168, 172), 'printer_light': (224, 224, 228),
    'printer_dark': (112, 112, 116), 'paper': (255, 255, 255), 'paper_line': (128, 128, 128),
    'ink': (96, 96, 96), 'lamp': (0, 192, 0),
}

# The sixteen colours of the standard Windows palette.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

SIXTEEN_COLOUR = {
    'folder_line': (128, 128, 0), 'folder_back': (128, 128, 0), 'folder_front': (255, 255, 0),
    'folder_light': (255, 255, 255),
    'printer_line': (0, 0, 0), 'printer_body': (192, 192, 192), 'printer_light': (255, 255, 255),
    'printer_dark': (128, 128, 128), 'paper': (255, 255, 255), 'paper_line': (128, 128, 128),
    'ink': (0, 0, 128), 'lamp': (0, 255, 0),
}


def draw_folder(c, x, y, w, h, k):
    tab_w = w * 2 // 5
    c.box(x + 1, y, tab_w, 4, k['folder_back'], k['folder_line'])
    c.box(x, y + 3, w, h - 3, k['folder_back'], k['folder_line'])
    # The front flap leans a little forward, as an open folder's does.
    front_top = y + 3 + max(3, h // 5)
    c.box(x, front_top, w, y + h - front_top, k['folder_front'], k['folder_line'])
    c.hline(x + 1, x + w - 2, front_top + 1, k['folder_light'])
    c.vline(x + 1, front_top + 1, y + h - 2, k['folder_light'])


def draw_printer(c, x, y, w, h, k):
    # A sheet coming out of the top, with a few lines of print on it.
    paper_w, paper_h = w * 3 // 5, h * 2 // 5 + 1
    px = x + (w - paper_w) // 2
    c.box(px, y, paper_w, paper_h + 2, k['paper'], k['paper_line'])
    for i, line_y in enumerate(range(y + 2, y + paper_h, 2)):
        c.hline(px + 2, px + paper_w - 3 - (i % 2) * (paper_w // 4), line_y, k['ink'])
    # The body.
    body_y = y + paper_h
    body_h = h * 2 // 5
    c.box(x, body_y, w, body_h, k['printer_body'], k['printer_line'])
    c.hline(x + 1, x + w - 2, body_y + 1, k['printer_light'])
    c.hline(px, px + paper_w - 1, body_y + 2, k['printer_dark'])
    c.fill(x + w - 4, body_y + body_h - 4, 2, 2, k['lamp'])
    # The output tray below it.
    tray_y = body_y + body_h - 1
    c.box(x + 2, tray_y, w - 4, y + h - tray_y, k['printer_dark'], k['printer_line'])


POINTER = [
    "B.........",
    "BB........",
    "BWB.......",
    "BWWB......",
    "BWWWB.....",
    "BWWWWB....",
    "BWWWWWB...",
    "BWWWWWWB..",
    "BWWWWWWWB.",
    "BWWWWWBBBB",
    "BWWBWWB...",
    "BWB.BWWB..",
    "BB..BWWB..",
    "B....BWWB.",
    ".....BWWB.",
    "......BB..",
]


def banner():
    c = Canvas(266, 49, (212, 208, 200))
    k = FULL_COLOUR
    draw_folder(c, 5, 9, 38, 31, k)
    draw_printer(c, 224, 7, 37, 36, k)
    name = "Kestrelspooler"
    scale, spacing = 2, 2
    x = (c.width - text_width(name, scale, spacing)) // 2
    draw_text(c, x, 22, name, scale, spacing, (208, 0, 0), shadow=(120, 0, 0))
    # The pointer hovers over the letters, its tip just above them.
    c.sprite(x + 70, 3, POINTER, {'B': (0, 0, 0), 'W': (255, 255, 255)})
    return c


def icon(k, size=32):
    """The 32 px design, laid out again at another size."""
    c = Canvas(size, size, None)
    s = size / 32
    draw_folder(c, 0, round(3 * s), round(30 * s), round(24 * s), k)
    draw_printer(c, round(12 * s), round(13 * s), round(20 * s), round(19 * s), k)
    return c


def enlarged(canvas, factor):
    """Each pixel as a factor x factor block: one-pixel outlines stay bold at large sizes."""
    c = Canvas(canvas.width * factor, canvas.height * factor, None)
    for y, row in enumerate(canvas.pixels):
        for x, p in enumerate(row):
            c.fill(x * factor, y * factor, factor, factor, p)
    return c


HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def desktop_icon(size):
    """Drawn anew up to 48 px; larger sizes enlarge the 32 px drawing by a whole factor."""
    if size <= 48:
        return icon(FULL_COLOUR, size)
    assert size % 32 == 0, f"no whole enlargement of the 32 px icon gives {size} px"
    return enlarged(icon(FULL_COLOUR), size // 32)


# ---------------------------------------------------------------- file formats


def png_bytes(canvas):
    """RGB when every pixel is opaque, RGBA with transparent pixels otherwise."""
    alpha = any(p is None for row in canvas.pixels for p in row)
    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)
        for p in row:
            if alpha:
                raw.extend((0, 0, 0, 0) if p is None else (*p, 255))
            else:
                raw.extend(p)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def dib_pixels(canvas, bits, backdrop):
    """Bottom-up rows of a device-independent bitmap, 24 or 4 bits a pixel."""
    out = bytearray()
    for row in reversed(canvas.pixels):
        row = [backdrop if p is None else p for p in row]
        line = bytearray()
        if bits == 24:
            for r, g, b in row:
                line.extend((b, g, r))
        else:
            indexes = [VGA.index(p) for p in row]
            indexes += [0] * (len(indexes) % 2)
            for i in range(0, len(indexes), 2):
                line.append(indexes[i] << 4 | indexes[i + 1])
        line.extend(b"\0" * (-len(line) % 4))
        out.extend(line)
    return bytes(out)


def info_header(width, height, bits, image_size):
    colours = 16 if bits == 4 else 0
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, colours)


def palette_bytes(bits):
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in VGA) if bits == 4 else b""


def bmp_bytes(canvas, bits, backdrop=(212, 208, 200)):
    pixels = dib_pixels(canvas, bits, backdrop)
    head = info_header(canvas.width, canvas.height, bits, len(pixels)) + palette_bytes(bits)
    offset = 14 + len(head)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + head + pixels


def ico_bytes(canvas, bits):
    """One image: the colour bitmap (black where transparent) and its 1-bit AND mask."""
    xor = dib_pixels(canvas, bits, (0, 0, 0))
    mask = bytearray()
    for row in reversed(canvas.pixels):
        line = bytearray((canvas.width + 7) // 8)
        for x, p in enumerate(row):
            if p is None:
                line[x // 8] |= 0x80 >> (x % 8)
        line.extend(b"\0" * (-len(line) % 4))
        mask.extend(line)
    # An icon's header counts the colour bitmap and the mask together: twice the height.
    image = (info_header(canvas.width, canvas.height * 2, bits, len(xor) + len(mask)) +
             palette_bytes(bits) + xor + bytes(mask))
    entry = struct.pack("<BBBBHHII", canvas.width, canvas.height, 16 if bits == 4 else 0, 0,
                        1, bits, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    b = banner()
    write("kestrelspooler_banner.png", png_bytes(b))
    write("kestrelspooler_banner.bmp", bmp_bytes(b, 24))

    i = icon(FULL_COLOUR)
    write("kestrelspooler_icon.png", png_bytes(i))
    write("kestrelspooler_icon.ico", ico_bytes(i, 24))
    write("kestrelspooler_icon.bmp", bmp_bytes(i, 24))

    a = icon(SIXTEEN_COLOUR)
    assert all(p is None or p in VGA for row in a.pixels for p in row), "16-colour icon off palette"
    write("about_icon.png", png_bytes(a))
    write("about_icon.ico", ico_bytes(a, 4))
    write("about_icon.bmp", bmp_bytes(a, 4, backdrop=(192, 192, 192)))

    os.makedirs(os.path.join(out, "hicolor"), exist_ok=True)
    for size in HICOLOR_SIZES:
        write(os.path.join("hicolor", f"kestrelspooler_{size}x{size}.png"), png_bytes(desktop_icon(size)))


if __name__ == "__main__":
    main()
