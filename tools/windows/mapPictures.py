# SPDX-License-Identifier: MIT
"""Compares pictures of the 928 by 480 map area, given as raw 8-bit RGB
(ImageMagick: convert X.png -depth 8 rgb:X.rgb), for tools/windows/wineCheck.sh.

  mapPictures.py texts A.rgb B.rgb
      A and B differ only inside the tiles' code texts: every pixel that
      differs lies in the 12 by 20 box left of a tile's left corner where a
      code is drawn. Prints how many pixels differ.
  mapPictures.py whole ROW A.rgb
      The code texts of row ROW stand clear of the next row's diamonds: where
      those would lie, A shows the background alone (the map gives the next
      row no ground), so nothing of a code reaches there.

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


def whole(row, a):
    # Below the left corner, the next row's tile covers a triangle that
    # widens by two pixels a line.
    reached = []
    for col in range(14):
        left, top = tile(row, col)
        for dy in range(16, 24):
            for dx in range(0, min(12, 2 * (dy - 16) + 2)):
                if pixel(a, left + dx, top + dy) != BACKGROUND:
                    reached.append((col, dx, dy))
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
    elif mode == ["whole"] and len(sys.argv) == 4:
        ok = whole(int(sys.argv[2]), read(sys.argv[3]))
    else:
        sys.exit(__doc__)
    sys.exit(0 if ok else 1)
