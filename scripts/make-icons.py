#!/usr/bin/env python3
"""Draws the notifier's pictures with the standard library only and writes them to
notifier/resources/:

- notifier.png  the application icon of the Linux build (256 x 256, RGBA)
- notifier.ico  the same icon in 256, 128, 64, 48, 32, 24 and 16 pixels for the Windows build
- icon.bmp      the balloon picture (128 x 128, 24-bit Windows bitmap)

The pictures are drawn from signed distance functions, so every size is rendered from the shapes
rather than scaled down, and the output is the same byte for byte on every run.

Usage: scripts/make-icons.py [output-directory]
"""

import math
import pathlib
import struct
import sys
import zlib

ICON_SIZES = (256, 128, 64, 48, 32, 24, 16)
BALLOON_SIZE = 128

TOP = (0x1B, 0x9A, 0xAA)     # teal at the top of the badge
BOTTOM = (0x0B, 0x4F, 0x8A)  # deep blue at the bottom
WHITE = (0xFF, 0xFF, 0xFF)
PAPER = (0xF3, 0xF7, 0xFA)   # background of the balloon picture


# Signed distances in picture units (the picture spans 0..1); negative inside.

def rounded_box(x, y, cx, cy, half, radius):
    qx = abs(x - cx) - half + radius
    qy = abs(y - cy) - half + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def circle(x, y, cx, cy, radius):
    return math.hypot(x - cx, y - cy) - radius


def capsule(x, y, ax, ay, bx, by, radius):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * t, py - dy * t) - radius


def triangle(x, y, points, radius):
    """Distance to a triangle with rounded corners."""
    distance = float("inf")
    inside = True
    for i in range(3):
        ax, ay = points[i]
        bx, by = points[(i + 1) % 3]
        distance = min(distance, capsule(x, y, ax, ay, bx, by, 0.0))
        if (bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0:
            inside = False
    return (-distance if inside else distance) - radius


def download_glyph(x, y, scale, cx, cy):
    """A down arrow over an open tray, centred on (cx, cy), of relative size scale."""
    def at(u, v):
        return cx + (u - 0.5) * scale, cy + (v - 0.5) * scale

    shaft = capsule(x, y, *at(0.5, 0.20), *at(0.5, 0.50), 0.055 * scale)
    head = triangle(x, y, [at(0.31, 0.44), at(0.69, 0.44), at(0.5, 0.66)], 0.025 * scale)
    tray = min(
        capsule(x, y, *at(0.23, 0.62), *at(0.23, 0.79), 0.048 * scale),
        capsule(x, y, *at(0.23, 0.79), *at(0.77, 0.79), 0.048 * scale),
        capsule(x, y, *at(0.77, 0.79), *at(0.77, 0.62), 0.048 * scale),
    )
    return min(shaft, head, tray)


def coverage(distance, pixel):
    """Anti-aliased coverage of a pixel whose centre lies at a signed distance."""
    return max(0.0, min(1.0, 0.5 - distance / pixel))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def badge_colour(y):
    return mix(TOP, BOTTOM, max(0.0, min(1.0, (y - 0.06) / 0.88)))


def draw_icon(size):
    """RGBA rows of the application icon: a rounded badge with the download glyph."""
    pixel = 1.0 / size
    rows = []
    for j in range(size):
        y = (j + 0.5) * pixel
        row = []
        for i in range(size):
            x = (i + 0.5) * pixel
            badge = coverage(rounded_box(x, y, 0.5, 0.5, 0.45, 0.11), pixel)
            glyph = coverage(download_glyph(x, y, 0.86, 0.5, 0.5), pixel)
            colour = mix(badge_colour(y), WHITE, glyph)
            row.append(tuple(round(c) for c in colour) + (round(255 * badge),))
        rows.append(row)
    return rows


def draw_balloon(size):
    """RGB rows of the balloon picture: the glyph in a round badge on a light background."""
    pixel = 1.0 / size
    rows = []
    for j in range(size):
        y = (j + 0.5) * pixel
        row = []
        for i in range(size):
            x = (i + 0.5) * pixel
            ring = coverage(circle(x, y, 0.5, 0.5, 0.46), pixel)
            badge = coverage(circle(x, y, 0.5, 0.5, 0.42), pixel)
            glyph = coverage(download_glyph(x, y, 0.62, 0.5, 0.51), pixel)
            colour = mix(PAPER, (0xD5, 0xE6, 0xEE), ring)
            colour = mix(colour, badge_colour(y), badge)
            colour = mix(colour, WHITE, glyph)
            row.append(tuple(round(c) for c in colour))
        rows.append(row)
    return rows


def png_bytes(rows):
    """An 8-bit RGBA PNG without ancillary chunks."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(rows):
    """An icon image in the classic form: 32-bit BGRA rows bottom-up, then an all-opaque mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * size)


def ico_bytes(images):
    """A multi-size icon; the 256-pixel image is stored as PNG, the others as bitmaps."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, blobs = b"", b""
    for size, rows in images:
        blob = png_bytes(rows) if size >= 256 else dib_bytes(rows)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob),
                               offset)
        blobs += blob
        offset += len(blob)
    return directory + entries + blobs


def bmp_bytes(rows):
    """A 24-bit bottom-up Windows bitmap."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    pixels = b"".join(
        bytes(c for r, g, b in row for c in (b, g, r)).ljust(stride, b"\x00")
        for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return file_header + info + pixels


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "notifier" / "resources"
    out.mkdir(parents=True, exist_ok=True)
    icons = [(size, draw_icon(size)) for size in ICON_SIZES]
    (out / "notifier.png").write_bytes(png_bytes(icons[0][1]))
    (out / "notifier.ico").write_bytes(ico_bytes(icons))
    (out / "icon.bmp").write_bytes(bmp_bytes(draw_balloon(BALLOON_SIZE)))
    for name in ("notifier.png", "notifier.ico", "icon.bmp"):
        print(f"{out / name}: {(out / name).stat().st_size} bytes")


if __name__ == "__main__":
    main()
