#!/usr/bin/env python3
"""Draws the program's icon from one design, a list of filled convex shapes on a grid of
32 x 32 units.

A sheet with a table (the CSV source) and an arrow into a hatched block (the material).

- app/brisel.xpm, .ico and .png: the design at 32 x 32 pixels in 16 colours, one sample
  per pixel, as the executables carry it (the XPM is compiled into the Linux program, the
  ICO is the Windows executable's icon, the PNG the desktop's at that size).
- app/icons/brisel-N.png (N = 48 to 256) and app/icons/brisel.svg: the same design,
  smoothed, for software centres and screens of higher resolution.

Run it again after changing the picture.
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
GRID = 32
LARGE_SIZES = (48, 64, 128, 256)

shapes = []  # (colour, corners of a convex polygon), painted in order


def rect(x0, y0, x1, y1, colour):
    shapes.append((colour, [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]))


def frame(x0, y0, x1, y1, colour):
    """A line one unit wide just inside the rectangle."""
    rect(x0, y0, x1, y0 + 1, colour)
    rect(x0, y1 - 1, x1, y1, colour)
    rect(x0, y0, x0 + 1, y1, colour)
    rect(x1 - 1, y0, x1, y1, colour)


def clip(polygon, x0, y0, x1, y1):
    """The part of a convex polygon inside a rectangle (Sutherland-Hodgman)."""
    edges = [lambda p: p[0] - x0, lambda p: x1 - p[0], lambda p: p[1] - y0, lambda p: y1 - p[1]]
    for distance in edges:
        result = []
        for a, b in zip(polygon, polygon[1:] + polygon[:1]):
            da, db = distance(a), distance(b)
            if da >= 0:
                result.append(a)
            if (da >= 0) != (db >= 0):
                t = da / (da - db)
                result.append((a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])))
        polygon = result
    return polygon


# The table: a white sheet with a blue header row, grey rules and grey text.
rect(0, 4, 16, 28, 'w')
frame(0, 4, 16, 28, 'k')
rect(1, 5, 15, 9, 'n')
for y in (12, 16, 20, 24):
    rect(1, y, 15, y + 1, 'g')
for x in (5, 10):
    rect(x, 9, x + 1, 27, 'g')
for y in (10, 14, 18, 22):
    for x0, x1 in ((2, 4), (6, 9), (11, 14)):
        rect(x0, y, x1, y + 1, 'd')

# The material: a block with a diagonal hatch, one unit wide, every four units.
rect(22, 9, 32, 23, 'g')
frame(22, 9, 32, 23, 'k')
for k in range(8, 14):
    stripe = [(4 * k + 0.5 - 10, 10), (4 * k + 1.5 - 10, 10), (4 * k + 1.5 - 22, 22), (4 * k + 0.5 - 22, 22)]
    hatch = clip(stripe, 23, 10, 31, 22)
    if len(hatch) >= 3:
        shapes.append(('n', hatch))

# The arrow from the table into the block.
rect(16, 15, 19, 18, 'r')
shapes.append(('r', [(19, 12), (24, 16.5), (19, 21)]))


def inside(polygon, x, y):
    """Strictly inside a convex polygon, whichever way round its corners go."""
    signs = set()
    for (ax, ay), (bx, by) in zip(polygon, polygon[1:] + polygon[:1]):
        cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        if cross == 0:
            return False
        signs.add(cross > 0)
    return len(signs) == 1


def coverage(polygon, size, samples):
    """For each pixel of an image size x size that the polygon touches, the share of
    samples x samples points in it."""
    scale = size / GRID
    xs = [p[0] * scale for p in polygon]
    ys = [p[1] * scale for p in polygon]
    for py in range(max(0, int(min(ys))), min(size, int(max(ys)) + 1)):
        for column in range(max(0, int(min(xs))), min(size, int(max(xs)) + 1)):
            hits = sum(inside(polygon, (column + (i + 0.5) / samples) / scale, (py + (j + 0.5) / samples) / scale)
                       for i in range(samples) for j in range(samples))
            if hits:
                yield column, py, hits / samples ** 2


def rgb(colour):
    return tuple(bytes.fromhex(PALETTE[colour][1:]))


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def png(width, height, colour_type, rows, palette=b''):
    raw = b''.join(b'\0' + row for row in rows)
    extra = chunk(b'PLTE', palette) + chunk(b'tRNS', b'\0') if palette else b''
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0)) +
            extra + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


app = pathlib.Path(__file__).resolve().parent.parent / 'app'

# The design at 32 x 32, one sample in each pixel's centre: every pixel one of the 16 colours.
W = H = GRID
px = [[' '] * W for _ in range(H)]
for colour, polygon in shapes:
    for x, y, _ in coverage(polygon, GRID, 1):
        px[y][x] = colour

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
png_palette = b''.join(bytes.fromhex(c[1:]) for c in ['#000000'] + [PALETTE[c] for c in colours])
png_index = {c: i + 1 for i, c in enumerate(colours)}
(app / 'brisel.png').write_bytes(png(W, H, 3, [bytes(png_index.get(c, 0) for c in row) for row in px], png_palette))

# The larger sizes: 8 x 8 samples per pixel, each shape painted over the ones before.
icons = app / 'icons'
icons.mkdir(exist_ok=True)
for size in LARGE_SIZES:
    canvas = [[(0.0, 0.0, 0.0, 0.0) for _ in range(size)] for _ in range(size)]  # premultiplied
    for colour, polygon in shapes:
        r, g, b = (v / 255 for v in rgb(colour))
        for x, y, a in coverage(polygon, size, 8):
            cr, cg, cb, ca = canvas[y][x]
            canvas[y][x] = (r * a + cr * (1 - a), g * a + cg * (1 - a), b * a + cb * (1 - a), a + ca * (1 - a))
    rows = []
    for row in canvas:
        out = bytearray()
        for r, g, b, a in row:
            out += bytes(round(v / a * 255) if a else 0 for v in (r, g, b)) + bytes((round(a * 255),))
        rows.append(bytes(out))
    (icons / f'brisel-{size}.png').write_bytes(png(size, size, 6, rows))

svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 {GRID} {GRID}">']
for colour, polygon in shapes:
    points = ' '.join(f'{x:g},{y:g}' for x, y in polygon)
    svg.append(f'  <polygon fill="{PALETTE[colour]}" points="{points}"/>')
(icons / 'brisel.svg').write_text('\n'.join(svg + ['</svg>']) + '\n')
