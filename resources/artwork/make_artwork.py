#!/usr/bin/env python3
"""Generates the bitmap artwork of Velmora's dialogs.

Outputs, all written next to this script:

  logo.bmp           product logo (bitmap resource 122): 70 x 38 pixels, 24-bit
                     uncompressed Windows BMP, drawn procedurally below
  logo-150.bmp       the logo drawn at 105 x 57 for 144 dots per inch (resource 123)
  logo-200.bmp       the logo drawn at 140 x 76 for 192 dots per inch (resource 124)
  pointing_hand.cur  32 x 32 monochrome cursor, hot spot (13, 1)
  grabbing_hand.cur  32 x 32 monochrome cursor, hot spot (13, 1)
  open_hand.cur      32 x 32 monochrome cursor, hot spot (14, 3)

Each cursor is drawn as a 32 x 32 text picture in <name>.txt beside this
script: '.' is transparent, '#' black and 'o' white.

Only the standard library is used, and the output depends on nothing but
this script and the text pictures, so running it again reproduces every
file byte for byte.

    python3 make_artwork.py            write all outputs
    python3 make_artwork.py --check    only compare; exit status 1 if any
                                       output is missing or out of date
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Cursors
# ---------------------------------------------------------------------------

CURSOR_SIZE = 32

# (name, hot spot x, hot spot y); the hot spot is counted from the top-left.
CURSORS = (
    ("pointing_hand", 13, 1),
    ("grabbing_hand", 13, 1),
    ("open_hand", 14, 3),
)

TRANSPARENT, BLACK, WHITE = ".", "#", "o"


def read_picture(path):
    """Reads a 32 x 32 text picture and returns its rows, top row first."""
    with open(path, "r", encoding="ascii") as f:
        rows = [line.rstrip("\r\n") for line in f]
    while rows and rows[-1] == "":
        rows.pop()
    if len(rows) != CURSOR_SIZE:
        raise ValueError("%s: %d rows, expected %d" % (path, len(rows), CURSOR_SIZE))
    for number, row in enumerate(rows, 1):
        if len(row) != CURSOR_SIZE:
            raise ValueError("%s:%d: %d columns, expected %d" % (path, number, len(row), CURSOR_SIZE))
        bad = set(row) - {TRANSPARENT, BLACK, WHITE}
        if bad:
            raise ValueError("%s:%d: unexpected characters %r" % (path, number, "".join(sorted(bad))))
    return rows


def pack_mask_row(bits):
    """Packs 32 bits, leftmost pixel in the most significant bit, into 4 bytes."""
    value = 0
    for bit in bits:
        value = (value << 1) | bit
    return struct.pack(">I", value)


def cursor_bytes(rows, hot_x, hot_y):
    """Builds a .cur file holding one 32 x 32, 1 bit per pixel AND/XOR image.

    Per pixel: transparent is AND 1 / XOR 0, black is AND 0 / XOR index 0,
    white is AND 0 / XOR index 1.
    """
    if rows[hot_y][hot_x] == TRANSPARENT:
        raise ValueError("hot spot (%d, %d) lies on a transparent pixel" % (hot_x, hot_y))

    xor_mask = b""
    and_mask = b""
    for row in reversed(rows):  # bottom-up
        xor_mask += pack_mask_row([1 if c == WHITE else 0 for c in row])
        and_mask += pack_mask_row([1 if c == TRANSPARENT else 0 for c in row])

    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))  # RGBQUAD black, white
    info = struct.pack(
        "<IiiHHIIiiII",
        40,                       # biSize
        CURSOR_SIZE,              # biWidth
        2 * CURSOR_SIZE,          # biHeight: XOR and AND masks together
        1,                        # biPlanes
        1,                        # biBitCount
        0,                        # biCompression: BI_RGB
        len(xor_mask) + len(and_mask),
        0, 0,                     # resolution: unused
        2,                        # biClrUsed
        0,                        # biClrImportant
    )
    image = info + palette + xor_mask + and_mask

    header = struct.pack("<HHH", 0, 2, 1)  # reserved, type 2 = cursor, one image
    entry = struct.pack(
        "<BBBBHHII",
        CURSOR_SIZE, CURSOR_SIZE,
        2,                        # colours
        0,                        # reserved
        hot_x, hot_y,
        len(image),
        len(header) + 16,         # offset of the image
    )
    return header + entry + image


# ---------------------------------------------------------------------------
# Logo
# ---------------------------------------------------------------------------

LOGO_WIDTH, LOGO_HEIGHT = 70, 38
HORIZON = 23                      # first row of the ground band
SUN_X, SUN_Y, SUN_RADIUS = 35.0, 23.0, 9.5
SUPERSAMPLING = 4                 # sub-samples per pixel edge, for smooth curves

# 5 x 7 glyphs, '1' = ink.
FONT = {
    "V": ("10001", "10001", "10001", "10001", "10001", "01010", "00100"),
    "E": ("11111", "10000", "10000", "11110", "10000", "10000", "11111"),
    "L": ("10000", "10000", "10000", "10000", "10000", "10000", "11111"),
    "M": ("10001", "11011", "10101", "10101", "10001", "10001", "10001"),
    "O": ("01110", "10001", "10001", "10001", "10001", "10001", "01110"),
    "R": ("11110", "10001", "10001", "11110", "10100", "10010", "10001"),
    "A": ("01110", "10001", "10001", "11111", "10001", "10001", "10001"),
}
WORD = "VELMORA"
GLYPH_SCALE = 1                   # each glyph pixel is one logo pixel
GLYPH_GAP = 2                     # pixels between letters
TEXT_TOP = 27

SKY_DARK = (18, 22, 40)           # deep shadow blue on the left
SKY_LIGHT = (236, 196, 136)       # warm light on the right
SUN_CORE = (255, 246, 214)
SUN_RIM = (255, 184, 72)
GLOW = (255, 206, 120)
GROUND_DARK = (16, 18, 30)
GROUND_LIFTED = (52, 50, 62)
HORIZON_LINE = (255, 200, 110)
INK = (246, 236, 214)

# Rays: unit directions at 15, 45, 75, 105, 135 and 165 degrees, written
# with square roots only so the drawing needs no trigonometry.
_S2 = math.sqrt(2.0) / 2.0
_C15 = (math.sqrt(6.0) + math.sqrt(2.0)) / 4.0
_S15 = (math.sqrt(6.0) - math.sqrt(2.0)) / 4.0
RAYS = ((_C15, _S15), (_S2, _S2), (_S15, _C15), (-_S15, _C15), (-_S2, _S2), (-_C15, _S15))
RAY_INNER, RAY_OUTER, RAY_HALF_WIDTH = 12.0, 17.0, 0.8


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smoothstep(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3.0 - 2.0 * t)


def logo_sample(x, y):
    """Colour (floats 0..255) of the logo at point (x, y), y growing downwards."""
    dx, dy = x - SUN_X, SUN_Y - y              # dy > 0 above the horizon
    dist = math.sqrt(dx * dx + dy * dy)

    if y >= HORIZON:
        # Ground: dark on the left, gently lifted towards the light.
        t = smoothstep(x / LOGO_WIDTH)
        ground = mix(GROUND_DARK, GROUND_LIFTED, t)
        if y < HORIZON + 1:
            ground = mix(ground, HORIZON_LINE, 0.85 - 0.6 * abs(dx) / LOGO_WIDTH)
        return ground

    # Sky: a dark-to-light sweep, lighter towards the top right.
    t = smoothstep(0.85 * x / LOGO_WIDTH + 0.15 * (1.0 - y / HORIZON))
    colour = mix(SKY_DARK, SKY_LIGHT, t)

    # Soft glow around the sun.
    glow = max(0.0, 1.0 - dist / 26.0)
    colour = mix(colour, GLOW, 0.55 * glow * glow)

    # Rays.
    if RAY_INNER <= dist <= RAY_OUTER:
        for ux, uy in RAYS:
            along = dx * ux + dy * uy
            across = abs(dx * uy - dy * ux)
            if along > 0.0 and across <= RAY_HALF_WIDTH * (0.6 + 0.4 * along / RAY_OUTER):
                fade = 1.0 - (dist - RAY_INNER) / (RAY_OUTER - RAY_INNER)
                colour = mix(colour, SUN_RIM, 0.35 + 0.55 * fade)
                break

    # The sun itself, rising over the horizon.
    if dist <= SUN_RADIUS:
        colour = mix(SUN_CORE, SUN_RIM, smoothstep(dist / SUN_RADIUS) ** 1.5)
    return colour


def text_mask():
    """Set of logo pixels covered by the word, centred horizontally."""
    advance = 5 * GLYPH_SCALE + GLYPH_GAP
    width = len(WORD) * advance - GLYPH_GAP
    left = (LOGO_WIDTH - width) // 2
    ink = set()
    for index, letter in enumerate(WORD):
        glyph = FONT[letter]
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell != "1":
                    continue
                for sy in range(GLYPH_SCALE):
                    for sx in range(GLYPH_SCALE):
                        ink.add((left + index * advance + gx * GLYPH_SCALE + sx,
                                 TEXT_TOP + gy * GLYPH_SCALE + sy))
    return ink


def logo_pixels(scale=1.0):
    """Rows of (r, g, b) byte triples, top row first, the logo drawn `scale`
    times its size: every sub-sample takes the colour of the logo point it
    falls on, ink where the word's pixel there is inked, so that the word
    stays as sharp as the size allows (2: each letter pixel 2 x 2)."""
    ink = text_mask()
    n = SUPERSAMPLING
    rows = []
    for py in range(int(round(LOGO_HEIGHT * scale))):
        row = []
        for px in range(int(round(LOGO_WIDTH * scale))):
            total = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x, y = (px + (sx + 0.5) / n) / scale, (py + (sy + 0.5) / n) / scale
                    c = INK if (int(x), int(y)) in ink else logo_sample(x, y)
                    for i in range(3):
                        total[i] += c[i]
            row.append(tuple(min(255, max(0, int(v / (n * n) + 0.5))) for v in total))
        rows.append(row)
    return rows


def bmp_bytes(rows):
    """Builds a 24-bit uncompressed bottom-up BMP with a BITMAPINFOHEADER."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    padding = bytes(stride - width * 3)
    pixels = b""
    for row in reversed(rows):
        pixels += b"".join(bytes((b, g, r)) for r, g, b in row) + padding

    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack(
        "<IiiHHIIiiII",
        40, width, height, 1, 24,
        0,                        # BI_RGB
        len(pixels),
        2835, 2835,               # 72 dots per inch
        0, 0,
    )
    return file_header + info + pixels


# ---------------------------------------------------------------------------

def outputs():
    """Yields (file name, contents) for every generated file."""
    yield "logo.bmp", bmp_bytes(logo_pixels())
    # The same for 144 and 192 dots per inch, drawn at their size rather than stretched.
    yield "logo-150.bmp", bmp_bytes(logo_pixels(1.5))
    yield "logo-200.bmp", bmp_bytes(logo_pixels(2.0))
    for name, hot_x, hot_y in CURSORS:
        rows = read_picture(os.path.join(HERE, name + ".txt"))
        yield name + ".cur", cursor_bytes(rows, hot_x, hot_y)


def main(argv):
    check = "--check" in argv[1:]
    stale = []
    for file_name, data in outputs():
        path = os.path.join(HERE, file_name)
        try:
            with open(path, "rb") as f:
                current = f.read()
        except FileNotFoundError:
            current = None
        if current == data:
            continue
        if check:
            stale.append(file_name)
        else:
            with open(path, "wb") as f:
                f.write(data)
            print("wrote", path)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
