// SPDX-License-Identifier: MIT
#pragma once

#include "gridKeys.h"
#include "isoCase.h"
#include "loadNotice.h"
#include "mapReader.h"

#include <QFile>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <memory>

// The 928 by 480 map area: a background picture with a 14 by 14 grid of
// tiles above it, stored row-major as cases[row][col]. Row 0, column 0 is the
// top corner of the diamond; a higher col goes down to the right, a higher row
// down to the left. The tiles and the background are members made children of
// this widget; the widget itself is built without a parent and adopted by the
// window.
class myMap : public QWidget
{
public:
    // The map area's fixed size, and the number of rows and of columns.
    static constexpr int mapWidth = grounds::mapWidth;
    static constexpr int mapHeight = grounds::mapHeight;
    static constexpr int gridSize = mapReader::gridSize;

    myMap();
    ~myMap() override;

    // Every tile back to the empty picture, no text and not walkable. The
    // names that changed are announced by the next load.
    void clearMap();
    // Reads ./name into the grid. A file that cannot be read whole leaves
    // the grid as it was and gives false. Either way it then tells
    // assistive technology the tiles' names that changed since the last
    // load, and what it did (loadNotice).
    bool loadMap(const QString &name);
    // Gives every tile its code, picture and text, from gridSize * gridSize
    // codes in row-major order.
    void showCodes(const QByteArray &codes);
    // The tile at a row and column, null outside the grid; and a tile's
    // row-major index, -1 for a tile that is not this map's. Assistive
    // technology goes through the grid by them.
    isoCase *tileAt(int tileRow, int tileCol);
    int indexOfTile(const isoCase *tile) const;
    loadNotice *notice();

private:
    isoCase cases[gridSize][gridSize];
    // Cursors of the grid loops; both are gridSize after a loop has run.
    qint32 row;
    qint32 col;
    qint8 current;
    QLabel background;
    // The most recent load's file, closed once the load returns.
    std::unique_ptr<QFile> file;
    loadNotice lastLoad;
    gridKeys keys;
};
