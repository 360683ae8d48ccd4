#!/usr/bin/env python3
"""Draws the about box picture: a hexagonal tile made of six triangles.

Frame 0 is the resting tile, frame 1 the tile pressed in, and frames 2 to 6
send a bright band once round the tile while it springs back. Run it with
Python 3 and Pillow to rebuild tessaline.gif beside this script:

    python3 make_picture.py
"""
import math
import os

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 123, 108
CENTRE = (WIDTH / 2, HEIGHT / 2)
DELAYS_MS = [500, 100, 200, 200, 200, 100, 100]

BACKGROUND = (255, 255, 255)
OUTLINE = (40, 52, 84)
TILE_COLOURS = [
    (46, 134, 171),
    (86, 170, 140),
    (240, 180, 60),
    (46, 134, 171),
    (86, 170, 140),
    (240, 180, 60),
]
PRESSED = (30, 80, 110)
HIGHLIGHT = (250, 240, 200)


def hexagon_corners(radius, turn):
    """The six corners of a flat-topped hexagon, turned by `turn` degrees."""
    corners = []
    for k in range(6):
        angle = math.radians(60 * k + turn)
        corners.append((CENTRE[0] + radius * math.cos(angle),
                        CENTRE[1] + radius * math.sin(angle)))
    return corners


def draw_frame(radius, turn, colours):
    image = Image.new("RGB", (WIDTH, HEIGHT), BACKGROUND)
    draw = ImageDraw.Draw(image)
    corners = hexagon_corners(radius, turn)
    for k in range(6):
        triangle = [CENTRE, corners[k], corners[(k + 1) % 6]]
        draw.polygon(triangle, fill=colours[k], outline=OUTLINE)
    # The small tiles at the corners of the picture hint at the pattern the
    # big one belongs to.
    for cx, cy in ((12, 12), (WIDTH - 13, 12), (12, HEIGHT - 13),
                   (WIDTH - 13, HEIGHT - 13)):
        small = [(cx + 8 * math.cos(math.radians(60 * k + turn)),
                  cy + 8 * math.sin(math.radians(60 * k + turn)))
                 for k in range(6)]
        draw.polygon(small, fill=colours[0], outline=OUTLINE)
    return image


def frames():
    result = [draw_frame(48, 0, TILE_COLOURS),
              draw_frame(42, 0, [PRESSED] * 6)]
    for step in range(5):
        colours = list(TILE_COLOURS)
        lit = (step * 6) // 5
        colours[lit] = HIGHLIGHT
        colours[(lit + 1) % 6] = HIGHLIGHT
        result.append(draw_frame(44 + step, 12 * (step + 1), colours))
    return result


def main():
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                          "tessaline.gif")
    images = [f.convert("P", palette=Image.ADAPTIVE, colors=64)
              for f in frames()]
    images[0].save(target, save_all=True, append_images=images[1:],
                   duration=DELAYS_MS, loop=0, disposal=1, optimize=False)


if __name__ == "__main__":
    main()
