#!/usr/bin/python3
"""Draws the skin images the program reads at run time from .\\res\\: the warning dialog's
frame, close button and text button (res/basedialog/), the title logo (res/Kestrin.PNG) and the
main window's background, buttons, pictures and marks (res/*.png).

Usage: /usr/bin/python3 scripts/draw_skin.py [RESDIR]    (default: the repository's res/)
       /usr/bin/python3 scripts/draw_skin.py --preview OUT.png
The second form writes nothing into res/; it lays every main-window image out where the program
puts it, with stand-ins for the program's own texts, into OUT-page1.png and OUT-page2.png.

Needs PIL (Debian's python3-pil) and the WenQuanYi Micro Hei font (fonts-wqy-microhei). The
images are committed; run this again after changing it. Shapes are drawn at SCALE times the size
and reduced, which gives them smooth edges.
"""
import argparse
import math
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

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


# ----------------------------------------------------------------------------------------------
# The main window. Positions are the program's client coordinates unless a name says otherwise.

FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
# The font has no bold face: bold text is drawn this many times larger, stroked, and reduced.
TEXT_SCALE = 4
# Stroke of bold text as a share of its size, enough to read as bold; capped in pixels, since
# a stroke grown with the size fills the gaps of dense 汉字 such as 重 at slogan sizes.
BOLD = 0.03
BOLD_MAX = 0.7

# The background sets the window size. It is drawn one pixel up and left of the client area, so
# client (x, y) shows its pixel (x + 1, y + 1); its first row and column hide under the border.
WINDOW = (860, 560)
CLIENT_OFFSET = 1
# Client rows 0..172 are header: the title, the caption buttons and the site link are white
# text drawn over it by the program.
HEADER_CLIENT_ROWS = 173
# The window region's corner ellipse is 16 x 16.
WINDOW_CORNER = 8

# The palette: a clear blue header, a near-white body, one accent blue for everything chosen.
HEADER_TOP = (30, 136, 229)
HEADER_BOTTOM = (21, 101, 192)
BODY_MAIN = (247, 249, 252)
ACCENT = (30, 136, 229)
ACCENT_DARK = (21, 101, 192)
INK = (43, 58, 74)               # headings on the body
INK_SOFT = (128, 141, 156)       # secondary text on the body
LINE_GREY = (201, 210, 221)      # rings, rules and tracks not yet reached
MARK_GREY = (169, 180, 194)      # outlines of marks that are off; darker, as they are small
TODO_INK = (150, 161, 174)       # digits and labels of steps not yet reached
TODO_SOFT = (176, 186, 197)      # and their notes
CARD_BORDER = (220, 227, 236)
SUCCESS = (67, 160, 71)
WHITE = (255, 255, 255)


def font(px):
    return ImageFont.truetype(FONT_FILE, px)


def text_mask(size, xy, text, px, bold=False, anchor="la"):
    """An L mask of size with text at xy (a PIL text anchor). Regular text keeps the font's own
    hinted rendering, which stays crisp down to 12 px."""
    if not bold:
        mask = Image.new("L", size, 0)
        ImageDraw.Draw(mask).text(xy, text, font=font(px), fill=255, anchor=anchor)
        return mask
    k = TEXT_SCALE
    big = Image.new("L", (size[0] * k, size[1] * k), 0)
    stroke = max(1, round(k * min(px * BOLD, BOLD_MAX)))
    ImageDraw.Draw(big).text((xy[0] * k, xy[1] * k), text, font=font(px * k), fill=255,
                             anchor=anchor, stroke_width=stroke, stroke_fill=255)
    return big.resize(size, Image.BOX)


def paint(image, mask, fill, opacity=1.0, dest=(0, 0)):
    """Lays fill (a colour, or an RGBA image of the mask's size) onto image through mask."""
    if isinstance(fill, tuple):
        layer = Image.new("RGBA", mask.size, fill[:3] + (255,))
        alpha = mask
    else:
        layer = fill.copy()
        alpha = ImageChops.multiply(mask, layer.getchannel("A"))
    if opacity < 1:
        alpha = alpha.point(lambda v: round(v * opacity))
    layer.putalpha(alpha)
    image.alpha_composite(layer, dest)


def gradient(width, height, top, bottom, y0=0, y1=None):
    """An opaque vertical gradient from top at row y0 to bottom at row y1, flat beyond them."""
    y1 = height - 1 if y1 is None else y1
    column = Image.new("RGBA", (1, height))
    for y in range(height):
        t = min(1, max(0, (y - y0) / max(1, y1 - y0)))
        column.putpixel((0, y), mix(top, bottom, t) + (255,))
    return column.resize((width, height), Image.NEAREST)


class Pen:
    """Draws shapes SCALE times larger into a mask and reduces it, so edges come out smooth.
    Coordinates are the small image's with pixel edges on whole numbers: (0, 0, 2, 2) covers
    exactly four pixels, and a 1 px line through a pixel row runs at row + 0.5."""

    def __init__(self, width, height):
        self.size = (width, height)
        self.big = Image.new("L", (width * SCALE, height * SCALE), 0)
        self.draw = ImageDraw.Draw(self.big)

    @staticmethod
    def _box(box):
        x0, y0, x1, y1 = box
        return (x0 * SCALE, y0 * SCALE, x1 * SCALE - 1, y1 * SCALE - 1)

    @staticmethod
    def _points(points):
        return [(x * SCALE, y * SCALE) for x, y in points]

    def rect(self, box, radius=0, ink=255):
        self.draw.rounded_rectangle(self._box(box), radius * SCALE, fill=ink)

    def circle(self, cx, cy, r, ink=255):
        self.draw.ellipse(self._box((cx - r, cy - r, cx + r, cy + r)), fill=ink)

    def ring(self, cx, cy, r, width, ink=255):
        """A ring whose outer edge has radius r."""
        self.draw.ellipse(self._box((cx - r, cy - r, cx + r, cy + r)), outline=ink,
                          width=round(width * SCALE))

    def ellipse(self, box, ink=255):
        self.draw.ellipse(self._box(box), fill=ink)

    def polygon(self, points, ink=255):
        self.draw.polygon(self._points(points), fill=ink)

    def line(self, points, width, ink=255, round_ends=False):
        self.draw.line(self._points(points), fill=ink, width=round(width * SCALE), joint="curve")
        if round_ends:
            for x, y in (points[0], points[-1]):
                self.circle(x, y, width / 2, ink)

    def arc(self, cx, cy, r, start, end, width, ink=255):
        """An arc whose outer edge has radius r; angles in degrees, clockwise from 3 o'clock."""
        self.draw.arc(self._box((cx - r, cy - r, cx + r, cy + r)), start, end, fill=ink,
                      width=round(width * SCALE))

    def mask(self):
        return self.big.resize(self.size, Image.BOX)


def strip(frames):
    """Frames of one size side by side, as the program cuts them apart."""
    fw, fh = frames[0].size
    image = Image.new("RGBA", (fw * len(frames), fh), (0, 0, 0, 0))
    for i, frame in enumerate(frames):
        image.paste(frame, (i * fw, 0))
    return image


def four_panes(pen, cx, cy, pane, gap, radius):
    """The window sign used on the system pictures and the header monitor: 2 x 2 panes."""
    for x in (cx - gap / 2 - pane, cx + gap / 2):
        for y in (cy - gap / 2 - pane, cy + gap / 2):
            pen.rect((x, y, x + pane, y + pane), radius)


# --- Bkgnd.png -------------------------------------------------------------------------------

# Where the slogan starts; the title above it sits at x = 15, so the slogan keeps its own margin.
SLOGAN_XY = (60, 56)
SLOGAN_PX = 40
SUBTITLE_PX = 16
SLOGAN_RULE = (255, 202, 40)     # the one warm touch in the header
HEADER_SHADE = (10, 50, 120)     # shadows cast on the header blue
BODY_SHADE = (40, 70, 110)       # shadows cast on the body
# The monitor picture's centre line, between the slogan and the site link at x = 750.
MONITOR_X = 548
BEZEL = (MONITOR_X - 86, 36, MONITOR_X + 86, 146)
SCREEN = (MONITOR_X - 79, 43, MONITOR_X + 79, 136)
# Its screen's colours, lighter than the header so the screen reads as lit.
SCREEN_TOP = (79, 172, 247)
SCREEN_BOTTOM = (25, 118, 210)


def header_decor(header):
    """Faint discs that give the flat blue some depth without putting anything busy behind
    the program's white texts."""
    w, h = header.size
    for circles, opacity in ((((-30, 190, 150), (860, -60, 170)), 0.05),
                             (((MONITOR_X, 96, 92),), 0.07),
                             (((MONITOR_X, 96, 70),), 0.06)):
        pen = Pen(w, h)
        for cx, cy, r in circles:
            pen.circle(cx, cy, r)
        paint(header, pen.mask(), WHITE, opacity)
    # A few sparks round the picture, all well left of the site link.
    pen = Pen(w, h)
    for x, y, r in ((438, 58, 3), (446, 128, 2), (668, 112, 3.5), (690, 68, 2), (470, 20, 2)):
        pen.circle(x, y, r)
    paint(header, pen.mask(), WHITE, 0.45)


def header_slogan(header):
    w, h = header.size
    x, y = SLOGAN_XY
    slogan = text_mask((w, h), (x, y), "一键重装系统", SLOGAN_PX, bold=True)
    paint(header, slogan.filter(ImageFilter.GaussianBlur(2)), HEADER_SHADE, 0.35, dest=(0, 2))
    paint(header, slogan, WHITE)
    pen = Pen(w, h)
    pen.rect((x + 2, y + 58, x + 30, y + 61), 1.5)
    paint(header, pen.mask(), SLOGAN_RULE)
    # A shade softer than the slogan, so the two read as heading and subheading.
    paint(header, text_mask((w, h), (x + 2, y + 70), "简单 · 快速 · 安全", SUBTITLE_PX),
          WHITE, 0.88)


def monitor_body(header):
    """Bezel, stand and the shadows they cast."""
    w, h = header.size
    cx = MONITOR_X
    pen = Pen(w, h)
    pen.ellipse((cx - 62, 162, cx + 62, 172))
    paint(header, pen.mask(), HEADER_SHADE, 0.22)
    pen = Pen(w, h)
    pen.rect((BEZEL[0], BEZEL[1] + 5, BEZEL[2], BEZEL[3] + 5), 10)
    paint(header, pen.mask().filter(ImageFilter.GaussianBlur(4)), HEADER_SHADE, 0.30)

    pen = Pen(w, h)
    pen.polygon([(cx - 13, 145), (cx + 13, 145), (cx + 18, 162), (cx - 18, 162)])
    paint(header, pen.mask(), (215, 230, 246))
    pen = Pen(w, h)
    pen.rect((cx - 40, 160, cx + 40, 166), 3)
    pen.rect(BEZEL, 10)
    paint(header, pen.mask(), WHITE)


def circling_arrow(pen, cx, cy, r, width, start, end):
    """An arc running clockwise from start to end (degrees) with a head pointing along it."""
    pen.arc(cx, cy, r, start, end, width)
    a = math.radians(end)
    along = (-math.sin(a), math.cos(a))
    out = (math.cos(a), math.sin(a))
    mid = r - width / 2
    px, py = cx + mid * out[0], cy + mid * out[1]
    pen.polygon([(px + along[0] * 9, py + along[1] * 9),
                 (px + out[0] * 8 - along[0] * 2, py + out[1] * 8 - along[1] * 2),
                 (px - out[0] * 8 - along[0] * 2, py - out[1] * 8 - along[1] * 2)])


def monitor_screen(header):
    """The screen: a circling arrow round a window sign over a part-filled progress bar."""
    w, h = header.size
    cx = MONITOR_X
    pen = Pen(w, h)
    pen.rect(SCREEN, 5)
    paint(header, pen.mask(), gradient(w, h, SCREEN_TOP, SCREEN_BOTTOM, SCREEN[1], SCREEN[3]))

    pen = Pen(w, h)
    circling_arrow(pen, cx, 82, 24, 5.5, -50, 230)
    four_panes(pen, cx, 82, 7, 2, 1)
    paint(header, pen.mask(), WHITE)

    bar = (cx - 50, 118, cx + 50, 123)
    pen = Pen(w, h)
    pen.rect(bar, 2.5)
    paint(header, pen.mask(), WHITE, 0.30)
    pen = Pen(w, h)
    pen.rect((bar[0], bar[1], bar[0] + 64, bar[3]), 2.5)
    paint(header, pen.mask(), WHITE)


def tick_badge(header):
    """A green tick on the monitor's corner: the job ends well."""
    w, h = header.size
    bx, by = BEZEL[2] - 4, BEZEL[1] + 4
    for r, colour in ((17, WHITE), (14, SUCCESS)):
        pen = Pen(w, h)
        pen.circle(bx, by, r)
        paint(header, pen.mask(), colour)
    pen = Pen(w, h)
    pen.line([(bx - 6.5, by + 0.5), (bx - 2, by + 5), (bx + 6.5, by - 4.5)], 3, round_ends=True)
    paint(header, pen.mask(), WHITE)


def main_background():
    """Bkgnd.png: 860 x 560, opaque. The header gradient fills its rows 0..173 (client rows
    0..172); three rows of soft shadow ease it into the body."""
    w, h = WINDOW
    image = Image.new("RGBA", (w, h), BODY_MAIN + (255,))
    header_rows = HEADER_CLIENT_ROWS + CLIENT_OFFSET
    image.paste(gradient(w, header_rows, HEADER_TOP, HEADER_BOTTOM), (0, 0))
    for i, shade in enumerate((0.10, 0.05, 0.02)):
        row = header_rows + i
        image.paste(mix(BODY_MAIN, BODY_SHADE, shade) + (255,), (0, row, w, row + 1))

    header = Image.new("RGBA", (w, HEADER_CLIENT_ROWS), (0, 0, 0, 0))
    header_decor(header)
    header_slogan(header)
    monitor_body(header)
    monitor_screen(header)
    tick_badge(header)
    image.alpha_composite(header, (CLIENT_OFFSET, CLIENT_OFFSET))
    return image.convert("RGB")


# --- caption buttons ---------------------------------------------------------------------------

CAPTION_FRAME = (30, 24)
# Frame order: normal, hover, pressed, disabled.
CAPTION_HIGHLIGHT = (0, 0.16, 0.28, 0)
CLOSE_FILL = (None, (232, 17, 35), (196, 14, 30), None)
DISABLED_GLYPH = 0.35


def caption_glyph(kind):
    """A 10 px glyph of 1 px strokes centred in the frame; thin strokes keep the corner calm."""
    fw, fh = CAPTION_FRAME
    x0, y0 = fw / 2 - 5, fh / 2 - 5
    pen = Pen(fw, fh)
    if kind == "min":
        pen.rect((x0, y0 + 5, x0 + 10, y0 + 6))
    elif kind == "max":
        pen.rect((x0, y0, x0 + 10, y0 + 10))
        pen.rect((x0 + 1, y0 + 1, x0 + 9, y0 + 9), ink=0)
    else:
        pen.line([(x0, y0), (x0 + 10, y0 + 10)], 1.25)
        pen.line([(x0, y0 + 10), (x0 + 10, y0)], 1.25)
    return pen.mask()


def caption_button(kind):
    """SysMin.png, SysMax.png, SysClose.png: four 30 x 24 frames, alpha-blended over the header."""
    fw, fh = CAPTION_FRAME
    glyph = caption_glyph(kind)
    full = Image.new("L", (fw, fh), 255)
    frames = []
    for i in range(4):
        frame = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
        if kind == "close" and CLOSE_FILL[i]:
            paint(frame, full, CLOSE_FILL[i])
        elif CAPTION_HIGHLIGHT[i]:
            paint(frame, full, WHITE, CAPTION_HIGHLIGHT[i])
        paint(frame, glyph, WHITE, DISABLED_GLYPH if i == 3 else 1)
        frames.append(frame)
    return strip(frames)


# --- system pictures ---------------------------------------------------------------------------

SYSTEM_CARD = (290, 56)
# The card inside the frame; the margin round it holds a soft shadow.
CARD_BOX = (2, 0, 288, 53)
CARD_RADIUS = 8
EMBLEM = 40
# Where the emblem's top-left corner and the name's left edge sit inside the frame.
EMBLEM_XY = (11, 7)
NAME_X = 62


def xp_emblem():
    """A sky-and-meadow tile carrying a white four-pane window: warm, friendly, a little old."""
    s = EMBLEM
    tile = Pen(s, s)
    tile.rect((0, 0, s, s), 9)
    tile_mask = tile.mask()
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    paint(image, tile_mask, gradient(s, s, (100, 181, 246), (66, 165, 245)))
    hill = Pen(s, s)
    hill.ellipse((-14, 24, 44, 62))
    meadow = gradient(s, s, (139, 195, 74), (85, 139, 47), 24, 40)
    paint(image, ImageChops.multiply(hill.mask(), tile_mask), meadow)
    hill = Pen(s, s)
    hill.ellipse((18, 28, 70, 60))
    paint(image, ImageChops.multiply(hill.mask(), tile_mask), (104, 159, 56), 0.9)
    panes = Pen(s, s)
    four_panes(panes, s / 2, s / 2 - 1, 9, 2, 1.5)
    paint(image, panes.mask(), WHITE, 0.96)
    return image


def seven_emblem():
    """A glossy round orb carrying the same four-pane window, deeper blue than the XP tile."""
    s = EMBLEM
    c = (s - 1) / 2
    shade = Image.new("RGBA", (s, s))
    for y in range(s):
        for x in range(s):
            # Lit from the upper left.
            d = math.hypot(x - c + 6, y - c + 7) / (s * 0.75)
            shade.putpixel((x, y), mix((100, 190, 250), (13, 71, 161), min(1, d)) + (255,))
    orb = Pen(s, s)
    orb.circle(s / 2, s / 2, s / 2)
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    paint(image, orb.mask(), shade)
    rim = Pen(s, s)
    rim.ring(s / 2, s / 2, s / 2 - 1, 1.2)
    paint(image, rim.mask(), WHITE, 0.35)
    gloss = Pen(s, s)
    gloss.ellipse((8, 3, 32, 17))
    paint(image, gloss.mask(), WHITE, 0.2)
    panes = Pen(s, s)
    four_panes(panes, s / 2, s / 2 + 1, 8, 2, 1.5)
    paint(image, panes.mask(), WHITE, 0.96)
    return image


def system_card(name, tagline, emblem):
    """WinXP.png, Win7.png: one 290 x 56 frame, a light card with the system's emblem, name
    and a one-line tagline. Both share every measure so they read as a pair."""
    w, h = SYSTEM_CARD
    x0, y0, x1, y1 = CARD_BOX
    image = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    shadow = Pen(w, h)
    shadow.rect((x0 + 2, y0 + 3, x1 - 2, y1 + 1.5), CARD_RADIUS)
    paint(image, shadow.mask().filter(ImageFilter.GaussianBlur(1.2)), BODY_SHADE, 0.12)
    outer = Pen(w, h)
    outer.rect(CARD_BOX, CARD_RADIUS)
    paint(image, outer.mask(), CARD_BORDER)
    inner = Pen(w, h)
    inner.rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1), CARD_RADIUS - 1)
    paint(image, inner.mask(), WHITE)
    image.alpha_composite(emblem, EMBLEM_XY)
    paint(image, text_mask((w, h), (NAME_X, 5), name, 20, bold=True), INK)
    paint(image, text_mask((w, h), (NAME_X + 1, 32), tagline, 12), INK_SOFT)
    return image


# --- marks ---------------------------------------------------------------------------------------

def radio_mark():
    """SingleSel.png: two 20 x 20 frames, chosen (blue ring and dot) and not chosen (grey ring)."""
    s = 20
    chosen = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    disc = Pen(s, s)
    disc.circle(10, 10, 9)
    paint(chosen, disc.mask(), WHITE)
    ring = Pen(s, s)
    ring.ring(10, 10, 9, 1.7)
    ring.circle(10, 10, 4.5)
    paint(chosen, ring.mask(), ACCENT)

    empty = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    paint(empty, disc.mask(), WHITE)
    ring = Pen(s, s)
    ring.ring(10, 10, 9, 1.3)
    paint(empty, ring.mask(), MARK_GREY)
    return strip([chosen, empty])


def check_mark():
    """Sel.png: two 16 x 16 frames, clear (white box, grey border) and checked (blue, tick)."""
    s = 16
    box = Pen(s, s)
    box.rect((0, 0, s, s), 3)
    inside = Pen(s, s)
    inside.rect((1, 1, s - 1, s - 1), 2)

    clear = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    paint(clear, box.mask(), MARK_GREY)
    paint(clear, inside.mask(), WHITE)

    checked = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    paint(checked, box.mask(), ACCENT)
    tick = Pen(s, s)
    tick.line([(3.8, 8.2), (6.8, 11.2), (12.3, 5)], 1.8)
    paint(checked, tick.mask(), WHITE)
    return strip([clear, checked])


# --- start button --------------------------------------------------------------------------------

START_FRAME = (196, 56)
# The pill inside the frame; the rows below it hold the drop shadow.
START_PILL = (3, 2, 193, 50)
START_TEXT = "立即开始"
START_LOOKS = [
    # top, bottom, shadow opacity, text drop
    ((66, 165, 245), (25, 118, 210), 0.40, 0),
    ((100, 181, 246), (33, 140, 235), 0.45, 0),
    ((25, 118, 210), (13, 84, 170), 0.18, 1),
    ((196, 204, 213), (176, 186, 197), 0.0, 0),
]


def start_button():
    """Start.png: four 196 x 56 frames (normal, hover, pressed, disabled) of a rounded pill with
    the white caption in the middle."""
    fw, fh = START_FRAME
    x0, y0, x1, y1 = START_PILL
    radius = (y1 - y0) / 2
    pill = Pen(fw, fh)
    pill.rect(START_PILL, radius)
    pill_mask = pill.mask()
    shadow = Pen(fw, fh)
    shadow.rect((x0 + 6, y0 + 5, x1 - 6, y1 + 3), radius)
    shadow_mask = shadow.mask().filter(ImageFilter.GaussianBlur(2.2))
    sheen = Pen(fw, fh)
    sheen.rect((x0 + radius * 0.6, y0 + 1, x1 - radius * 0.6, y0 + 2))

    frames = []
    for i, (top, bottom, shadow_opacity, drop) in enumerate(START_LOOKS):
        frame = Image.new("RGBA", (fw, fh), (0, 0, 0, 0))
        if shadow_opacity:
            paint(frame, shadow_mask, ACCENT_DARK, shadow_opacity)
        paint(frame, pill_mask, gradient(fw, fh, top, bottom, y0, y1))
        if i != 3:
            paint(frame, sheen.mask(), WHITE, 0.25)
        label = text_mask((fw, fh), ((x0 + x1) / 2, (y0 + y1) / 2 + drop), START_TEXT, 21,
                          bold=True, anchor="mm")
        paint(frame, label, WHITE, 0.92 if i == 3 else 1)
        frames.append(frame)
    return strip(frames)


# --- tip strip -----------------------------------------------------------------------------------

TIP_SIZE = (488, 26)
TIP_TEXT = "温馨提示：重装前请备份C盘中的重要资料，重装过程无需值守"
TIP_PX = 12
TIP_FILL = (234, 241, 250)
TIP_ICON = (100, 168, 232)       # softer than the accent: a hint, not a warning
TIP_INK = (112, 124, 138)


def tip_strip():
    """TextBottom.png: one 488 x 26 frame, a pale pill with an info sign and a short tip."""
    w, h = TIP_SIZE
    image = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    pill = Pen(w, h)
    pill.rect((0, 0, w, h), h / 2)
    paint(image, pill.mask(), TIP_FILL)

    icon, gap = 14, 6
    text_width = font(TIP_PX).getlength(TIP_TEXT)
    left = round((w - icon - gap - text_width) / 2)
    cx, cy = left + icon / 2, h / 2
    sign = Pen(w, h)
    sign.circle(cx, cy, icon / 2)
    paint(image, sign.mask(), TIP_ICON)
    dot = Pen(w, h)
    dot.circle(cx, cy - 3.2, 1.1)
    dot.rect((cx - 0.9, cy - 1.2, cx + 0.9, cy + 4), 0.5)
    paint(image, dot.mask(), WHITE)
    paint(image, text_mask((w, h), (left + icon + gap, h / 2), TIP_TEXT, TIP_PX, anchor="lm"),
          TIP_INK)
    return image


# --- step indicator ------------------------------------------------------------------------------

STEP_FRAME = (820, 110)
# Circle centres: the outer two stand over the ends of the program's progress bar (client
# x = 214 and 626), the middle one over its middle.
STEP_CENTRES = (194, 400, 606)
# The circles' centre row, which leaves about as much room above as below the block.
STEP_Y = 40
STEP_R = 18
# Each step's label and the short note under it.
STEPS = [("环境检测", "检查硬件与磁盘分区"),
         ("下载系统", "获取并校验系统镜像"),
         ("准备重装", "写入引导，重启安装")]


def step_circle(frame, i, state):
    """One numbered circle: 'done' carries a tick, 'active' a halo, 'todo' stays grey."""
    w, h = STEP_FRAME
    cx = STEP_CENTRES[i]
    if state == "active":
        halo = Pen(w, h)
        halo.circle(cx, STEP_Y, STEP_R + 6)
        paint(frame, halo.mask(), ACCENT, 0.16)
    disc = Pen(w, h)
    disc.circle(cx, STEP_Y, STEP_R)
    paint(frame, disc.mask(), WHITE if state == "todo" else ACCENT)
    if state == "todo":
        ring = Pen(w, h)
        ring.ring(cx, STEP_Y, STEP_R, 2)
        paint(frame, ring.mask(), LINE_GREY)
        paint(frame, text_mask((w, h), (cx, STEP_Y), str(i + 1), 18, bold=True, anchor="mm"),
              TODO_INK)
    elif state == "active":
        paint(frame, text_mask((w, h), (cx, STEP_Y), str(i + 1), 18, bold=True, anchor="mm"),
              WHITE)
    else:
        tick = Pen(w, h)
        tick.line([(cx - 7, STEP_Y + 0.5), (cx - 2, STEP_Y + 5.5), (cx + 7.5, STEP_Y - 5)], 3,
                  round_ends=True)
        paint(frame, tick.mask(), WHITE)

    title, note = STEPS[i]
    paint(frame, text_mask((w, h), (cx, STEP_Y + STEP_R + 20), title, 15, bold=True,
                           anchor="mm"), INK if state != "todo" else TODO_INK)
    paint(frame, text_mask((w, h), (cx, STEP_Y + STEP_R + 42), note, 12, anchor="mm"),
          INK_SOFT if state != "todo" else TODO_SOFT)


def step_frame(current):
    """Steps before current are done, current is active, the rest wait."""
    w, h = STEP_FRAME
    frame = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    for i in range(len(STEPS) - 1):
        a, b = STEP_CENTRES[i] + STEP_R + 10, STEP_CENTRES[i + 1] - STEP_R - 10
        line = Pen(w, h)
        line.rect((a, STEP_Y - 1.5, b, STEP_Y + 1.5), 1.5)
        paint(frame, line.mask(), ACCENT if i < current else LINE_GREY)
    for i in range(len(STEPS)):
        step_circle(frame, i, "done" if i < current else "active" if i == current else "todo")
    return frame


def step_indicator():
    """Step.png: three 820 x 110 frames, one per step being worked on."""
    return strip([step_frame(i) for i in range(len(STEPS))])


def big_logo():
    """Logo.png: the title logo at 48 x 48, its tray drawn with raised sides now that there is
    room for them."""
    size = 48
    mask = rounded_mask(size, size, 10.5)
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    paint(image, mask, gradient(size, size, (72, 166, 240), (28, 102, 196)))
    pen = Pen(size, size)
    pen.rect((20.5, 8, 27.5, 24), 1)
    pen.polygon([(12.5, 22), (35.5, 22), (24, 33.5)])
    pen.line([(11, 30), (11, 38.5), (37, 38.5), (37, 30)], 3.4, round_ends=True)
    paint(image, pen.mask(), WHITE)
    return image


def main_window_images():
    """Every main-window image by file name, in the program's frame layout."""
    return {
        "Bkgnd.png": main_background(),
        "SysMin.png": caption_button("min"),
        "SysMax.png": caption_button("max"),
        "SysClose.png": caption_button("close"),
        "WinXP.png": system_card("Windows XP", "经典稳定 · 兼容性好", xp_emblem()),
        "Win7.png": system_card("Windows 7", "安全高效 · 界面美观", seven_emblem()),
        "SingleSel.png": radio_mark(),
        "Start.png": start_button(),
        "Sel.png": check_mark(),
        "TextBottom.png": tip_strip(),
        "Step.png": step_indicator(),
        "Logo.png": big_logo(),
    }


# --- preview -------------------------------------------------------------------------------------

# Frame counts, so the preview can cut the strips as the program does.
FRAMES = {"SysMin.png": 4, "SysMax.png": 4, "SysClose.png": 4, "SingleSel.png": 2,
          "Start.png": 4, "Sel.png": 2, "Step.png": 3}
# What both pages show: (file, frame, client x, client y).
SHARED_PLACES = [("SysMin.png", 0, 770, 1), ("SysMax.png", 3, 800, 1), ("SysClose.png", 0, 830, 1)]
PAGE1_PLACES = [("WinXP.png", 0, 116, 248), ("Win7.png", 0, 455, 248),
                ("SingleSel.png", 0, 255, 310), ("SingleSel.png", 1, 595, 310),
                ("Start.png", 0, 332, 385), ("Sel.png", 1, 350, 465),
                ("TextBottom.png", 0, 186, 510)]
PAGE2_PLACES = [("Step.png", 1, 20, 182)]
TEXT_GREY = (72, 72, 72)


def frame_of(images, name, index):
    image = images[name]
    fw = image.width // FRAMES.get(name, 1)
    return image.crop((index * fw, 0, (index + 1) * fw, image.height))


def program_text(window, client_xy, text, px, colour, bold=False, anchor="lm"):
    """A stand-in for text the program draws; client_xy is the left (or centre) of its 18 px
    line box, vertically centred."""
    x, y = client_xy
    xy = (x + CLIENT_OFFSET, y + 9 + CLIENT_OFFSET)
    paint(window, text_mask(window.size, xy, text, px, bold, anchor), colour)


def compose_page(images, places):
    window = images["Bkgnd.png"].convert("RGBA")
    for name, index, x, y in SHARED_PLACES + places:
        window.alpha_composite(frame_of(images, name, index),
                               (x + CLIENT_OFFSET, y + CLIENT_OFFSET))
    program_text(window, (15, 5), "Quorrin一键装机  V2.5", 13, WHITE, bold=True)
    program_text(window, (750, 145), "关注网站", 13, WHITE, bold=True)
    return window


def frame_window(window):
    """Clips to the window region and draws the 1 px border, as the desktop shows it."""
    w, h = window.size
    shown = Image.new("RGBA", (w, h), (58, 62, 70, 255))
    border = ImageDraw.Draw(window)
    border.rectangle((0, 0, w - 1, h - 1), outline=(16, 80, 160))
    shown.paste(window, (0, 0), rounded_mask(w, h, WINDOW_CORNER))
    return shown.convert("RGB")


def previews(images):
    page1 = compose_page(images, PAGE1_PLACES)
    program_text(page1, (430, 180),
                 "系统体检，你的操作系统安装已经超过120天，性能正在下降，建议立即更新系统。",
                 14, TEXT_GREY, anchor="mm")
    program_text(page1, (292, 310), "WinXP（推荐）", 13, TEXT_GREY, bold=True)
    program_text(page1, (625, 310), "Win7旗舰版", 13, TEXT_GREY, bold=True)
    program_text(page1, (370, 464), "设置安全上网主页", 12, TEXT_GREY)

    page2 = compose_page(images, PAGE2_PLACES)
    bar = ImageDraw.Draw(page2)
    x, y = 214 + CLIENT_OFFSET, 317 + CLIENT_OFFSET
    bar.rectangle((x, y, x + 411, y + 14), fill=(226, 232, 240))
    bar.rectangle((x, y, x + 205, y + 14), fill=ACCENT)
    program_text(page2, (634, 315), "2.35 MB/s", 12, TEXT_GREY)
    program_text(page2, (214, 340), "正在下载系统镜像，已完成 50%，请耐心等待……", 12, TEXT_GREY)
    program_text(page2, (750, 511), "最小化安装", 12, (128, 128, 128))
    return frame_window(page1), frame_window(page2)


def write_dialog_images(root):
    (root / "basedialog").mkdir(parents=True, exist_ok=True)
    background = dialog_background()
    background.save(root / "basedialog" / "msgBkgnd.png", optimize=True)
    close_button(background).save(root / "basedialog" / "msgclose.png", optimize=True)
    text_button().save(root / "basedialog" / "btn.png", optimize=True)
    logo().save(root / "Kestrin.PNG", optimize=True)


def main():
    parser = argparse.ArgumentParser(description="Draws the skin images.")
    parser.add_argument("resdir", nargs="?", type=Path,
                        default=Path(__file__).resolve().parent.parent / "res")
    parser.add_argument("--preview", type=Path, metavar="OUT.png",
                        help="write OUT-page1.png and OUT-page2.png instead of the images")
    args = parser.parse_args()
    images = main_window_images()
    if args.preview:
        out = args.preview
        for page, image in zip(("page1", "page2"), previews(images)):
            image.save(out.with_name(f"{out.stem}-{page}{out.suffix or '.png'}"))
        return
    args.resdir.mkdir(parents=True, exist_ok=True)
    write_dialog_images(args.resdir)
    for name, image in images.items():
        image.save(args.resdir / name, optimize=True)


if __name__ == "__main__":
    main()
