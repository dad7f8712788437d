#!/usr/bin/env python3
"""Draws the program's icon, 32 x 32 pixels in 16 colours: app/brisel.xpm, .ico and .png.

A sheet with a table (the CSV source) and an arrow into a hatched block (the material).
Run it again after changing the picture: the XPM is compiled into the program, the ICO
is the Windows executable's icon, the PNG the desktop's (Linux).
"""
import pathlib
import struct
import zlib

PALETTE = {  # transparency and the 16 colours of the classic Windows palette
    ' ': 'None', 'k': '#000000', 'w': '#FFFFFF', 'g': '#C0C0C0', 'd': '#808080',
    'b': '#0000FF', 'n': '#000080', 'y': '#FFFF00', 'o': '#808000', 'r': '#FF0000',
    'm': '#800000', 'c': '#00FFFF', 't': '#008080', 'e': '#00FF00', 'f': '#008000',
    'p': '#800080', 'u': '#FF00FF',
}

W = H = 32
px = [[' '] * W for _ in range(H)]


def rect(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px[y][x] = c


def frame(x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        px[y0][x] = px[y1][x] = c
    for y in range(y0, y1 + 1):
        px[y][x0] = px[y][x1] = c


# The table: a white sheet with a blue header row and grey rules.
rect(0, 4, 15, 27, 'w')
frame(0, 4, 15, 27, 'k')
rect(1, 5, 14, 8, 'n')
for y in (12, 16, 20, 24):
    for x in range(1, 15):
        px[y][x] = 'g'
for x in (5, 10):
    for y in range(9, 27):
        px[y][x] = 'g'
for y in (10, 14, 18, 22, 26):
    for x in (2, 3, 6, 7, 8, 11, 12, 13):
        if y < 26:
            px[y][x] = 'd'

# The material: a block with a diagonal hatch.
rect(22, 9, 31, 22, 'g')
frame(22, 9, 31, 22, 'k')
for y in range(10, 22):
    for x in range(23, 31):
        if (x + y) % 4 == 0:
            px[y][x] = 'n'

# The arrow from the table into the block.
rect(16, 15, 18, 17, 'r')
for i in range(5):
    rect(19 + i, 12 + i, 19 + i, 20 - i, 'r')

app = pathlib.Path(__file__).resolve().parent.parent / 'app'
used = sorted({c for row in px for c in row})
lines = [f'"{W} {H} {len(used)} 1",'] + [f'"{c} c {PALETTE[c]}",' for c in used]
lines += [f'"{"".join(row)}"' + (',' if i < H - 1 else '') for i, row in enumerate(px)]
(app / 'brisel.xpm').write_text(
    '/* XPM */\n/* The icon of brisel: 32 x 32 pixels, 16 colours. */\n'
    'static const char* const brisel_xpm[] = {\n' + '\n'.join(lines) + '\n};\n')

# The ICO: one 4-bit image with a 16-entry palette, rows bottom up, and a transparency mask.
colours = [c for c in PALETTE if c != ' ']
index = {c: i for i, c in enumerate(colours)}
palette = b''.join(bytes.fromhex(PALETTE[c][1:])[::-1] + b'\0' for c in colours)
pixels = b''.join(
    bytes((index.get(row[x], 0) << 4) | index.get(row[x + 1], 0) for x in range(0, W, 2)) for row in reversed(px))
mask = b''.join(
    int(''.join('1' if c == ' ' else '0' for c in row), 2).to_bytes(4, 'big') for row in reversed(px))
info = struct.pack('<IiiHHIIiiII', 40, W, 2 * H, 1, 4, 0, len(pixels) + len(mask), 0, 0, 16, 0)
image = info + palette + pixels + mask
(app / 'brisel.ico').write_bytes(
    struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', W, H, 16, 0, 1, 4, len(image), 22) + image)

# The PNG: an indexed image with the same palette, index 0 transparent.
png_palette = ['#000000'] + [PALETTE[c] for c in colours]
png_index = {c: i + 1 for i, c in enumerate(colours)}
raw = b''.join(b'\0' + bytes(png_index.get(c, 0) for c in row) for row in px)


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


(app / 'brisel.png').write_bytes(
    b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', W, H, 8, 3, 0, 0, 0)) +
    chunk(b'PLTE', b''.join(bytes.fromhex(c[1:]) for c in png_palette)) + chunk(b'tRNS', b'\0') +
    chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
