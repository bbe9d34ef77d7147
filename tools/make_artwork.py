#!/usr/bin/python3
"""Draws Brenvale's skin: button pictures in pairs (normal, pointer over it),
window backgrounds and frames, the splash and about pictures, the sixteen-pixel
pictures of the comparison page and the "working" animation.

Usage: tools/make_artwork.py [OUTPUT_FOLDER]   (default: resources/skin)
Needs Python 3 with PIL (Debian: python3-pil) and the DejaVu fonts
(fonts-dejavu-core). The pictures it writes are committed, so that building
Brenvale needs neither."""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
INK = (33, 47, 61)          # dark slate: text
BRAND = (46, 86, 146)       # Brenvale blue, also the progress bar
BRAND_DARK = (30, 62, 112)
ACCENT = (0, 150, 136)      # teal
PAPER = (255, 255, 255)
MIST = (238, 242, 247)      # light panels
LINE = (205, 214, 226)
DANGER = (200, 55, 55)
QUIET = (120, 130, 142)


def font(size, bold=True):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def centred_text(draw, box, text, size, fill, bold=True):
    f = font(size, bold)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=f)
    x = box[0] + (box[2] - box[0] - (right - left)) / 2 - left
    y = box[1] + (box[3] - box[1] - (bottom - top)) / 2 - top
    draw.text((x, y), text, font=f, fill=fill)


def fit_size(text, width, height, start):
    size = start
    probe = ImageDraw.Draw(Image.new("RGB", (1, 1)))
    while size > 7:
        l, t, r, b = probe.textbbox((0, 0), text, font=font(size))
        if r - l <= width - 8 and b - t <= height - 6:
            break
        size -= 1
    return size


def button(width, height, caption, hover, primary=False):
    """A flat rounded button; the hover look is filled and lifted."""
    img = Image.new("RGB", (width, height), PAPER)
    d = ImageDraw.Draw(img)
    radius = min(6, height // 3)
    if primary:
        fill = BRAND_DARK if hover else BRAND
        outline, ink = fill, PAPER
    else:
        fill = BRAND if hover else MIST
        outline = BRAND if hover else LINE
        ink = PAPER if hover else INK
    d.rounded_rectangle((0, 0, width - 1, height - 1), radius, fill=fill, outline=outline)
    if hover:
        d.line((radius, height - 2, width - radius, height - 2), fill=ACCENT, width=2)
    size = fit_size(caption, width, height, max(8, height // 2))
    centred_text(d, (0, 0, width, height - 1), caption, size, ink)
    return img


def close_button(hover, dark=False):
    img = Image.new("RGB", (22, 17), DANGER if hover else (PAPER if not dark else BRAND))
    d = ImageDraw.Draw(img)
    ink = PAPER if (hover or dark) else QUIET
    d.line((7, 4, 14, 12), fill=ink, width=2)
    d.line((14, 4, 7, 12), fill=ink, width=2)
    return img


def menu_button(width, height, caption, hover):
    img = Image.new("RGB", (width, height), BRAND_DARK if hover else BRAND)
    d = ImageDraw.Draw(img)
    if hover:
        d.rectangle((0, height - 3, width, height), fill=ACCENT)
    centred_text(d, (0, 0, width, height - 2), caption, 12, PAPER)
    return img


def window_button(kind, hover):
    img = Image.new("RGB", (24, 20), DANGER if (hover and kind == "close") else
                    (BRAND_DARK if hover else BRAND))
    d = ImageDraw.Draw(img)
    if kind == "min":
        d.line((7, 14, 17, 14), fill=PAPER, width=2)
    elif kind == "max":
        d.rectangle((7, 5, 17, 14), outline=PAPER, width=2)
    else:
        d.line((7, 5, 17, 15), fill=PAPER, width=2)
        d.line((17, 5, 7, 15), fill=PAPER, width=2)
    return img


def tab(current):
    img = Image.new("RGB", (126, 28), BRAND if current else (96, 128, 176))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 125, 27), outline=BRAND_DARK)
    if current:
        d.rectangle((1, 24, 124, 27), fill=ACCENT)
    return img


def add_tab(hover):
    img = Image.new("RGB", (40, 28), ACCENT if hover else BRAND)
    d = ImageDraw.Draw(img)
    d.line((20, 7, 20, 21), fill=PAPER, width=3)
    d.line((13, 14, 27, 14), fill=PAPER, width=3)
    return img


def logo(d, x, y, scale=1.0):
    """Two interlocking arrows in a rounded square: the Brenvale mark."""
    s = int(64 * scale)
    d.rounded_rectangle((x, y, x + s, y + s), int(14 * scale), fill=BRAND)
    m = s // 2
    w = max(3, int(6 * scale))
    d.line((x + s * 0.22, y + m - s * 0.12, x + s * 0.74, y + m - s * 0.12), fill=PAPER, width=w)
    d.polygon([(x + s * 0.70, y + m - s * 0.26), (x + s * 0.86, y + m - s * 0.12),
               (x + s * 0.70, y + m + s * 0.02)], fill=PAPER)
    d.line((x + s * 0.26, y + m + s * 0.14, x + s * 0.78, y + m + s * 0.14), fill=ACCENT, width=w)
    d.polygon([(x + s * 0.30, y + m), (x + s * 0.14, y + m + s * 0.14),
               (x + s * 0.30, y + m + s * 0.28)], fill=ACCENT)


def dialog_background(width, height, title):
    img = Image.new("RGB", (width, height), PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, width - 1, 30), fill=BRAND)
    d.rectangle((0, 31, width - 1, 32), fill=ACCENT)
    d.rectangle((0, 0, width - 1, height - 1), outline=BRAND_DARK)
    d.text((12, 7), title, font=font(13), fill=PAPER)
    return img


def splash():
    img = Image.new("RGB", (450, 250), PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 449, 249), outline=BRAND)
    d.rectangle((0, 200, 449, 249), fill=MIST)
    logo(d, 40, 60, 1.3)
    d.text((140, 62), "Brenvale", font=font(44), fill=BRAND)
    d.text((142, 120), "Two folders, kept in step.", font=font(16, False), fill=INK)
    d.text((20, 212), "Copyright (c) 2026 the Brenvale developers. All rights reserved.",
           font=font(10, False), fill=QUIET)
    d.text((20, 228), "Starting...", font=font(10, False), fill=QUIET)
    return img


def about():
    img = Image.new("RGB", (490, 349), PAPER)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 489, 120), fill=BRAND)
    d.rectangle((0, 121, 489, 124), fill=ACCENT)
    d.rectangle((0, 0, 489, 348), outline=BRAND_DARK)
    logo(d, 30, 28, 1.0)
    d.rounded_rectangle((29, 27, 95, 93), 14, outline=PAPER, width=2)
    d.text((112, 34), "Brenvale", font=font(34), fill=PAPER)
    d.text((114, 80), "Folder synchronisation", font=font(14, False), fill=PAPER)
    lines = [
        "Keeps pairs of folder trees in step: both ways or one way,",
        "with filters, kept versions and timed runs.",
        "",
        "Copyright (c) 2026 the Brenvale developers.",
        "All rights reserved. Brenvale never deletes a file of the",
        "folders it synchronises.",
    ]
    y = 148
    for line in lines:
        d.text((30, y), line, font=font(12, False), fill=INK)
        y += 18
    d.text((30, 300), "brenvale.example", font=font(11), fill=BRAND)
    return img


def main_window_parts(out):
    header = Image.new("RGB", (436, 111), BRAND)
    d = ImageDraw.Draw(header)
    logo(d, 14, 12, 0.55)
    d.text((58, 14), "Brenvale", font=font(20), fill=PAPER)
    d.rectangle((0, 108, 436, 111), fill=ACCENT)
    save(header, out, "imgHeader")
    middle = Image.new("RGB", (8, 111), BRAND)
    ImageDraw.Draw(middle).rectangle((0, 108, 8, 111), fill=ACCENT)
    save(middle, out, "HeaderMiddle")
    right = Image.new("RGB", (23, 111), BRAND)
    ImageDraw.Draw(right).rectangle((0, 108, 23, 111), fill=ACCENT)
    save(right, out, "HeaderRight")
    save(Image.new("RGB", (8, 28), MIST), out, "TabBack")
    save(Image.new("RGB", (10, 8), BRAND), out, "FrameLeft")
    save(Image.new("RGB", (19, 8), BRAND), out, "FrameRight")
    for name, width in (("BottomLeft", 23), ("BottomMiddle", 8), ("BottomRight", 23)):
        save(Image.new("RGB", (width, 24), BRAND), out, name)


def icon(index):
    """The sixteen-pixel pictures of the comparison page, in index order. Odd
    indexes from 5 on are the hover look (shadowed) of the next even one."""
    img = Image.new("RGB", (16, 16), PAPER)
    d = ImageDraw.Draw(img)
    base = index if index < 5 or index % 2 == 0 else index + 1
    shadow = index >= 5 and index % 2 == 1
    if shadow:
        d.rectangle((1, 1, 15, 15), fill=(222, 228, 236))
    blue, grey, teal = BRAND, (150, 158, 170), ACCENT
    if index == 1:
        d.ellipse((1, 1, 14, 14), fill=DANGER)
        centred_text(d, (0, 0, 16, 16), "?", 11, PAPER)
    elif index == 2:
        d.polygon([(8, 1), (15, 14), (1, 14)], fill=(240, 190, 30))
        d.line((8, 5, 8, 10), fill=INK, width=2)
        d.point((8, 12), fill=INK)
    elif index == 3:
        d.polygon([(1, 4), (6, 4), (7, 6), (14, 6), (14, 13), (1, 13)], fill=(240, 190, 30))
        d.polygon([(3, 8), (15, 8), (13, 13), (1, 13)], fill=(250, 210, 80))
    elif index == 4:
        d.polygon([(3, 1), (10, 1), (13, 4), (13, 15), (3, 15)], fill=PAPER, outline=QUIET)
        for y in (6, 9, 12):
            d.line((5, y, 11, y), fill=LINE)
    elif base == 6:
        d.arc((2, 2, 14, 14), 200, 340, fill=blue, width=2)
        d.polygon([(12, 3), (15, 6), (11, 7)], fill=blue)
        d.arc((2, 2, 14, 14), 20, 160, fill=teal, width=2)
        d.polygon([(4, 13), (1, 10), (5, 9)], fill=teal)
    elif base in (8, 10, 22):
        colour = {8: blue, 10: grey, 22: teal}[base]
        if base == 22:
            d.polygon([(2, 6), (9, 6), (9, 2), (15, 8), (9, 14), (9, 10), (2, 10)], outline=colour)
        else:
            d.rectangle((2, 7, 9, 9), fill=colour)
            d.polygon([(9, 3), (15, 8), (9, 13)], fill=colour)
    elif base in (12, 14, 24):
        colour = {12: blue, 14: grey, 24: teal}[base]
        if base == 24:
            d.polygon([(14, 6), (7, 6), (7, 2), (1, 8), (7, 14), (7, 10), (14, 10)], outline=colour)
        else:
            d.rectangle((7, 7, 14, 9), fill=colour)
            d.polygon([(7, 3), (1, 8), (7, 13)], fill=colour)
    elif base == 16:
        d.rectangle((2, 4, 14, 6), fill=teal)
        d.rectangle((2, 10, 14, 12), fill=teal)
    elif base == 18:
        d.rectangle((4, 2, 6, 14), fill=grey)
        d.rectangle((10, 2, 12, 14), fill=grey)
    elif base == 20:
        d.line((3, 3, 13, 13), fill=INK, width=3)
        d.line((13, 3, 3, 13), fill=INK, width=3)
    return img


def loading_animation(out):
    frames = []
    for step in range(12):
        img = Image.new("RGB", (32, 32), PAPER)
        d = ImageDraw.Draw(img)
        for dot in range(12):
            import math
            angle = (dot / 12.0) * 2 * math.pi
            x = 16 + 11 * math.cos(angle)
            y = 16 + 11 * math.sin(angle)
            age = (step - dot) % 12
            shade = int(255 - (220 * max(0, 6 - age) / 6))
            colour = (shade, shade + (255 - shade) // 3, 255) if age < 6 else LINE
            d.ellipse((x - 2.5, y - 2.5, x + 2.5, y + 2.5), fill=colour)
        frames.append(img.convert("P", palette=Image.ADAPTIVE))
    frames[0].save(os.path.join(out, "LODING.gif"), save_all=True, append_images=frames[1:],
                   duration=80, loop=0)


def save(img, out, name, kind="jpg"):
    path = os.path.join(out, name + "." + kind)
    if kind == "jpg":
        img.save(path, "JPEG", quality=92, optimize=True)
    else:
        img.save(path, "PNG", optimize=True)


# Every button pair: resource base name, size, caption.
BUTTONS = [
    ("Ok", 66, 25, "OK", True),
    ("Cancel", 66, 25, "Cancel", False),
    ("apply", 66, 25, "Apply", True),
    ("Browse", 66, 25, "Browse", False),
    ("MakeFolderButton", 138, 25, "Make New Folder", False),
    ("BitBtn_Analyze", 95, 35, "Analyze", True),
    ("BitBtn_Sync", 95, 35, "Sync", True),
    ("BitBtn_cancel", 95, 35, "Cancel", False),
    ("CheckUpdateBtn", 90, 25, "Check now", False),
    ("AddScheduleBtn", 66, 25, "Add", False),
    ("RemoveScheduleBtn", 66, 25, "Remove", False),
    ("ClearAllBtn", 66, 25, "Clear All", False),
]
MENUS = [("jobbutton", "Job"), ("actionbutton", "Action"), ("viewbutton", "View"),
         ("toolsbutton", "Tools"), ("HelpButton", "Help")]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "skin")
    os.makedirs(out, exist_ok=True)
    for name, width, height, caption, primary in BUTTONS:
        save(button(width, height, caption, False, primary), out, name + "1")
        save(button(width, height, caption, True, primary), out, name + "2")
    for name, caption in MENUS:
        save(menu_button(64, 26, caption, False), out, name + "1")
        save(menu_button(64, 26, caption, True), out, name + "2")
    for name, kind in (("MinBtn", "min"), ("BigBtn", "max"), ("CloseBtn", "close")):
        save(window_button(kind, False), out, name + "1")
        save(window_button(kind, True), out, name + "2")
    save(add_tab(False), out, "bt_addtask1")
    save(add_tab(True), out, "bt_addtask2")
    save(close_button(False, dark=True), out, "SMCLoseBtn1")
    save(close_button(True, dark=True), out, "SMCLoseBtn2")
    save(close_button(False, dark=True), out, "OSMCLoseBtn1")
    save(close_button(True, dark=True), out, "OSMCLoseBtn2")
    save(tab(False), out, "ieb1")
    save(tab(True), out, "ieb2")
    save(splash(), out, "StartForm")
    save(about(), out, "AboutBox")
    save(dialog_background(640, 440, "Choose a folder"), out, "ChooseRoForm")
    save(dialog_background(570, 550, "Sync job"), out, "CreatTaskForm")
    save(dialog_background(488, 333, "Schedule"), out, "ScheduleManagerForm")
    save(dialog_background(500, 385, "Options"), out, "OptionFrm")
    main_window_parts(out)
    for index in range(25):
        save(icon(index), out, "ImageList%02d" % index, "png")
    loading_animation(out)
    print("artwork written to", os.path.abspath(out))


if __name__ == "__main__":
    main()
