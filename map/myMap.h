#pragma once

#include "isoCase.h"

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
    myMap();
    ~myMap() override;

    // Every tile back to the empty picture, no text and not walkable.
    void clearMap();
    // Reads ./name into the grid; a file that cannot be read leaves the grid as it was.
    void loadMap(const QString &name);

private:
    isoCase cases[14][14];
    // Cursors of the grid loops; both are 14 after a loop has run.
    qint32 row;
    qint32 col;
    qint8 current;
    QLabel background;
    // Only the most recent load's file is kept; each load releases the one before.
    std::unique_ptr<QFile> file;
};
