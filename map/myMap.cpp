// SPDX-License-Identifier: MIT
#include "myMap.h"

#include "accessibleMap.h"
#include "fileNames.h"
#include "mapFile.h"

#include <QPixmap>

#include <functional>

myMap::myMap()
    : row(0), col(0), current(0), lastLoad(this), keys(this)
{
    // Installed with the first map, so that the viewer and every test get
    // the same tree; and after the application object, so that it is asked
    // before Qt's own widget interfaces.
    accessibleMap::install();
    setFixedSize(mapWidth, mapHeight);
    background.setParent(this);
    background.setPixmap(QPixmap(QStringLiteral(":/Background/vide.jpg"))
                             .scaled(width(), height(), Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation));
    for (row = 0; row < gridSize; ++row) {
        for (col = 0; col < gridSize; ++col) {
            cases[row][col].setParent(this);
            cases[row][col].move(grounds::tilePosition(row, col, width()));
            cases[row][col].silenceCodeLabel();
        }
    }
}

myMap::~myMap() = default;

void myMap::clearMap()
{
    for (row = 0; row < gridSize; ++row) {
        for (col = 0; col < gridSize; ++col) {
            cases[row][col].setGround(0);
            cases[row][col].setTopText(QString());
            cases[row][col].setWalkable(false);
        }
    }
}

bool myMap::loadMap(const QString &name)
{
    auto map = std::make_unique<mapFile>();
    mapReader reader;
    const bool read = map->openMap(fileNames::encoded(QStringLiteral("./") + name)) && map->readMap(reader);
    map->close();
    // Each load replaces the previous one's file object, so at most one lives.
    file = std::move(map);
    // A file that fails part-way shows nothing of what was read.
    if (read)
        showCodes(reader.codes());
    for (row = 0; row < gridSize; ++row)
        for (col = 0; col < gridSize; ++col)
            cases[row][col].announceGround();
    lastLoad.tell(read ? QStringLiteral("Carte %1 affichée").arg(name)
                       : QStringLiteral("Impossible de lire %1 : la grille est vide").arg(name));
    return read;
}

void myMap::showCodes(const QByteArray &codes)
{
    for (row = 0; row < gridSize; ++row) {
        for (col = 0; col < gridSize; ++col) {
            current = static_cast<qint8>(codes.at(row * gridSize + col));
            cases[row][col].setGround(current);
            cases[row][col].setTopText(QString(QLatin1Char(static_cast<char>(current))));
        }
    }
}

isoCase *myMap::tileAt(int tileRow, int tileCol)
{
    if (tileRow < 0 || tileRow >= gridSize || tileCol < 0 || tileCol >= gridSize)
        return nullptr;
    return &cases[tileRow][tileCol];
}

loadNotice *myMap::notice()
{
    return &lastLoad;
}

int myMap::indexOfTile(const isoCase *tile) const
{
    // Local counters, not the map's cursors: a tile's name-change event asks
    // for this in the middle of a load's loop. std::less orders any two
    // pointers, even to tiles of other maps.
    const std::less<const isoCase *> before;
    for (int tileRow = 0; tileRow < gridSize; ++tileRow) {
        const isoCase *first = cases[tileRow];
        if (!before(tile, first) && before(tile, first + gridSize))
            return tileRow * gridSize + int(tile - first);
    }
    return -1;
}
