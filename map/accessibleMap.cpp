// SPDX-License-Identifier: MIT
#include "accessibleMap.h"

#include "accessibleTile.h"
#include "isoCase.h"
#include "loadNotice.h"
#include "myMap.h"

#include <QtGlobal>

#include <cmath>

namespace {

constexpr int cellCount = myMap::gridSize * myMap::gridSize;

QAccessibleInterface *createInterface(const QString &className, QObject *object)
{
    // Maps, tiles and load notices have no meta data of their own, so Qt
    // asks for them by their base class's name; their C++ type tells them apart.
    if (className == QLatin1String("QObject")) {
        auto notice = dynamic_cast<loadNotice *>(object);
        return notice ? new accessibleNotice(notice) : nullptr;
    }
    if (className != QLatin1String("QWidget"))
        return nullptr;
    if (auto map = dynamic_cast<myMap *>(object))
        return new accessibleMap(map);
    if (auto tile = dynamic_cast<isoCase *>(object))
        return new accessibleTile(tile);
    return nullptr;
}

} // namespace

accessibleMap::accessibleMap(myMap *map)
    : QAccessibleWidget(map, QAccessible::Table)
{
}

void accessibleMap::install()
{
    // Qt installs a factory once only, and asks the latest first.
    QAccessible::installFactory(createInterface);
}

myMap *accessibleMap::map() const
{
    return static_cast<myMap *>(widget());
}

int accessibleMap::childCount() const
{
    return cellCount + 1;
}

QAccessibleInterface *accessibleMap::child(int index) const
{
    if (index == cellCount)
        return QAccessible::queryAccessibleInterface(map()->notice());
    if (index < 0 || index > cellCount)
        return nullptr;
    return QAccessible::queryAccessibleInterface(
        map()->tileAt(index / myMap::gridSize, index % myMap::gridSize));
}

int accessibleMap::indexOfChild(const QAccessibleInterface *child) const
{
    const QObject *object = child ? child->object() : nullptr;
    if (object && object == map()->notice())
        return cellCount;
    const auto tile = dynamic_cast<const isoCase *>(object);
    return tile ? map()->indexOfTile(tile) : -1;
}

QAccessibleInterface *accessibleMap::childAt(int x, int y) const
{
    // The centre of the pixel, in the map's coordinates.
    const QPointF point = QPointF(map()->mapFromGlobal(QPoint(x, y))) + QPointF(0.5, 0.5);
    for (int index = 0; index < cellCount; ++index) {
        isoCase *tile = map()->tileAt(index / myMap::gridSize, index % myMap::gridSize);
        const QRectF box = tile->geometry();
        const QPointF off = point - box.center();
        if (std::abs(off.x()) / box.width() + std::abs(off.y()) / box.height() <= 0.5)
            return QAccessible::queryAccessibleInterface(tile);
    }
    return nullptr;
}

void *accessibleMap::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface *accessibleMap::caption() const
{
    return nullptr;
}

QAccessibleInterface *accessibleMap::summary() const
{
    return nullptr;
}

QAccessibleInterface *accessibleMap::cellAt(int row, int column) const
{
    // Qt's AT-SPI bridge asks for the cell at any row and column a client
    // names, out of range too, and uses the answer unchecked; the nearest
    // cell keeps such a question from crashing the viewer.
    const int last = myMap::gridSize - 1;
    return QAccessible::queryAccessibleInterface(
        map()->tileAt(qBound(0, row, last), qBound(0, column, last)));
}

// The map is only read: nothing in it can be selected.
int accessibleMap::selectedCellCount() const
{
    return 0;
}

QList<QAccessibleInterface *> accessibleMap::selectedCells() const
{
    return {};
}

QString accessibleMap::columnDescription(int) const
{
    return QString();
}

QString accessibleMap::rowDescription(int) const
{
    return QString();
}

int accessibleMap::selectedColumnCount() const
{
    return 0;
}

int accessibleMap::selectedRowCount() const
{
    return 0;
}

int accessibleMap::columnCount() const
{
    return myMap::gridSize;
}

int accessibleMap::rowCount() const
{
    return myMap::gridSize;
}

QList<int> accessibleMap::selectedColumns() const
{
    return {};
}

QList<int> accessibleMap::selectedRows() const
{
    return {};
}

bool accessibleMap::isColumnSelected(int) const
{
    return false;
}

bool accessibleMap::isRowSelected(int) const
{
    return false;
}

bool accessibleMap::selectRow(int)
{
    return false;
}

bool accessibleMap::selectColumn(int)
{
    return false;
}

bool accessibleMap::unselectRow(int)
{
    return false;
}

bool accessibleMap::unselectColumn(int)
{
    return false;
}

void accessibleMap::modelChange(QAccessibleTableModelChangeEvent *)
{
}
