#!/usr/bin/python3
"""Draws the skin images the program reads at run time from .\\res\\: the warning dialog's
frame, close button and text button (res/basedialog/) and the title logo (res/Kestrin.PNG).

Usage: /usr/bin/python3 scripts/draw_skin.py [RESDIR]    (default: the repository's res/)

Needs PIL (Debian's python3-pil). The images are committed; run this again after changing it.
Shapes are drawn at SCALE times the size and reduced, which gives them smooth edges.
"""
import sys
from pathlib import Path

from PIL import Image, ImageDraw

SCALE = 8

# The dialog's palette: a slate-blue frame, a pale title band, a white body, a grey footer.
FRAME = (128, 150, 178)
TITLE_TOP = (243, 247, 253)
TITLE_BOTTOM = (228, 237, 248)
TITLE_RULE = (208, 220, 236)
BODY = (255, 255, 255)
FOOTER_RULE = (226, 231, 238)
FOOTER = (243, 245, 248)

# Geometry fixed by the program: the dialog is 350 x 220; its background is a nine-part image
# whose left column is 5 wide, right column starts at 25, top row is 5 high and bottom row
# starts at 195. A background exactly 220 high is drawn unstretched vertically, so the bands
# below land on the same rows in the dialog.
DIALOG_HEIGHT = 220
BACKGROUND_WIDTH = 30
TITLE_RULE_ROW = 30
FOOTER_RULE_ROW = 160
# The window region (a 7 x 7 rounded rectangle less the four pixels next to the corners) cuts
# a 2 x 2 notch out of every corner.
NOTCH = 2


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def rounded_mask(width, height, radius):
    """An anti-aliased mask of a rounded rectangle filling width x height."""
    big = Image.new("L", (width * SCALE, height * SCALE), 0)
    ImageDraw.Draw(big).rounded_rectangle(
        (0, 0, width * SCALE - 1, height * SCALE - 1), radius * SCALE, fill=255)
    return big.resize((width, height), Image.LANCZOS)


def vertical_gradient(width, height, top, bottom):
    image = Image.new("RGBA", (width, height))
    for y in range(height):
        colour = mix(top, bottom, y / max(1, height - 1)) + (255,)
        for x in range(width):
            image.putpixel((x, y), colour)
    return image


def dialog_background():
    """msgBkgnd.png: 30 x 220, opaque; rows match the dialog's rows one to one."""
    w, h = BACKGROUND_WIDTH, DIALOG_HEIGHT
    image = Image.new("RGB", (w, h), BODY)
    for y in range(h):
        if y < TITLE_RULE_ROW:
            colour = mix(TITLE_TOP, TITLE_BOTTOM, y / (TITLE_RULE_ROW - 1))
        elif y == TITLE_RULE_ROW:
            colour = TITLE_RULE
        elif y < FOOTER_RULE_ROW:
            colour = BODY
        elif y == FOOTER_RULE_ROW:
            colour = FOOTER_RULE
        else:
            colour = FOOTER
        for x in range(w):
            image.putpixel((x, y), colour)

    def inside(x, y):
        if not (0 <= x < w and 0 <= y < h):
            return False
        near_x = x < NOTCH or x >= w - NOTCH
        near_y = y < NOTCH or y >= h - NOTCH
        return not (near_x and near_y)

    # The frame follows the region's outline exactly: a pixel whose side touches the outside is
    # frame; one that touches it only at a corner is half frame, which softens the notch.
    for y in range(h):
        for x in range(w):
            if not inside(x, y):
                image.putpixel((x, y), FRAME)
                continue
            sides = [inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
            corners = [inside(x + dx, y + dy) for dx, dy in ((1, 1), (-1, 1), (1, -1), (-1, -1))]
            if not all(sides):
                image.putpixel((x, y), FRAME)
            elif not all(corners):
                image.putpixel((x, y), mix(image.getpixel((x, y)), FRAME, 0.45))
    return image


def cross(size, thickness, colour):
    """An anti-aliased x of size x size pixels."""
    big = Image.new("L", (size * SCALE, size * SCALE), 0)
    draw = ImageDraw.Draw(big)
    end = size * SCALE - 1
    draw.line((0, 0, end, end), fill=255, width=round(thickness * SCALE))
    draw.line((0, end, end, 0), fill=255, width=round(thickness * SCALE))
    mask = big.resize((size, size), Image.LANCZOS)
    glyph = Image.new("RGBA", (size, size), colour + (0,))
    glyph.putalpha(mask)
    return glyph


def close_button(background):
    """msgclose.png: three 30 x 24 frames (normal, hover, pressed) for the top-right corner,
    placed one pixel below the top edge, flush with the right edge.

    Every frame is opaque and carries the dialog's own title band and right border beneath it,
    so the button never depends on how the stretched frame lands behind it (a stretch clipped
    at the button's top edge can shift the frame's top line down a row).
    """
    fw, fh = 30, 24
    right = background.width - 25
    # The dialog's columns under the button: the stretched middle, then the right column.
    band = Image.new("RGB", (fw, fh))
    band.paste(background.crop((10, 1, 11, 1 + fh)).resize((fw - right, fh)), (0, 0))
    band.paste(background.crop((25, 1, 25 + right, 1 + fh)), (fw - right, 0))
    frames = [
        (None, (92, 104, 122)),
        ((232, 17, 35), (255, 255, 255)),
        ((190, 14, 28), (255, 225, 228)),
    ]
    image = Image.new("RGBA", (fw * len(frames), fh))
    for i, (fill, ink) in enumerate(frames):
        frame = band.convert("RGBA")
        if fill:
            # The fill takes the title band's pixels; the border and the rounded corner stay.
            for y in range(fh):
                for x in range(fw):
                    if band.getpixel((x, y)) == band.getpixel((0, y)):
                        frame.putpixel((x, y), fill + (255,))
        frame.alpha_composite(cross(9, 1.35, ink), ((fw - 1 - 9) // 2, (fh - 9) // 2))
        image.paste(frame, (i * fw, 0))
    return image


def text_button():
    """btn.png: three 62 x 25 frames (normal, hover, pressed) of a rounded push button; the
    dialog places its buttons at exactly this size, so nothing is stretched."""
    fw, fh = 62, 25
    looks = [
        ((255, 255, 255), (236, 242, 249), (156, 181, 212)),
        ((240, 247, 254), (217, 234, 251), (86, 146, 208)),
        ((205, 226, 247), (220, 235, 250), (58, 116, 178)),
    ]
    image = Image.new("RGBA", (fw * len(looks), fh), (0, 0, 0, 0))
    outer = rounded_mask(fw, fh, 3.5)
    inner = rounded_mask(fw - 2, fh - 2, 2.5)
    for i, (top, bottom, border) in enumerate(looks):
        face = Image.new("RGBA", (fw, fh), border + (255,))
        face.paste(vertical_gradient(fw - 2, fh - 2, top, bottom), (1, 1), inner)
        face.putalpha(outer)
        image.paste(face, (i * fw, 0))
    return image


def logo():
    """Kestrin.PNG: the 16 x 16 title logo, a blue rounded square with a white arrow landing
    in a tray (download and install)."""
    size = 16
    s = size * SCALE
    mask = rounded_mask(size, size, 3.5)
    body = vertical_gradient(size, size, (72, 166, 240), (28, 102, 196))
    body.putalpha(mask)

    big = Image.new("L", (s, s), 0)
    draw = ImageDraw.Draw(big)
    u = SCALE
    draw.rectangle((6.9 * u, 3 * u, 9.1 * u, 8.5 * u), fill=255)
    draw.polygon([(4 * u, 7.5 * u), (12 * u, 7.5 * u), (8 * u, 11.5 * u)], fill=255)
    draw.rectangle((3.5 * u, 12.4 * u, 12.5 * u, 13.6 * u), fill=255)
    ink = big.resize((size, size), Image.LANCZOS)
    white = Image.new("RGBA", (size, size), (255, 255, 255, 255))
    white.putalpha(Image.composite(ink, Image.new("L", (size, size), 0), mask))
    body.alpha_composite(white)
    return body


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res"
    (root / "basedialog").mkdir(parents=True, exist_ok=True)
    background = dialog_background()
    background.save(root / "basedialog" / "msgBkgnd.png", optimize=True)
    close_button(background).save(root / "basedialog" / "msgclose.png", optimize=True)
    text_button().save(root / "basedialog" / "btn.png", optimize=True)
    logo().save(root / "Kestrin.PNG", optimize=True)


if __name__ == "__main__":
    main()
