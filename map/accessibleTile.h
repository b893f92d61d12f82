// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QList>
#include <QString>

class isoCase;
class myMap;

// What assistive technology sees of one tile: a cell of the map's table,
// named by its row, its column and its ground ("ligne 4, colonne 2 : herbe"),
// rows and columns counted from 0 as velmora-check counts them. It has no
// children: the tile's picture and its code would only repeat the name. Qt's
// accessibility cache owns the interface and deletes it with the tile; the
// tile's row and column are looked up at each question, from the map that
// holds it.
class accessibleTile : public QAccessibleWidget, public QAccessibleTableCellInterface
{
public:
    explicit accessibleTile(isoCase *tile);

    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    bool isSelected() const override;
    QList<QAccessibleInterface *> columnHeaderCells() const override;
    QList<QAccessibleInterface *> rowHeaderCells() const override;
    int columnIndex() const override;
    int rowIndex() const override;
    int columnExtent() const override;
    int rowExtent() const override;
    QAccessibleInterface *table() const override;

private:
    isoCase *tile() const;
    // The map holding the tile, null for a tile on its own.
    myMap *map() const;
    // The tile's row-major index in its map, -1 for a tile on its own.
    int index() const;
};
