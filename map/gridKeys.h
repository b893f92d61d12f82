// SPDX-License-Identifier: MIT
#pragma once

#include <QShortcut>

class myMap;

// The keys that take the keyboard focus into the map and from tile to tile,
// so that a screen reader reads the tile that has it, and the whole row
// when the row changes: F6 from anywhere in the window, then the arrows,
// Home and End while a tile has the focus; Tab leaves the grid as from
// anywhere. The tiles stay out of the Tab chain, which the button and the
// field keep to themselves, and show nothing of the focus. The shortcuts
// are children of the map, which holds the keys.
class gridKeys
{
public:
    explicit gridKeys(myMap *map);

private:
    // To the tile that had the focus last, or to the top one.
    void enter();
    // By rows and columns, within the grid.
    void move(int rows, int cols);

    myMap *const map;
    QShortcut toGrid;
    QShortcut up;
    QShortcut down;
    QShortcut left;
    QShortcut right;
    QShortcut rowStart;
    QShortcut rowEnd;
};
