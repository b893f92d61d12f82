// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QList>
#include <QString>

class myMap;

// What assistive technology sees of the map: a table of gridSize rows and
// columns whose children are its cells, the tiles' interfaces, in row-major
// order, so that a child's index is row * gridSize + column, and then the
// load notice (loadNotice). The background picture is no child. Points are
// matched to the diamond a tile shows, not to the rectangle it takes, which
// overlaps its neighbours'. Qt's
// accessibility cache owns the interface and deletes it with the map.
class accessibleMap : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit accessibleMap(myMap *map);

    // Has Qt's accessibility factory build these interfaces for maps and tiles.
    static void install();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface *caption() const override;
    QAccessibleInterface *summary() const override;
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    myMap *map() const;
};
