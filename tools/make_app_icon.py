#!/usr/bin/python3
"""Draws Brenvale's application icon for the desktop's icon theme: the skin's logo
mark (two arrows chasing each other on a rounded badge), as a scalable SVG and as
PNG pictures from 16 to 256 pixels.

The PNG pictures come from the very function that draws the logo into the skin
(logo_mark of tools/make_skin_artwork.py); the SVG follows the same geometry,
taken from the same function's numbers. Writes below data/icons/hicolor/, in the
layout of the hicolor theme. Deterministic, like the skin script:

    /usr/bin/python3 tools/make_app_icon.py
"""

import importlib.util
import math
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "data", "icons", "hicolor")
ICON_NAME = "example.brenvale.Brenvale"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def skin_script():
    path = os.path.join(ROOT, "tools", "make_skin_artwork.py")
    location = importlib.util.spec_from_file_location("make_skin_artwork", path)
    module = importlib.util.module_from_spec(location)
    location.loader.exec_module(module)
    return module


def number(value):
    text = "%.3f" % value
    text = text.rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg_mark(skin, size=256):
    """The logo mark of logo_mark() as SVG paths on a size x size canvas."""
    badge, ink = skin.TEAL, skin.PAPER
    c = size / 2
    r = size * 0.27
    width = size * 0.085
    corner = size * 0.24
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<!-- Written by tools/make_app_icon.py: the logo mark of the Brenvale skin. -->',
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
        % (size, size, size, size),
        '  <rect x="0" y="0" width="%d" height="%d" rx="%s" ry="%s" fill="%s"/>'
        % (size, size, number(corner), number(corner), colour(badge)),
    ]
    for start in (200, 20):
        a0, a1 = math.radians(start), math.radians(start + 125)
        # PIL draws an arc's width inwards from its radius: the stroke's middle
        # runs half a width inside it.
        m = r - width / 2
        parts.append(
            '  <path d="M %s %s A %s %s 0 0 1 %s %s" fill="none" stroke="%s" '
            'stroke-width="%s"/>'
            % (number(c + m * math.cos(a0)), number(c + m * math.sin(a0)), number(m), number(m),
               number(c + m * math.cos(a1)), number(c + m * math.sin(a1)), colour(ink),
               number(width)))
        # Arrowhead at the end of the arc, as logo_mark draws it.
        ex, ey = c + r * math.cos(a1), c + r * math.sin(a1)
        tx, ty = -math.sin(a1), math.cos(a1)
        nx, ny = math.cos(a1), math.sin(a1)
        a = size * 0.13
        points = [(ex + tx * a, ey + ty * a),
                  (ex - nx * a * 0.9, ey - ny * a * 0.9),
                  (ex + nx * a * 0.9, ey + ny * a * 0.9)]
        parts.append('  <polygon points="%s" fill="%s"/>'
                     % (" ".join("%s,%s" % (number(x), number(y)) for x, y in points),
                        colour(ink)))
    parts += ['</svg>', '']
    return "\n".join(parts)


def main():
    skin = skin_script()
    written = []
    for size in SIZES:
        folder = os.path.join(OUT, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, ICON_NAME + ".png")
        skin.logo_mark(size).save(path, "PNG", optimize=True)
        written.append(path)
    folder = os.path.join(OUT, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, ICON_NAME + ".svg")
    with open(path, "w", encoding="utf-8") as f:
        f.write(svg_mark(skin))
    written.append(path)
    print("%d icons in %s" % (len(written), OUT))


if __name__ == "__main__":
    main()
