#!/usr/bin/env python3
"""Draws the images embedded in Quorrin.exe: the progress bar's track (PNG 201) and fill
(PNG 202), 18 x 15 RGBA, and the program icon (icon 203, 16/32/48 px).

Usage: make_resources.py OUTDIR
"""
import struct
import sys
import zlib
from pathlib import Path


def png_bytes(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples; written as 8-bit RGBA, not interlaced."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def shade(color, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in color)


def bar(width, height, centre, end_factor, transparent_ends):
    """A horizontal bar: vertical gloss from top to bottom, darker end columns."""
    rows = []
    for y in range(height):
        # Light at the top edge, the centre colour in the middle, a little darker at the bottom.
        t = y / (height - 1)
        row_factor = 1.12 - 0.24 * t
        row = []
        for x in range(width):
            if transparent_ends and x in (0, width - 1):
                row.append((0, 0, 0, 0))
                continue
            edge = x in (0, width - 1) or (transparent_ends and x in (1, width - 2))
            factor = row_factor * (end_factor if edge else 1.0)
            if y == height // 2 and not edge:
                factor = 1.0
            row.append(shade(centre, factor) + (255,))
        rows.append(row)
    return rows


def icon_image(size):
    """A rounded blue square with a white downward arrow: the download-and-install sign."""
    pixels = []
    radius = size * 0.22
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            # Distance outside the rounded square, for a soft one-pixel edge.
            dx = max(radius - cx, 0, cx - (size - radius))
            dy = max(radius - cy, 0, cy - (size - radius))
            outside = (dx * dx + dy * dy) ** 0.5 - radius if dx and dy else 0.0
            if dx and not dy or dy and not dx:
                outside = 0.0
            alpha = 255 if outside <= 0 else max(0, int(255 * (1 - outside)))
            t = y / size
            base = (int(40 + 30 * t), int(150 - 40 * t), int(230 - 30 * t))
            u, v = cx / size, cy / size
            stem = 0.42 <= u <= 0.58 and 0.18 <= v <= 0.55
            head = v >= 0.5 and v <= 0.74 and abs(u - 0.5) <= (0.74 - v) * 1.1
            tray = 0.78 <= v <= 0.86 and 0.22 <= u <= 0.78
            colour = (255, 255, 255) if (stem or head or tray) else base
            row.append(colour + (alpha,))
        pixels.append(row)
    return pixels


def ico_bytes(sizes):
    """An .ico whose images are 32-bit BGRA DIBs with an AND mask (readable by every version)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(sizes)
    for size in sizes:
        px = icon_image(size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b"".join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(px):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        blob = header + xor + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(sizes)) + b"".join(entries) + b"".join(blobs)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "progress_track.png").write_bytes(png_bytes(18, 15, bar(18, 15, (67, 156, 199), 0.7, False)))
    (out / "progress_fill.png").write_bytes(png_bytes(18, 15, bar(18, 15, (132, 208, 241), 0.85, True)))
    (out / "Quorrin.ico").write_bytes(ico_bytes([16, 32, 48]))


if __name__ == "__main__":
    main()
