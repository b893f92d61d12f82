# SPDX-License-Identifier: MIT
"""Compares pictures of the 928 by 480 map area, given as raw 8-bit RGB
(ImageMagick: convert X.png -depth 8 rgb:X.rgb), for tools/windows/wineCheck.sh.

  mapPictures.py texts A.rgb B.rgb
      A and B differ only inside the tiles' code texts: every pixel that
      differs lies in the 12 by 20 box left of a tile's left corner where a
      code is drawn. Prints how many pixels differ.
  mapPictures.py whole ROW OPEN.rgb COVERED.rgb
      The code texts of row ROW stand clear of the next row's tiles: OPEN is
      the picture of a map whose rows after ROW have no ground, COVERED the
      same with the next row's grounds drawn. Where the two differ around
      row ROW's codes, the next row's ground is drawn over them, and there
      OPEN must show no code: no pixel darker than the ground pictures (whose
      every channel stays above 100 where they are light, as water is) but
      the background's own grey.

The status is 1 when the pictures are not so."""
import sys

WIDTH, HEIGHT = 928, 480
BACKGROUND = bytes((39, 39, 39))


def tile(row, col):
    """The top-left corner of a tile, as the viewer places it."""
    return 432 + 32 * (col - row), 16 * (row + col) + 8


def pixel(picture, x, y):
    start = 3 * (y * WIDTH + x)
    return picture[start:start + 3]


def in_code_box(x, y):
    for row in range(14):
        for col in range(14):
            left, top = tile(row, col)
            if left <= x < left + 12 and top + 4 <= y < top + 24:
                return True
    return False


def texts(a, b):
    differing = [(x, y) for y in range(HEIGHT) for x in range(WIDTH)
                 if pixel(a, x, y) != pixel(b, x, y)]
    stray = [p for p in differing if not in_code_box(*p)]
    print(f"{len(differing)} pixels differ, {len(stray)} of them outside the code texts"
          + (f", the first at {stray[0]}" if stray else ""))
    return not stray


def whole(row, open_, covered):
    reached = []
    for col in range(14):
        left, top = tile(row, col)
        for y in range(top + 4, top + 24):
            for x in range(left, left + 12):
                shown = pixel(open_, x, y)
                if shown != pixel(covered, x, y) and shown != BACKGROUND and max(shown) < 100:
                    reached.append((col, x - left, y - top))
    print(f"{len(reached)} pixels of row {row}'s codes lie where row {row + 1} is drawn"
          + (f", the first (column, x, y in its tile) {reached[0]}" if reached else ""))
    return not reached


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != 3 * WIDTH * HEIGHT:
        sys.exit(f"{path}: not a {WIDTH} by {HEIGHT} RGB picture")
    return data


if __name__ == "__main__":
    mode = sys.argv[1:2]
    if mode == ["texts"] and len(sys.argv) == 4:
        ok = texts(read(sys.argv[2]), read(sys.argv[3]))
    elif mode == ["whole"] and len(sys.argv) == 5:
        ok = whole(int(sys.argv[2]), read(sys.argv[3]), read(sys.argv[4]))
    else:
        sys.exit(__doc__)
    sys.exit(0 if ok else 1)
