// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QString>

// The ground codes of map files and the isometric layout of their tiles, for
// all that shows a map: the viewer's tiles and velmora-render's painter.
// Codes '1' to '8' have a ground each; every other value is the empty ground.
// Pixel positions are the map area's, (0, 0) at its top-left corner; row 0,
// column 0 is the top corner of the diamond.
namespace grounds {

struct ground {
    QString picture; // in the resource bundle
    QString name;    // for assistive technology, in French like the window
};

constexpr int count = 9;
constexpr int empty = count - 1;

// Where the ground a code shows is in the table: '1' to last have their own,
// every other value the empty ground.
constexpr int indexOf(int code, int last = '8')
{
    return code >= '1' && code <= last ? code - '1' : empty;
}
// The ground at index in the table.
const ground &at(int index);

constexpr int tileWidth = 64;
constexpr int tileHeight = 32;
constexpr int mapWidth = 928;
constexpr int mapHeight = 480;
// The one colour of the map area's background picture, for a picture made
// without reading it: a thumbnail, which would otherwise load the JPEG reader
// for it, a tenth of its time.
constexpr unsigned backgroundColour = 0xff272727; // a QRgb, grey 39

// Where the tile at row and col has its top-left corner in a map area
// areaWidth pixels wide. Neighbours sit half a tile apart across and down, so
// the diamond pictures meet edge to edge; only the centring across depends on
// the area's width.
inline QPoint tilePosition(int row, int col, int areaWidth)
{
    return {(areaWidth + tileWidth * (col - row - 1)) / 2,
            static_cast<int>(0.5 * tileHeight * (row + col + 0.5))};
}

// The room kept free below a tile's code text, in pixels, for a font of
// this ascent and descent: the code is drawn at the left of the tile less
// that room, centred across its height. The next row's tile, drawn later,
// covers what lies below the diamond's left corner inside its own diamond,
// so the lower part of a code centred on that corner is hidden. The heavy,
// 9 pt digits of the fonts Linux desktops use stay readable with the rest,
// and there the tile keeps all its height. Windows' default font (8 pt
// Tahoma) draws digits of one-pixel strokes whose upper half reads as
// nothing: there the room lifts the code's baseline onto the corner's row,
// and the code shows whole. One implementation per system.
int codeTextRoomBelow(int ascent, int descent);

} // namespace grounds
