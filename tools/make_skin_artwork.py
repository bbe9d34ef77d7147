#!/usr/bin/python3
"""Draws Brenvale's skin: every button, background, frame, the splash and about
pictures, the image lists of the comparison page and the "LODING" animation.

Writes the pictures below resources/skin/ and the resource file resources/skin.qrc.
Needs Debian's python3-pil and fonts-dejavu-core; run it from anywhere:

    /usr/bin/python3 tools/make_skin_artwork.py

The output is deterministic, so regenerating without changes to this script gives
the same files.
"""

import math
import os
import shutil
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "skin")
QRC = os.path.join(ROOT, "resources", "skin.qrc")

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
REGULAR = os.path.join(FONT_DIR, "DejaVuSans.ttf")
BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")

# Shapes are drawn this many times larger and scaled down, which smooths their edges.
SS = 4

# One palette for the whole skin.
NAVY = (31, 58, 102)          # title bands, header
NAVY_DARK = (22, 42, 76)      # tab row, outer window line
NAVY_LIGHT = (52, 88, 140)    # hover on navy
BRAND = (46, 86, 146)         # primary buttons, progress bar colour of the page
BRAND_HOVER = (66, 118, 194)
TEAL = (28, 140, 132)         # the sync action and the logo
TEAL_HOVER = (36, 170, 158)
INK = (33, 43, 54)
MUTED = (96, 110, 128)
LINE = (170, 183, 202)
SOFT_LINE = (214, 221, 232)
PAPER = (255, 255, 255)
SOFT = (243, 246, 250)
HOVER_TINT = (212, 227, 249)
DANGER = (208, 62, 56)
DISABLED_FILL = (228, 232, 238)
DISABLED_TEXT = (150, 160, 174)
ON_NAVY_TEXT = (222, 231, 244)

COPYRIGHT = "\u00a9 2026 The Brenvale developers. All rights reserved."

written = []  # resource paths below OUT, for the .qrc


def font(path, size):
    return ImageFont.truetype(path, size)


def canvas(w, h, colour):
    """A supersampled RGB canvas."""
    return Image.new("RGB", (w * SS, h * SS), colour)


def shrink(img, w, h):
    return img.resize((w, h), Image.LANCZOS)


def box(x0, y0, x1, y1):
    """A rectangle given in output pixels, scaled to the supersampled canvas."""
    return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]


def text_size(draw, text, fnt):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=fnt)
    return right - left, bottom - top, left, top


def draw_centred(img, text, fnt, colour, area=None, dy=0):
    """Draws text centred in area (x0, y0, x1, y1) of a full-size image."""
    draw = ImageDraw.Draw(img)
    if area is None:
        area = (0, 0, img.width, img.height)
    w, h, left, top = text_size(draw, text, fnt)
    x = area[0] + (area[2] - area[0] - w) / 2 - left
    y = area[1] + (area[3] - area[1] - h) / 2 - top + dy
    draw.text((round(x), round(y)), text, font=fnt, fill=colour)


def save_jpg(img, name):
    path = os.path.join(OUT, name + ".jpg")
    img.convert("RGB").save(path, "JPEG", quality=92, subsampling=0, optimize=True)
    written.append(name + ".jpg")


def save_png(img, relative):
    path = os.path.join(OUT, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, "PNG", optimize=True)
    written.append(relative)


# ---------------------------------------------------------------- buttons

STYLES = {
    # name: (fill, border, text) for normal and hover
    "primary": ((BRAND, BRAND, PAPER), (BRAND_HOVER, BRAND_HOVER, PAPER)),
    "sync": ((TEAL, TEAL, PAPER), (TEAL_HOVER, TEAL_HOVER, PAPER)),
    "secondary": ((PAPER, LINE, BRAND), (HOVER_TINT, BRAND, BRAND)),
    "disabled": ((DISABLED_FILL, DISABLED_FILL, DISABLED_TEXT),) * 2,
}


def button(w, h, caption, style, hover, size=12, backdrop=PAPER, icon=None):
    fill, border, text = STYLES[style][1 if hover else 0]
    img = canvas(w, h, backdrop)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(box(0, 0, w, h), radius=4 * SS, fill=border)
    d.rounded_rectangle(box(1, 1, w - 1, h - 1), radius=3 * SS, fill=fill)
    if hover and style in ("primary", "sync"):
        # A light line along the bottom edge makes the hover look lift off.
        d.rectangle(box(3, h - 2, w - 3, h - 1), fill=tuple(min(255, c + 40) for c in fill))
    img = shrink(img, w, h)
    fnt = font(BOLD, size)
    if icon == "plus":
        draw = ImageDraw.Draw(img)
        tw, _, _, _ = text_size(draw, caption, fnt)
        total = tw + 14
        x0 = (w - total) / 2
        cy = h / 2
        draw.rectangle([round(x0), round(cy - 1), round(x0 + 8), round(cy)], fill=text)
        draw.rectangle([round(x0 + 3.5), round(cy - 4.5), round(x0 + 4.5), round(cy + 3.5)],
                       fill=text)
        draw_centred(img, caption, fnt, text, (x0 + 14, 0, x0 + total, h))
    else:
        draw_centred(img, caption, fnt, text)
    return img


def hover_pair(name, w, h, caption, style, **kw):
    save_jpg(button(w, h, caption, style, False, **kw), name + "1")
    save_jpg(button(w, h, caption, style, True, **kw), name + "2")


def menu_button(name, w, h, caption):
    """The header's menu buttons: white text on the header, a lighter block on hover."""
    fnt = font(REGULAR, 13)
    for index, hover in ((1, False), (2, True)):
        img = canvas(w, h, NAVY)
        d = ImageDraw.Draw(img)
        if hover:
            d.rounded_rectangle(box(2, 3, w - 2, h - 3), radius=4 * SS, fill=NAVY_LIGHT)
            d.rectangle(box(12, h - 6, w - 12, h - 4), fill=TEAL_HOVER)
        img = shrink(img, w, h)
        draw = ImageDraw.Draw(img)
        tw, _, _, _ = text_size(draw, caption, fnt)
        # Caption and a small chevron, since each button opens a menu.
        total = tw + 12
        x0 = (w - total) / 2
        draw_centred(img, caption, fnt, PAPER if hover else ON_NAVY_TEXT, (x0, 0, x0 + tw, h), -1)
        cx, cy = x0 + tw + 8, h / 2
        draw.polygon([(cx - 3, cy - 1.5), (cx + 3, cy - 1.5), (cx, cy + 1.5)],
                     fill=PAPER if hover else ON_NAVY_TEXT)
        save_jpg(img, name + str(index))


def glyph_button(name, w, h, glyph, backdrop, ink, hover_fill, hover_ink):
    """Small window buttons (close, minimise, maximise) of 22 x 17 and the like."""
    for index, hover in ((1, False), (2, True)):
        img = canvas(w, h, backdrop)
        d = ImageDraw.Draw(img)
        colour = hover_ink if hover else ink
        if hover:
            d.rounded_rectangle(box(0, 0, w, h), radius=3 * SS, fill=hover_fill)
        cx, cy = w * SS / 2, h * SS / 2
        s = 4 * SS  # half the glyph's extent
        lw = round(1.5 * SS)
        if glyph == "close":
            d.line([(cx - s, cy - s), (cx + s, cy + s)], fill=colour, width=lw)
            d.line([(cx - s, cy + s), (cx + s, cy - s)], fill=colour, width=lw)
        elif glyph == "min":
            d.line([(cx - s, cy + s - lw / 2), (cx + s, cy + s - lw / 2)], fill=colour, width=lw)
        elif glyph == "max":
            d.rectangle([cx - s, cy - s, cx + s, cy + s], outline=colour, width=lw)
        elif glyph == "plus":
            s = 6 * SS
            lw = 2 * SS
            d.line([(cx - s, cy), (cx + s, cy)], fill=colour, width=lw)
            d.line([(cx, cy - s), (cx, cy + s)], fill=colour, width=lw)
        elif glyph in ("left", "right"):
            sign = -1 if glyph == "left" else 1
            d.polygon([(cx - sign * 2 * SS, cy - 3 * SS), (cx + sign * 2 * SS, cy),
                       (cx - sign * 2 * SS, cy + 3 * SS)], fill=colour)
        save_jpg(shrink(img, w, h), name + str(index))


def tab(name, current):
    """Job tabs and the page selector buttons (126 x 28); captions are drawn over them."""
    w, h = 126, 28
    img = canvas(w, h, NAVY_DARK)
    d = ImageDraw.Draw(img)
    fill = BRAND_HOVER if current else (62, 84, 120)
    d.rounded_rectangle(box(1, 3, w - 2, h + 6), radius=5 * SS, fill=fill)
    if current:
        d.rectangle(box(1, h - 3, w - 2, h), fill=TEAL_HOVER)
    save_jpg(shrink(img, w, h), name)


# ---------------------------------------------------------------- logo

def logo_mark(size, badge=TEAL, ink=PAPER):
    """Brenvale's mark: two arrows chasing each other on a rounded badge (RGBA)."""
    big = size * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, big - 1, big - 1], radius=big * 0.24, fill=badge)
    c = big / 2
    r = big * 0.27
    width = max(SS, round(big * 0.085))
    for start in (200, 20):
        d.arc([c - r, c - r, c + r, c + r], start, start + 125, fill=ink, width=width)
        # Arrowhead at the end of the arc, pointing along the direction of travel.
        end = math.radians(start + 125)
        ex, ey = c + r * math.cos(end), c + r * math.sin(end)
        tx, ty = -math.sin(end), math.cos(end)  # tangent (clockwise in image space)
        nx, ny = math.cos(end), math.sin(end)
        a = big * 0.13
        d.polygon([(ex + tx * a, ey + ty * a),
                   (ex - nx * a * 0.9, ey - ny * a * 0.9),
                   (ex + nx * a * 0.9, ey + ny * a * 0.9)], fill=ink)
    return img.resize((size, size), Image.LANCZOS)


def wordmark(img, x, y, size, colour=PAPER):
    d = ImageDraw.Draw(img)
    d.text((x, y), "Brenvale", font=font(BOLD, size), fill=colour)


# ---------------------------------------------------------------- backgrounds

def dialog_back(w, h, title, extra=None):
    """A dialog's background: a navy title band, a white body and an outer line."""
    img = canvas(w, h, PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle(box(0, 0, w, 30), fill=NAVY)
    if extra:
        extra(d)
    d.rectangle(box(0, 0, w, h), outline=NAVY_DARK, width=SS)
    img = shrink(img, w, h)
    if title:
        mark = logo_mark(18)
        img.paste(mark, (8, 6), mark)
        ImageDraw.Draw(img).text((34, 7), title, font=font(BOLD, 13), fill=PAPER)
    return img


def chooser_back():
    def extra(d):
        # The frame of the borderless address field (the edit sits at 73, 41, 541 x 19).
        d.rounded_rectangle(box(70, 37, 619, 64), radius=3 * SS, fill=PAPER, outline=LINE,
                            width=SS)
        # A separator above the buttons.
        d.rectangle(box(1, 382, 639, 383), fill=SOFT_LINE)

    save_jpg(dialog_back(640, 440, "Choose a folder", extra), "ChooseRoForm")


def option_back():
    """The options dialog has a white header with a blue rule; its close picture differs."""
    w, h = 500, 385
    img = canvas(w, h, PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle(box(0, 30, w, 32), fill=BRAND)
    d.rectangle(box(0, 0, w, h), outline=NAVY_DARK, width=SS)
    img = shrink(img, w, h)
    mark = logo_mark(18, badge=BRAND)
    img.paste(mark, (8, 6), mark)
    ImageDraw.Draw(img).text((34, 7), "Options", font=font(BOLD, 13), fill=NAVY)
    save_jpg(img, "OptionFrm")


def schedule_back():
    """The schedule dialog draws its own title (Label9) on the band; its panel is white."""
    w, h = 488, 333
    img = canvas(w, h, SOFT)
    d = ImageDraw.Draw(img)
    d.rectangle(box(0, 0, w, 30), fill=NAVY)
    d.rectangle(box(0, 0, w, h), outline=NAVY_DARK, width=SS)
    save_jpg(shrink(img, w, h), "ScheduleManagerForm")


def editor_back():
    save_jpg(dialog_back(570, 550, "Sync job"), "CreatTaskForm")


def folder_box():
    """Behind the comparison page's read-only folder fields (279 x 30)."""
    w, h = 279, 30
    img = canvas(w, h, PAPER)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(box(0, 0, w, h), radius=4 * SS, fill=SOFT, outline=LINE, width=SS)
    d.rounded_rectangle(box(1, 1, 6, h - 1), radius=3 * SS, fill=BRAND)
    d.rectangle(box(4, 1, 6, h - 1), fill=SOFT)
    save_jpg(shrink(img, w, h), "FolderBox")


def splash():
    w, h = 450, 250
    img = canvas(w, h, NAVY)
    d = ImageDraw.Draw(img)
    # A few soft diagonal bands for depth, still flat colours.
    d.polygon([(300 * SS, 0), (450 * SS, 0), (450 * SS, 250 * SS), (180 * SS, 250 * SS)],
              fill=(35, 65, 112))
    d.polygon([(380 * SS, 0), (450 * SS, 0), (450 * SS, 250 * SS), (300 * SS, 250 * SS)],
              fill=(40, 73, 124))
    d.rectangle(box(0, 246, w, 250), fill=TEAL)
    img = shrink(img, w, h)
    mark = logo_mark(64)
    img.paste(mark, (36, 58), mark)
    wordmark(img, 116, 58, 40)
    draw = ImageDraw.Draw(img)
    draw.text((118, 108), "Keeps pairs of folders in step", font=font(REGULAR, 14),
              fill=ON_NAVY_TEXT)
    draw.text((36, 170), "Starting\u2026", font=font(REGULAR, 12), fill=(170, 190, 220))
    draw.text((36, 222), COPYRIGHT, font=font(REGULAR, 10), fill=(150, 170, 204))
    save_jpg(img, "Splash")


def about():
    w, h = 490, 349
    img = canvas(w, h, PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle(box(0, 0, w, 172), fill=NAVY)
    d.polygon([(330 * SS, 0), (490 * SS, 0), (490 * SS, 172 * SS), (220 * SS, 172 * SS)],
              fill=(35, 65, 112))
    d.rectangle(box(0, 172, w, 176), fill=TEAL)
    d.rectangle(box(0, 0, w, h), outline=NAVY_DARK, width=SS)
    img = shrink(img, w, h)
    mark = logo_mark(72)
    img.paste(mark, (34, 48), mark)
    wordmark(img, 124, 50, 44)
    draw = ImageDraw.Draw(img)
    draw.text((127, 106), "Keeps pairs of folders in step", font=font(REGULAR, 15),
              fill=ON_NAVY_TEXT)
    body = font(REGULAR, 12)
    lines = [
        ("Two-way and one-way synchronisation of folder", INK),
        ("trees, with filters, timed runs and kept versions", INK),
        ("of every overwritten file.", INK),
    ]
    y = 196
    for text, colour in lines:
        draw.text((34, y), text, font=body, fill=colour)
        y += 18
    small = font(REGULAR, 10)
    draw.line([(34, 268), (330, 268)], fill=SOFT_LINE, width=1)
    notices = [
        COPYRIGHT,
        "Brenvale is provided \u201cas is\u201d, without warranty of any",
        "kind. Keep a backup of data you cannot replace.",
    ]
    y = 278
    for text in notices:
        draw.text((34, y), text, font=small, fill=MUTED)
        y += 15
    save_jpg(img, "About")


def main_window_pieces():
    # Header: the left picture carries the product mark; the middle is stretched and
    # the right end closes the frame. Menu and window buttons lie on the flat navy.
    w, h = 436, 111
    img = canvas(w, h, NAVY)
    img = shrink(img, w, h)
    mark = logo_mark(52)
    img.paste(mark, (22, 30), mark)
    wordmark(img, 88, 28, 32)
    ImageDraw.Draw(img).text((91, 70), "Keeps pairs of folders in step", font=font(REGULAR, 12),
                             fill=(170, 190, 220))
    outline_left(img)
    save_jpg(img, "imgHeader")

    mid = Image.new("RGB", (16, 111), NAVY)
    ImageDraw.Draw(mid).line([(0, 0), (15, 0)], fill=NAVY_DARK)
    save_jpg(mid, "HeaderMiddle")
    right = Image.new("RGB", (23, 111), NAVY)
    rd = ImageDraw.Draw(right)
    rd.line([(0, 0), (22, 0)], fill=NAVY_DARK)
    rd.line([(22, 0), (22, 110)], fill=NAVY_DARK)
    save_jpg(right, "HeaderRight")

    # Tab row: a darker strip under the header; tabs and the add button lie on it.
    save_jpg(Image.new("RGB", (16, 28), NAVY_DARK), "TabRow")
    tr = Image.new("RGB", (23, 28), NAVY_DARK)
    save_jpg(tr, "TabRowRight")

    # Side frames and bottom bar: light, with the window's outer line.
    frame = SOFT
    fl = Image.new("RGB", (10, 16), frame)
    ImageDraw.Draw(fl).line([(0, 0), (0, 15)], fill=NAVY_DARK)
    save_jpg(fl, "FrameLeft")
    fr = Image.new("RGB", (19, 16), frame)
    ImageDraw.Draw(fr).line([(18, 0), (18, 15)], fill=NAVY_DARK)
    save_jpg(fr, "FrameRight")
    bl = Image.new("RGB", (23, 24), frame)
    bd = ImageDraw.Draw(bl)
    bd.line([(0, 0), (0, 23)], fill=NAVY_DARK)
    bd.line([(0, 23), (22, 23)], fill=NAVY_DARK)
    save_jpg(bl, "BottomLeft")
    bm = Image.new("RGB", (16, 24), frame)
    ImageDraw.Draw(bm).line([(0, 23), (15, 23)], fill=NAVY_DARK)
    save_jpg(bm, "BottomMiddle")
    br = Image.new("RGB", (23, 24), frame)
    bd = ImageDraw.Draw(br)
    bd.line([(22, 0), (22, 23)], fill=NAVY_DARK)
    bd.line([(0, 23), (22, 23)], fill=NAVY_DARK)
    # A grip in the corner hints that the window can be resized.
    for i in range(3):
        for j in range(i + 1):
            bd.rectangle([17 - 4 * j, 18 - 4 * (i - j) - 0, 18 - 4 * j, 19 - 4 * (i - j)],
                         fill=LINE)
    save_jpg(br, "BottomRight")


def outline_left(img):
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (img.width - 1, 0)], fill=NAVY_DARK)
    d.line([(0, 0), (0, img.height - 1)], fill=NAVY_DARK)


# ---------------------------------------------------------------- image lists

ICON = 16
IS = 8  # image-list pictures are drawn 8 times larger


def icon_canvas():
    return Image.new("RGBA", (ICON * IS, ICON * IS), (0, 0, 0, 0))


def p(x, y):
    return (x * IS, y * IS)


def arrow_shape(d, direction, colour, outline_only=False):
    """A bold arrow across the 16 x 16 cell, pointing right or left."""
    pts = [(2, 6.5), (8.5, 6.5), (8.5, 3), (14, 8), (8.5, 13), (8.5, 9.5), (2, 9.5)]
    if direction == "left":
        pts = [(16 - x, y) for x, y in pts]
    poly = [p(x, y) for x, y in pts]
    if outline_only:
        d.polygon(poly, fill=(255, 255, 255, 255))
        d.line(poly + [poly[0]], fill=colour, width=round(1.4 * IS), joint="curve")
    else:
        d.polygon(poly, fill=colour)


def draw_icon(kind):
    img = icon_canvas()
    d = ImageDraw.Draw(img)
    blue = BRAND_HOVER + (255,)
    grey = (150, 158, 170, 255)
    teal = TEAL + (255,)
    if kind == "empty":
        pass
    elif kind == "question":
        d.ellipse([p(1, 1), p(15, 15)], fill=(206, 52, 48, 255))
        f = font(BOLD, 12 * IS)
        bb = d.textbbox((0, 0), "?", font=f)
        d.text(((16 * IS - (bb[2] - bb[0])) / 2 - bb[0], (16 * IS - (bb[3] - bb[1])) / 2 - bb[1]),
               "?", font=f, fill=(255, 255, 255, 255))
    elif kind == "warning":
        d.polygon([p(8, 1), p(15.3, 14.5), p(0.7, 14.5)], fill=(232, 170, 20, 255))
        d.rectangle([p(7.1, 5), p(8.9, 10.2)], fill=(40, 40, 40, 255))
        d.rectangle([p(7.1, 11.5), p(8.9, 13.1)], fill=(40, 40, 40, 255))
    elif kind == "folder":
        d.rounded_rectangle([p(1, 3), p(7, 6)], radius=IS, fill=(214, 160, 40, 255))
        d.rectangle([p(1, 4.5), p(14, 13.5)], fill=(214, 160, 40, 255))
        d.polygon([p(3.2, 7), p(15.5, 7), p(13.5, 13.5), p(1, 13.5)], fill=(246, 196, 72, 255))
    elif kind == "document":
        d.polygon([p(3, 1), p(10, 1), p(13.5, 4.5), p(13.5, 15), p(3, 15)],
                  fill=(255, 255, 255, 255), outline=(110, 120, 136, 255))
        d.line([p(3, 1), p(10, 1), p(13.5, 4.5), p(13.5, 15), p(3, 15), p(3, 1)],
               fill=(110, 120, 136, 255), width=IS)
        d.polygon([p(10, 1), p(10, 4.5), p(13.5, 4.5)], fill=(200, 208, 220, 255))
        for y in (7, 9.5, 12):
            d.line([p(5, y), p(11.5, y)], fill=(150, 160, 176, 255), width=IS)
    elif kind == "curved":
        c, r = 8 * IS, 5.2 * IS
        w = round(1.9 * IS)
        for start in (200, 20):
            d.arc([c - r, c - r, c + r, c + r], start, start + 120, fill=BRAND + (255,), width=w)
            end = math.radians(start + 120)
            ex, ey = c + r * math.cos(end), c + r * math.sin(end)
            tx, ty = -math.sin(end), math.cos(end)
            nx, ny = math.cos(end), math.sin(end)
            a = 2.6 * IS
            d.polygon([(ex + tx * a, ey + ty * a), (ex - nx * a, ey - ny * a),
                       (ex + nx * a, ey + ny * a)], fill=BRAND + (255,))
    elif kind == "blue-right":
        arrow_shape(d, "right", blue)
    elif kind == "grey-right":
        arrow_shape(d, "right", grey)
    elif kind == "blue-left":
        arrow_shape(d, "left", blue)
    elif kind == "grey-left":
        arrow_shape(d, "left", grey)
    elif kind == "hbars":
        g = (52, 150, 92, 255)
        d.rounded_rectangle([p(2, 4.5), p(14, 7)], radius=IS, fill=g)
        d.rounded_rectangle([p(2, 9), p(14, 11.5)], radius=IS, fill=g)
    elif kind == "vbars":
        o = (222, 132, 30, 255)
        d.rounded_rectangle([p(4.5, 2.5), p(7, 13.5)], radius=IS, fill=o)
        d.rounded_rectangle([p(9, 2.5), p(11.5, 13.5)], radius=IS, fill=o)
    elif kind == "cross":
        k = (36, 36, 40, 255)
        w = round(2.4 * IS)
        d.line([p(3.5, 3.5), p(12.5, 12.5)], fill=k, width=w)
        d.line([p(3.5, 12.5), p(12.5, 3.5)], fill=k, width=w)
    elif kind == "teal-right":
        arrow_shape(d, "right", teal, outline_only=True)
    elif kind == "teal-left":
        arrow_shape(d, "left", teal, outline_only=True)
    else:
        raise ValueError(kind)
    return img


def with_shadow(img):
    """The hover look of an image-list picture: the same picture over a soft shadow."""
    alpha = img.split()[3]
    shadow = Image.new("RGBA", img.size, (40, 48, 60, 0))
    mask = alpha.point(lambda v: v * 0.55)
    shifted = Image.new("L", img.size, 0)
    shifted.paste(mask, (round(1.2 * IS), round(1.2 * IS)))
    shifted = shifted.filter(ImageFilter.GaussianBlur(0.8 * IS))
    shadow.putalpha(shifted)
    out = Image.alpha_composite(shadow, img)
    return out


def image_list1():
    """The comparison page's 25 built-in pictures, in index order."""
    singles = ["empty", "question", "warning", "folder", "document"]
    pairs = ["curved", "blue-right", "grey-right", "blue-left", "grey-left", "hbars", "vbars",
             "cross", "teal-right", "teal-left"]
    pictures = [draw_icon(k) for k in singles]
    for kind in pairs:
        normal = draw_icon(kind)
        pictures.append(with_shadow(normal))  # odd index: hover look
        pictures.append(normal)
    assert len(pictures) == 25
    for index, pic in enumerate(pictures):
        save_png(pic.resize((ICON, ICON), Image.LANCZOS), "ImageList1/%02d.png" % index)


def iml_button():
    """The page's direction indicator (55 x 16): none, both ways, to the right, to the left."""
    w, h = 55, 16
    for index in range(4):
        img = Image.new("RGBA", (w * IS, h * IS), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        colour = BRAND + (255,)
        y0, y1 = 6.5 * IS, 9.5 * IS
        if index in (1, 2, 3):
            x0 = 10 * IS if index in (1, 3) else 3 * IS
            x1 = 45 * IS if index in (1, 2) else 52 * IS
            d.rectangle([x0, y0, x1, y1], fill=colour)
        if index in (1, 2):  # head at the right
            d.polygon([(44 * IS, 2 * IS), (53 * IS, 8 * IS), (44 * IS, 14 * IS)], fill=colour)
        if index in (1, 3):  # head at the left
            d.polygon([(11 * IS, 2 * IS), (2 * IS, 8 * IS), (11 * IS, 14 * IS)], fill=colour)
        save_png(img.resize((w, h), Image.LANCZOS), "iml_button/%02d.png" % index)


# ---------------------------------------------------------------- animation

def loding():
    """A 32 x 32 busy spinner on white, looping forever."""
    size, dots, frames = 32, 8, 8
    images = []
    for f in range(frames):
        img = Image.new("RGB", (size * SS * 2, size * SS * 2), PAPER)
        d = ImageDraw.Draw(img)
        c = size * SS
        r = 11 * SS * 2
        for i in range(dots):
            age = (f - i) % dots  # 0 = the leading dot
            t = 1 - age / dots
            colour = tuple(round(255 + (b - 255) * t) for b in BRAND)
            a = math.radians(i * 360 / dots - 90)
            x, y = c + r * math.cos(a), c + r * math.sin(a)
            dr = (2.2 + 1.2 * t) * SS * 2
            d.ellipse([x - dr, y - dr, x + dr, y + dr], fill=colour)
        images.append(img.resize((size, size), Image.LANCZOS).convert(
            "P", palette=Image.ADAPTIVE, colors=32))
    path = os.path.join(OUT, "LODING.gif")
    images[0].save(path, save_all=True, append_images=images[1:], duration=90, loop=0,
                   optimize=False, disposal=1)
    written.append("LODING.gif")


def app_icon():
    save_png(logo_mark(64), "icon/brenvale.png")


# ---------------------------------------------------------------- everything

def buttons():
    # Comparison page
    hover_pair("BitBtn_Analyze", 95, 35, "Analyze", "primary", size=13)
    hover_pair("BitBtn_Sync", 95, 35, "Sync", "sync", size=13)
    hover_pair("BitBtn_cancel", 95, 35, "Cancel", "secondary", size=13)
    # Disabled looks for the page's three action buttons (PicDisabled).
    for name, caption in (("BitBtn_Analyze", "Analyze"), ("BitBtn_Sync", "Sync"),
                          ("BitBtn_cancel", "Cancel")):
        save_jpg(button(95, 35, caption, "disabled", False, size=13), name + "0")
    hover_pair("Browse", 66, 25, "Browse", "secondary", size=11)
    # Dialogs
    hover_pair("Ok", 66, 25, "OK", "primary")
    hover_pair("Cancel", 66, 25, "Cancel", "secondary", size=11)
    hover_pair("apply", 66, 25, "Apply", "primary")
    hover_pair("MakeFolderButton", 138, 25, "Make New Folder", "secondary", size=11, icon="plus")
    hover_pair("CheckUpdateBtn", 84, 25, "Check now", "secondary", size=11)
    hover_pair("AddScheduleBtn", 66, 25, "Add", "secondary", size=11)
    hover_pair("RemoveScheduleBtn", 66, 25, "Remove", "secondary", size=11)
    hover_pair("ClearAllBtn", 66, 25, "Clear All", "secondary", size=10)
    glyph_button("SMCLoseBtn", 22, 17, "close", NAVY, ON_NAVY_TEXT, DANGER, PAPER)
    glyph_button("OSMCLoseBtn", 22, 17, "close", PAPER, MUTED, DANGER, PAPER)
    # Main window
    for name, w, caption in (("jobbutton", 75, "Job"), ("actionbutton", 77, "Action"),
                             ("viewbutton", 69, "View"), ("toolsbutton", 70, "Tools"),
                             ("HelpButton", 83, "Help")):
        menu_button(name, w, 35, caption)
    glyph_button("MinBtn", 22, 17, "min", NAVY, ON_NAVY_TEXT, NAVY_LIGHT, PAPER)
    glyph_button("BigBtn", 22, 17, "max", NAVY, ON_NAVY_TEXT, NAVY_LIGHT, PAPER)
    glyph_button("CloseBtn", 22, 17, "close", NAVY, ON_NAVY_TEXT, DANGER, PAPER)
    glyph_button("bt_addtask", 40, 28, "plus", NAVY_DARK, ON_NAVY_TEXT, NAVY_LIGHT, PAPER)
    glyph_button("moveLeftButton", 5, 10, "left", NAVY_DARK, ON_NAVY_TEXT, NAVY_DARK, PAPER)
    glyph_button("MoveRightButton", 5, 10, "right", NAVY_DARK, ON_NAVY_TEXT, NAVY_DARK, PAPER)
    tab("ieb1", False)
    tab("ieb2", True)


def write_qrc():
    lines = ['<!DOCTYPE RCC>', '<!-- Written by tools/make_skin_artwork.py. -->',
             '<RCC version="1.0">', '<qresource prefix="/skin">']
    for relative in sorted(written, key=str.lower):
        lines.append('    <file alias="%s">skin/%s</file>' % (relative, relative))
    lines += ['</qresource>', '</RCC>', '']
    with open(QRC, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def main():
    for needed in (REGULAR, BOLD):
        if not os.path.exists(needed):
            sys.exit("missing font %s (install fonts-dejavu-core)" % needed)
    if os.path.isdir(OUT):
        shutil.rmtree(OUT)
    os.makedirs(OUT)
    buttons()
    main_window_pieces()
    chooser_back()
    option_back()
    schedule_back()
    editor_back()
    folder_box()
    splash()
    about()
    image_list1()
    iml_button()
    loding()
    app_icon()
    write_qrc()
    total = sum(os.path.getsize(os.path.join(OUT, r)) for r in written)
    print("%d pictures, %d bytes, in %s" % (len(written), total, OUT))


if __name__ == "__main__":
    main()
