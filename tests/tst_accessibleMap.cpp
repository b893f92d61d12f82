// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QAccessible>
#include <QDir>
#include <QtTest>

#include <functional>

namespace {

// What a screen reader should say for the cell at a row-major index showing a code.
QString cellName(int index, char code)
{
    static const char *const grounds[] = {"terre", "herbe", "dalles", "roche",
                                          "sable", "eau", "lave", "tuile de test"};
    const QString ground = code >= '1' && code <= '8' ? QString::fromLatin1(grounds[code - '1'])
                                                      : QStringLiteral("vide");
    return QStringLiteral("ligne %1, colonne %2 : %3").arg(index / 14).arg(index % 14).arg(ground);
}

// 196 codes in row-major order: every code, the empty ones among them, in
// another order on each line.
QByteArray everyCode()
{
    QByteArray codes;
    for (int i = 0; i < 196; ++i)
        codes += "123456789x0"[(i / 14 + i % 14) % 11];
    return codes;
}

QAccessibleInterface *mapInterface(const WindowParts &parts)
{
    return QAccessible::queryAccessibleInterface(parts.map);
}

} // namespace

// The window and its map as assistive technology reads them through Qt's
// accessibility API, which the platform bridges (AT-SPI on Linux) pass on.
class TestAccessibleMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void mapIsATableOfItsTiles();
    void noUnnamedStops();
    void namesFollowLoads_data();
    void namesFollowLoads();
    void keysWalkTheGrid_data();
    void keysWalkTheGrid();
    void strayCellQuestions_data();
    void strayCellQuestions();
    void pointsFallOnDiamonds_data();
    void pointsFallOnDiamonds();
};

void TestAccessibleMap::init()
{
    QVERIFY(enterNewFolder());
    QByteArray lines;
    for (int row = 0; row < 14; ++row)
        lines += everyCode().mid(row * 14, 14) + '\n';
    QVERIFY(writeFile(QStringLiteral("test.map"), lines));
    QVERIFY(writeFile(QStringLiteral("other.map"), uniformMap('8')));
}

void TestAccessibleMap::mapIsATableOfItsTiles()
{
    MainWindow window;
    const WindowParts parts = partsOf(window);
    QAccessibleInterface *map = mapInterface(parts);
    QVERIFY(map);
    QCOMPARE(map->role(), QAccessible::Table);
    QAccessibleTableInterface *table = map->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 14);
    QCOMPARE(table->columnCount(), 14);
    // No background among the children: a child's index is its cell's, and
    // the load notice comes last.
    QCOMPARE(map->childCount(), 197);
    const QList<isoCase *> tiles = tilesOf(*parts.map);
    for (int index = 0; index < 196; ++index) {
        const int row = index / 14;
        const int col = index % 14;
        QAccessibleInterface *cell = map->child(index);
        QVERIFY(cell);
        QCOMPARE(cell->object(), tiles.at(index));
        QCOMPARE(table->cellAt(row, col), cell);
        QCOMPARE(map->indexOfChild(cell), index);
        QCOMPARE(cell->parent(), map);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->childCount(), 0);
        const QAccessibleTableCellInterface *place = cell->tableCellInterface();
        QVERIFY(place);
        QCOMPARE(place->rowIndex(), row);
        QCOMPARE(place->columnIndex(), col);
        QCOMPARE(place->rowExtent(), 1);
        QCOMPARE(place->columnExtent(), 1);
        QCOMPARE(place->table(), map);
    }
    QCOMPARE(map->child(196)->role(), QAccessible::Notification);
    QCOMPARE(map->indexOfChild(map->child(196)), 196);
    QCOMPARE(map->child(196)->parent(), map);
    QCOMPARE(map->child(197), nullptr);
    QCOMPARE(map->child(-1), nullptr);
}

// Every object a screen reader can reach from the window has a name: the
// window, the button, the field, the map, its 196 cells and its load notice,
// and nothing else.
void TestAccessibleMap::noUnnamedStops()
{
    MainWindow window;
    int reached = 0;
    QStringList unnamed;
    const std::function<void(QAccessibleInterface *)> visit = [&](QAccessibleInterface *node) {
        ++reached;
        if (!node)
            unnamed.append(QStringLiteral("a missing child"));
        else if (node->text(QAccessible::Name).isEmpty())
            unnamed.append(QString::fromLatin1(node->object()->metaObject()->className()));
        for (int i = 0; node && i < node->childCount(); ++i)
            visit(node->child(i));
    };
    visit(QAccessible::queryAccessibleInterface(&window));
    QCOMPARE(unnamed, QStringList());
    QCOMPARE(reached, 1 + 3 + 196 + 1);
    QCOMPARE(mapInterface(partsOf(window))->text(QAccessible::Name), QStringLiteral("Carte"));
}

void TestAccessibleMap::namesFollowLoads_data()
{
    QTest::addColumn<QString>("reload");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<QString>("notice");

    const QByteArray empty(196, '0');
    const QString shown = QStringLiteral("Carte test.map affichée");
    QTest::newRow("start-up, every code") << QString() << false << everyCode() << shown;
    QTest::newRow("reload") << "other.map" << false << QByteArray(196, '8')
                            << QStringLiteral("Carte other.map affichée");
    QTest::newRow("failed load") << "missing.map" << false << empty
                                 << QStringLiteral("Impossible de lire missing.map : la grille est vide");
    QTest::newRow("clear") << QString() << true << empty << shown;
}

void TestAccessibleMap::namesFollowLoads()
{
    QFETCH(QString, reload);
    QFETCH(bool, clear);
    QFETCH(QByteArray, codes);
    QFETCH(QString, notice);

    MainWindow window;
    const WindowParts parts = partsOf(window);
    if (!reload.isEmpty()) {
        parts.field->setText(reload);
        parts.button->click();
    }
    if (clear)
        parts.map->clearMap();
    QAccessibleInterface *map = mapInterface(parts);
    for (int index = 0; index < 196; ++index)
        QCOMPARE(map->child(index)->text(QAccessible::Name), cellName(index, codes.at(index)));
    QCOMPARE(map->child(196)->text(QAccessible::Name), notice);
}

void TestAccessibleMap::keysWalkTheGrid_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("focus");
    QTest::newRow("F6 to the top tile, then rows and columns") << "F6 Down Down Right End" << "41";
    QTest::newRow("edges hold") << "F6 Up Left Down Home Left" << "14";
    QTest::newRow("Tab leaves for the button") << "F6 Down Tab" << "button";
    QTest::newRow("F6 comes back to the same tile") << "F6 Down Right Tab F6" << "15";
    QTest::newRow("the field keeps its keys and Tab") << "Tab Up Down End Tab" << "button";
}

// The keys that lead into the grid and through it, from the button, which
// has the focus when the window opens. Screen readers read the tile that
// has the focus.
void TestAccessibleMap::keysWalkTheGrid()
{
    QFETCH(QString, keys);
    QFETCH(QString, focus);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const WindowParts parts = partsOf(window);
    for (const QString &key : keys.split(QLatin1Char(' ')))
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
    QWidget *const focused = QApplication::focusWidget();
    const QString found = focused == parts.button  ? QStringLiteral("button")
                          : focused == parts.field ? QStringLiteral("field")
                                                   : QString::number(tilesOf(*parts.map).indexOf(dynamic_cast<isoCase *>(focused)));
    QCOMPARE(found, focus);
    const QAccessible::State state = QAccessible::queryAccessibleInterface(focused)->state();
    QVERIFY(state.focused && state.focusable);
}

void TestAccessibleMap::strayCellQuestions_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("nearestRow");
    QTest::addColumn<int>("nearestCol");
    QTest::newRow("the row past the last") << 14 << 0 << 13 << 0;
    QTest::newRow("the column past the last") << 3 << 14 << 3 << 13;
    QTest::newRow("negative") << -1 << -1 << 0 << 0;
    QTest::newRow("far off") << 1000 << -1000 << 13 << 0;
}

// Qt's AT-SPI bridge uses the cell the table gives for any row and column an
// assistive technology names, without checking it, so there must always be one.
void TestAccessibleMap::strayCellQuestions()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, nearestRow);
    QFETCH(int, nearestCol);
    MainWindow window;
    QAccessibleTableInterface *table = mapInterface(partsOf(window))->tableInterface();
    QVERIFY(table);
    QAccessibleInterface *cell = table->cellAt(row, col);
    QVERIFY(cell);
    QVERIFY(cell->tableCellInterface());
    QCOMPARE(cell->tableCellInterface()->rowIndex(), nearestRow);
    QCOMPARE(cell->tableCellInterface()->columnIndex(), nearestCol);
}

void TestAccessibleMap::pointsFallOnDiamonds_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("index");

    // Row 5, column 9 (index 79) takes (560, 232) to (623, 263); the corners
    // of that rectangle belong to its neighbours' diamonds.
    QTest::newRow("centre of the top tile") << QPoint(464, 24) << 0;
    QTest::newRow("centre of row 5, column 9") << QPoint(592, 248) << 79;
    QTest::newRow("its top left corner: column 8") << QPoint(561, 233) << 78;
    QTest::newRow("its top right corner: row 4") << QPoint(622, 233) << 65;
    QTest::newRow("its bottom left corner: row 6") << QPoint(561, 262) << 93;
    QTest::newRow("its bottom right corner: column 10") << QPoint(622, 262) << 80;
    // Matched by the pixel's centre: its top left corner lies outside the diamond.
    QTest::newRow("top pixel row of the top tile") << QPoint(463, 8) << 0;
    QTest::newRow("background beside the diamond") << QPoint(10, 10) << -1;
}

void TestAccessibleMap::pointsFallOnDiamonds()
{
    QFETCH(QPoint, point);
    QFETCH(int, index);
    MainWindow window;
    const WindowParts parts = partsOf(window);
    QAccessibleInterface *map = mapInterface(parts);
    const QPoint onScreen = parts.map->mapToGlobal(point);
    QCOMPARE(map->childAt(onScreen.x(), onScreen.y()), index < 0 ? nullptr : map->child(index));
}

QTEST_MAIN(TestAccessibleMap)
#include "tst_accessibleMap.moc"
