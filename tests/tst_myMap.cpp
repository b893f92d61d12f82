// SPDX-License-Identifier: MIT
#include "mapRows.h"
#include "testSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class TestMyMap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void tilesCoverTheDiamond();
    void newMapIsBlank();
    void clearMap();
    void loadMap_data();
    void loadMap();
    void nameInSubfolder();
    void unreadableNamesLeaveTheGrid_data();
    void unreadableNamesLeaveTheGrid();
    void enormousLineInBoundedMemory();

private:
    void verifyGrid(const myMap &map, const QByteArray &codes);
    QTemporaryDir dir;
};

void TestMyMap::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(QDir().mkpath(QStringLiteral("maps")));
#ifdef Q_OS_UNIX
    QVERIFY(makeFifo(QStringLiteral("fifo.map")));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("zero.map")));
#endif
}

// Every tile shows its code as text, the code's picture and the code's walkable flag.
void TestMyMap::verifyGrid(const myMap &map, const QByteArray &codes)
{
    const QList<isoCase *> tiles = tilesOf(map);
    QCOMPARE(tiles.size(), 196);
    for (int i = 0; i < 196; ++i) {
        const char code = codes.at(i);
        const isoCase &tile = *tiles.at(i);
        const QByteArray where = QByteArray::number(i / 14) + ',' + QByteArray::number(i % 14);
        QVERIFY2(tile.getCode() == qint8(code), where);
        QVERIFY2(topLayer(tile)->text() == QString(QLatin1Char(code)), where);
        QVERIFY2(tile.isWalkable() == (code >= '1' && code <= '5'), where);
        QVERIFY2(shownImage(groundLayer(tile)) == tileImage(groundPicture(code)), where);
    }
}

void TestMyMap::layout_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("top corner") << 0 << 0 << QPoint(432, 8);
    QTest::newRow("right corner") << 0 << 13 << QPoint(848, 216);
    QTest::newRow("left corner") << 13 << 0 << QPoint(16, 216);
    QTest::newRow("bottom corner") << 13 << 13 << QPoint(432, 424);
    QTest::newRow("next column") << 0 << 1 << QPoint(464, 24);
    QTest::newRow("next row") << 1 << 0 << QPoint(400, 24);
    QTest::newRow("inner") << 5 << 9 << QPoint(560, 232);
}

void TestMyMap::layout()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QPoint, position);
    myMap map;
    QCOMPARE(map.size(), QSize(928, 480));
    QCOMPARE(map.minimumSize(), map.maximumSize());
    const isoCase *tile = tilesOf(map).at(row * 14 + col);
    QCOMPARE(tile->pos(), position);
    QCOMPARE(tile->size(), QSize(64, 32));
}

void TestMyMap::tilesCoverTheDiamond()
{
    myMap map;
    // The background is attached first, so it lies below every tile; the
    // tiles follow in row-major order, each above the ones before.
    const QList<QWidget *> children = map.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(children.size(), 197);
    QVERIFY(qobject_cast<QLabel *>(children.first()));
    QRect covered;
    for (const isoCase *tile : tilesOf(map)) {
        QCOMPARE(tile->size(), QSize(64, 32));
        covered |= tile->geometry();
    }
    QCOMPARE(covered, QRect(QPoint(16, 8), QPoint(911, 455)));
}

void TestMyMap::newMapIsBlank()
{
    myMap map;
    QCOMPARE(map.parentWidget(), nullptr);
    for (const isoCase *tile : tilesOf(map)) {
        QCOMPARE(tile->getCode(), 0);
        QVERIFY(!tile->isWalkable());
        QVERIFY(shownImage(groundLayer(*tile)).isNull());
        QVERIFY(topLayer(*tile)->text().isEmpty());
    }
}

void TestMyMap::clearMap()
{
    QVERIFY(writeFile(QStringLiteral("full.map"), uniformMap('3')));
    myMap map;
    QVERIFY(map.loadMap(QStringLiteral("full.map")));
    map.clearMap();
    map.clearMap();
    const QImage empty = tileImage(":/sols/vide.png");
    for (const isoCase *tile : tilesOf(map)) {
        QCOMPARE(tile->getCode(), 0);
        QVERIFY(!tile->isWalkable());
        QCOMPARE(shownImage(groundLayer(*tile)), empty);
        QVERIFY(topLayer(*tile)->text().isEmpty());
    }
}

void TestMyMap::loadMap_data()
{
    addReaderRows();
}

void TestMyMap::loadMap()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, codes);
    QVERIFY(writeFile(QStringLiteral("read.map"), content));
    myMap map;
    QVERIFY(map.loadMap(QStringLiteral("read.map")));
    verifyGrid(map, codes);
}

void TestMyMap::nameInSubfolder()
{
    QVERIFY(QDir().mkpath(QStringLiteral("maps")));
    QVERIFY(writeFile(QStringLiteral("maps/a.map"), "6\n"));
    myMap map;
    map.loadMap(QStringLiteral("maps/a.map"));
    verifyGrid(map, grid({"6"}));
#ifdef Q_OS_UNIX
    // Absolute names are taken below the working directory as well: the
    // same path under it holds another map. (On Windows an absolute name
    // begins with a drive, and "./C:" names nothing.)
    const QString absolute = dir.filePath(QStringLiteral("maps/a.map"));
    QVERIFY(QDir().mkpath(QStringLiteral(".") + QFileInfo(absolute).path()));
    QVERIFY(writeFile(QStringLiteral(".") + absolute, "7\n"));
    map.loadMap(absolute);
    verifyGrid(map, grid({"7"}));
#endif
}

void TestMyMap::unreadableNamesLeaveTheGrid_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << QStringLiteral("missing.map");
    QTest::newRow("empty name") << QString();
    QTest::newRow("directory") << QStringLiteral("maps");
#ifdef Q_OS_UNIX
    QTest::newRow("fifo with no writer") << QStringLiteral("fifo.map");
    QTest::newRow("symlink to a device") << QStringLiteral("zero.map");
    QTest::newRow("device through ..") << QDir(dir.path()).relativeFilePath(QStringLiteral("/dev/zero"));
    // A regular file whose every read fails; the grid keeps the map before it.
    QTest::newRow("read error") << QDir(dir.path()).relativeFilePath(readErrorFile());
#endif
}

void TestMyMap::unreadableNamesLeaveTheGrid()
{
    QFETCH(QString, name);
    if (QTest::currentDataTag() == QByteArray("read error") && readErrorFile().isEmpty())
        QSKIP(noReadErrorFile);
    if (portableIo && name == QLatin1String("fifo.map"))
        QSKIP(needsPosixIo);
    QVERIFY(writeFile(QStringLiteral("before.map"), uniformMap('2')));
    myMap map;
    map.loadMap(QStringLiteral("before.map"));
    QVERIFY(!map.loadMap(name));
    verifyGrid(map, grid(sameRows("22222222222222")));
}

void TestMyMap::enormousLineInBoundedMemory()
{
    // Four times the bound: a reader that kept the line would exceed it.
    const qint64 lineBytes = 64LL << 20;
    {
        QFile file(QStringLiteral("huge.map"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("3") == 1);
        const QByteArray filler(1 << 20, ' ');
        for (qint64 written = 0; written < lineBytes; written += filler.size())
            QVERIFY(file.write(filler) == filler.size());
        QVERIFY(file.write("\n4\n") == 3);
    }
    myMap map;
    const bool measured = resetPeakMemory();
    const qint64 before = statusKiB("VmHWM:");
    map.loadMap(QStringLiteral("huge.map"));
    const qint64 after = statusKiB("VmHWM:");
    QFile::remove(QStringLiteral("huge.map"));
    verifyGrid(map, grid({"3", "4"}));
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; memory is measured in the plain build");
    if (!measured || before < 0)
        QSKIP("peak memory cannot be measured on this system");
    QVERIFY2(after - before < 16 * 1024, QByteArray::number(after - before) + " KiB more");
}

QTEST_MAIN(TestMyMap)
#include "tst_myMap.moc"
