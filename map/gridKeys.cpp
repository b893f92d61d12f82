// SPDX-License-Identifier: MIT
#include "gridKeys.h"

#include "myMap.h"

gridKeys::gridKeys(myMap *grid)
    : map(grid), toGrid(QKeySequence(Qt::Key_F6), grid), up(QKeySequence(Qt::Key_Up), grid),
      down(QKeySequence(Qt::Key_Down), grid), left(QKeySequence(Qt::Key_Left), grid),
      right(QKeySequence(Qt::Key_Right), grid), rowStart(QKeySequence(Qt::Key_Home), grid),
      rowEnd(QKeySequence(Qt::Key_End), grid)
{
    toGrid.setContext(Qt::WindowShortcut);
    QObject::connect(&toGrid, &QShortcut::activated, map, [this] { enter(); });
    const int far = myMap::gridSize;
    const struct {
        QShortcut *key;
        int rows;
        int cols;
    } moves[] = {{&up, -1, 0}, {&down, 1, 0}, {&left, 0, -1}, {&right, 0, 1},
                 {&rowStart, 0, -far}, {&rowEnd, 0, far}};
    for (const auto &each : moves) {
        each.key->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(each.key, &QShortcut::activated, map,
                         [this, each] { move(each.rows, each.cols); });
    }
}

void gridKeys::enter()
{
    const int index = qMax(0, map->indexOfTile(dynamic_cast<isoCase *>(map->focusWidget())));
    map->tileAt(index / myMap::gridSize, index % myMap::gridSize)->setFocus(Qt::ShortcutFocusReason);
}

void gridKeys::move(int rows, int cols)
{
    const int index = map->indexOfTile(dynamic_cast<isoCase *>(map->focusWidget()));
    const int last = myMap::gridSize - 1;
    if (index >= 0)
        map->tileAt(qBound(0, index / myMap::gridSize + rows, last),
                    qBound(0, index % myMap::gridSize + cols, last))
            ->setFocus(Qt::ShortcutFocusReason);
}
