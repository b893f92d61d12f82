// SPDX-License-Identifier: MIT
#include "accessibleTile.h"

#include "isoCase.h"
#include "myMap.h"

accessibleTile::accessibleTile(isoCase *tile)
    : QAccessibleWidget(tile, QAccessible::Cell)
{
}

isoCase *accessibleTile::tile() const
{
    return static_cast<isoCase *>(widget());
}

myMap *accessibleTile::map() const
{
    return dynamic_cast<myMap *>(tile()->parentWidget());
}

int accessibleTile::index() const
{
    const myMap *holder = map();
    return holder ? holder->indexOfTile(tile()) : -1;
}

QString accessibleTile::text(QAccessible::Text type) const
{
    if (type != QAccessible::Name)
        return QAccessibleWidget::text(type);
    const int at = index();
    if (at < 0)
        return tile()->groundName();
    return QStringLiteral("ligne %1, colonne %2 : %3")
        .arg(at / myMap::gridSize)
        .arg(at % myMap::gridSize)
        .arg(tile()->groundName());
}

QAccessible::State accessibleTile::state() const
{
    // The grid's keys give tiles the focus, though they are in no Tab chain.
    QAccessible::State state = QAccessibleWidget::state();
    state.focusable = true;
    return state;
}

int accessibleTile::childCount() const
{
    return 0;
}

QAccessibleInterface *accessibleTile::child(int) const
{
    return nullptr;
}

int accessibleTile::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

void *accessibleTile::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

bool accessibleTile::isSelected() const
{
    return false;
}

QList<QAccessibleInterface *> accessibleTile::columnHeaderCells() const
{
    return {};
}

QList<QAccessibleInterface *> accessibleTile::rowHeaderCells() const
{
    return {};
}

int accessibleTile::columnIndex() const
{
    const int at = index();
    return at < 0 ? -1 : at % myMap::gridSize;
}

int accessibleTile::rowIndex() const
{
    const int at = index();
    return at < 0 ? -1 : at / myMap::gridSize;
}

int accessibleTile::columnExtent() const
{
    return 1;
}

int accessibleTile::rowExtent() const
{
    return 1;
}

QAccessibleInterface *accessibleTile::table() const
{
    return map() ? QAccessible::queryAccessibleInterface(map()) : nullptr;
}
