#!/usr/bin/env python3
"""Draws the launcher's own images, icon and cursor; no input files are used.

Run it after changing a drawing and commit its output beside it: the build
only compiles resources.rc with windres. The background is turned into a JPEG
by ImageMagick's convert.
"""
import math
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis for soft edges


def png_bytes(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, straight alpha."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# Shapes in unit coordinates (0..1 across the image); each answers whether a
# sample point is inside.
def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, w):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= (w / 2) ** 2
    return inside


def polyline(points, w):
    strokes = [segment(*points[i], *points[i + 1], w) for i in range(len(points) - 1)]
    return lambda x, y: any(p(x, y) for p in strokes)


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def render(size, layers):
    """layers: (shape, (r, g, b, a)) painted in order with "over"."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0  # premultiplied accumulation
            for shape, colour in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if shape((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size):
                            hits += 1
                if not hits:
                    continue
                cover = hits / (SAMPLES * SAMPLES) * colour[3] / 255.0
                r = colour[0] * cover + r * (1 - cover)
                g = colour[1] * cover + g * (1 - cover)
                b = colour[2] * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


WHITE = (255, 255, 255, 255)


def check_mark():
    # White, so the check box can tint it with any colour.
    return [(polyline([(0.16, 0.52), (0.40, 0.76), (0.86, 0.26)], 0.16), WHITE)]


def badge(colour, marks):
    return [(circle(0.5, 0.5, 0.46), colour)] + [(m, WHITE) for m in marks]


def error_icon():
    return badge((0xE0, 0x3E, 0x3E, 255), [segment(0.33, 0.33, 0.67, 0.67, 0.1), segment(0.67, 0.33, 0.33, 0.67, 0.1)])


def info_icon():
    return badge((0x2D, 0x8C, 0xE0, 255), [circle(0.5, 0.29, 0.06), rect(0.45, 0.41, 0.55, 0.74)])


def question_icon():
    arc = [(0.5 + 0.14 * math.cos(math.radians(a)), 0.38 + 0.12 * math.sin(math.radians(a)))
           for a in range(190, 390, 10)]
    return badge((0x2D, 0x8C, 0xE0, 255), [polyline(arc + [(0.5, 0.52), (0.5, 0.6)], 0.09), circle(0.5, 0.73, 0.055)])


def warning_icon():
    return [(polygon([(0.5, 0.06), (0.96, 0.9), (0.04, 0.9)]), (0xF2, 0xB1, 0x23, 255)),
            (rect(0.455, 0.33, 0.545, 0.64), WHITE), (circle(0.5, 0.75, 0.055), WHITE)]


def server_icon():
    # A block of earth with a grass top, in coarse squares like the game's.
    layers = [(rect(0.0, 0.0, 1.0, 1.0), (0x86, 0x5D, 0x3A, 255)), (rect(0.0, 0.0, 1.0, 0.3), (0x5C, 0xA8, 0x3C, 255))]
    for i in range(8):
        x = i / 8
        depth = 0.3 + 0.0625 * ((i * 5) % 3)
        layers.append((rect(x, 0.3, x + 0.125, depth + 0.0625), (0x5C, 0xA8, 0x3C, 255)))
        y = 0.5 + 0.125 * ((i * 3) % 4)
        layers.append((rect(x, y, x + 0.125, y + 0.125), (0x6E, 0x4A, 0x2C, 255)))
    return layers


def update_icon():
    return badge((0x2E, 0xAA, 0x6E, 255), [rect(0.44, 0.22, 0.56, 0.56),
                                           polygon([(0.28, 0.52), (0.72, 0.52), (0.5, 0.76)]),
                                           rect(0.28, 0.78, 0.72, 0.84)])


def cube():
    """A block seen from above a corner: grass on top, earth on the sides."""
    top = [(0.5, 0.2), (0.8, 0.36), (0.5, 0.52), (0.2, 0.36)]
    left = [(0.2, 0.36), (0.5, 0.52), (0.5, 0.84), (0.2, 0.68)]
    right = [(0.5, 0.52), (0.8, 0.36), (0.8, 0.68), (0.5, 0.84)]
    return [(polygon(top), (0x7C, 0xC8, 0x4E, 255)), (polygon(left), (0x8E, 0x62, 0x3E, 255)),
            (polygon(right), (0x6B, 0x48, 0x2C, 255))]


def app_icon():
    return [(circle(0.5, 0.5, 0.48), (0x28, 0x68, 0xB8, 255))] + cube()


def game_picture():
    return [(rect(0.04, 0.04, 0.96, 0.96), (0x2C, 0x3E, 0x50, 255))] + cube()


def icon_file(sizes):
    """An .ico with one entry per size: 32-bit DIBs up to 48 pixels (every
    Windows reads them), PNG above."""
    images = []
    for size in sizes:
        pixels = render(size, app_icon())
        if size > 48:
            images.append(png_bytes(size, size, pixels))
            continue
        xor = bytearray()
        for row in reversed(pixels):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        stride = ((size + 31) // 32) * 4
        and_mask = bytearray()
        for row in reversed(pixels):
            bits = bytearray(stride)
            for i, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[i // 8] |= 0x80 >> (i % 8)
            and_mask += bits
        dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        images.append(dib + xor + and_mask)
    header = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return header + entries + b"".join(images)


def background(width, height):
    """Dusk over rolling hills, smooth enough to blur well under the panel."""
    rows = []
    for y in range(height):
        v = y / height
        row = []
        for x in range(width):
            u = x / width
            sky = (int(40 + 60 * v), int(70 + 80 * v), int(140 + 60 * v))
            hill1 = 0.62 + 0.06 * math.sin(u * 6.0 + 0.7) + 0.03 * math.sin(u * 17.0)
            hill2 = 0.75 + 0.05 * math.sin(u * 4.0 + 2.1) + 0.02 * math.sin(u * 23.0 + 1.0)
            if v > hill2:
                shade = 1.0 - 0.5 * (v - hill2)
                colour = (int(0x4E * shade), int(0x8A * shade), int(0x3A * shade))
            elif v > hill1:
                shade = 1.0 - 0.4 * (v - hill1)
                colour = (int(0x3C * shade), int(0x6E * shade), int(0x5A * shade))
            else:
                colour = sky
            row.append(colour + (255,))
        rows.append(row)
    return rows


def resize_cursor():
    """A 32 x 32 horizontal-resize cursor, hotspot in the centre, as .cur bytes."""
    size = 32
    outline = (0, 0, 0, 255)
    arrow = [(0.5 / 32 * 2, 0.5), (9 / 32, 8 / 32), (9 / 32, 13.5 / 32), (23 / 32, 13.5 / 32), (23 / 32, 8 / 32),
             (31.5 / 32, 0.5), (23 / 32, 24 / 32), (23 / 32, 18.5 / 32), (9 / 32, 18.5 / 32), (9 / 32, 24 / 32)]
    inner = [(x * 0.9 + 0.05, (y - 0.5) * 0.7 + 0.5) for x, y in arrow]
    pixels = render(size, [(polygon(arrow), outline), (polygon(inner), WHITE)])
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up DIB, BGRA, straight alpha
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    and_mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - i)
        and_mask += struct.pack(">I", bits)
    dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = dib + xor + and_mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, size // 2, size // 2, len(image), 6 + 16)
    return header + entry + image


IMAGES = {
    "check_13.png": (13, check_mark), "check_16.png": (16, check_mark), "check_20.png": (20, check_mark),
    "check_26.png": (26, check_mark), "msgbox_error.png": (80, error_icon), "msgbox_info.png": (80, info_icon),
    "msgbox_question.png": (80, question_icon), "msgbox_warning.png": (80, warning_icon),
    "server_default.png": (64, server_icon), "update.png": (96, update_icon), "game.png": (96, game_picture),
}


def main():
    for name, (size, drawing) in IMAGES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(png_bytes(size, size, render(size, drawing())))
    with open(os.path.join(HERE, "resize_we.cur"), "wb") as f:
        f.write(resize_cursor())
    with open(os.path.join(HERE, "app.ico"), "wb") as f:
        f.write(icon_file([16, 24, 32, 48, 256]))
    png = os.path.join(HERE, "background.png")
    with open(png, "wb") as f:
        f.write(png_bytes(1360, 856, background(1360, 856)))
    subprocess.run(["convert", png, "-quality", "88", os.path.join(HERE, "background.jpg")], check=True)
    os.remove(png)


if __name__ == "__main__":
    main()
