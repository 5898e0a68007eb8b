"""Decodes every PNG of the reference suite natively with PIL into the pixels the program's
decoder must produce: 8-bit BGR, or BGRA with premultiplied alpha when the image has an alpha
channel or a tRNS chunk. Writes one <name>.ref per image: "width height channels\n" + rows."""
import os
import struct
import sys
import zlib

from PIL import Image

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def chunks(data):
    pos = 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + length]
        pos += 12 + length


def unfilter(raw, width, height, bpp):
    stride = width * bpp
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return rows, pos


def rgb16_samples(data, width, height, interlaced):
    """The full 16-bit samples of a 16-bit truecolour image, which PIL only offers as 8 bits."""
    raw = zlib.decompress(b"".join(body for kind, body in chunks(data) if kind == b"IDAT"))
    pixels = [[None] * width for _ in range(height)]
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    pos = 0
    for x0, y0, dx, dy in passes:
        w, h = (width - x0 + dx - 1) // dx, (height - y0 + dy - 1) // dy
        if w <= 0 or h <= 0:
            continue
        rows, used = unfilter(raw[pos:], w, h, 6)
        pos += used
        for r, line in enumerate(rows):
            for c in range(w):
                pixels[y0 + r * dy][x0 + c * dx] = struct.unpack(">3H", line[c * 6:c * 6 + 6])
    return pixels


def reference(path):
    data = open(path, "rb").read()
    width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    trns = next((body for kind, body in chunks(data) if kind == b"tRNS"), None)
    im = Image.open(path)
    im.load()
    grey16 = im.mode in ("I", "I;16", "I;16B")
    if grey16:
        values = list(im.getdata())
        rgb = [(v >> 8,) * 3 for v in values]
    else:
        if im.mode != "P":
            im.info.pop("transparency", None)
        rgba = list(im.convert("RGBA").getdata())
        rgb = [p[:3] for p in rgba]
    channels = 4 if ctype in (4, 6) or trns is not None else 3
    alpha = [255] * (width * height)
    if ctype in (4, 6) or ctype == 3:
        alpha = [p[3] for p in rgba]
    elif trns is not None and ctype == 0:
        key = struct.unpack(">H", trns[:2])[0]
        if grey16:
            alpha = [0 if v == key else 255 for v in values]
        else:
            scaled = key * 255 // ((1 << depth) - 1)
            alpha = [0 if p[0] == scaled else 255 for p in rgb]
    elif trns is not None and ctype == 2:
        key = struct.unpack(">3H", trns[:6])
        if depth == 16:
            samples = rgb16_samples(data, width, height, interlace)
            alpha = [0 if samples[i // width][i % width] == key else 255
                     for i in range(width * height)]
        else:
            alpha = [0 if p == key else 255 for p in rgb]
    out = bytearray(b"%d %d %d\n" % (width, height, channels))
    for (r, g, b), a in zip(rgb, alpha):
        if channels == 4:
            out += bytes((b * a // 255, g * a // 255, r * a // 255, a))
        else:
            out += bytes((b, g, r))
    return bytes(out)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    count = 0
    for folder in sys.argv[2:]:
        for name in sorted(os.listdir(folder)):
            if name.endswith(".png"):
                ref = reference(os.path.join(folder, name))
                with open(os.path.join(out_dir, name + ".ref"), "wb") as f:
                    f.write(ref)
                count += 1
    print("%d reference images" % count)


main()
