// SPDX-License-Identifier: MIT
#include "mapReader.h"
#include "testSupport.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// The codes a map file should give, as 196 bytes in row-major order: each
// listed row padded with '0', missing rows all '0'.
QByteArray grid(const QList<QByteArray> &rows)
{
    QByteArray codes;
    for (int row = 0; row < 14; ++row)
        codes += rows.value(row).leftJustified(14, '0', true);
    return codes;
}

// The same row, fourteen times.
QList<QByteArray> sameRows(const QByteArray &row)
{
    QList<QByteArray> rows;
    for (int i = 0; i < 14; ++i)
        rows.append(row);
    return rows;
}

// Gives the bytes of a map up to a point, then fails as a disk or a network
// file system can.
class failingDevice : public QIODevice
{
public:
    failingDevice(const QByteArray &content, qint64 failure) : bytes(content), failAt(failure)
    {
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 at = pos();
        if (at >= failAt) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 size = qMin(maxSize, qMin<qint64>(failAt, bytes.size()) - at);
        memcpy(data, bytes.constData() + at, size_t(size));
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray bytes;
    const qint64 failAt;
};

} // namespace

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
    void reader_data();
    void reader();
    void nameInSubfolder();
    void unreadableNamesLeaveTheGrid_data();
    void unreadableNamesLeaveTheGrid();
    void enormousLineInBoundedMemory();
    void readErrors_data();
    void readErrors();

private:
    void verifyGrid(const myMap &map, const QByteArray &codes);
    QTemporaryDir dir;
};

void TestMyMap::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
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
        isoCase reference;
        reference.setGround(qint8(code));
        QVERIFY2(shownImage(groundLayer(tile)) == shownImage(groundLayer(reference)), where);
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
    const QObjectList children = map.children();
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

void TestMyMap::reader_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("codes");

    const QByteArray line = "12345678012345";
    const QByteArray full = grid(sameRows(line));
    QTest::newRow("lf line ends") << (line + '\n').repeated(14) << full;
    QTest::newRow("crlf line ends") << (line + "\r\n").repeated(14) << full;
    QTest::newRow("no final line feed") << (line + '\n').repeated(14).chopped(1) << full;
    QTest::newRow("lines after the 14th ignored")
        << (line + '\n').repeated(14) + "66666666666666\n" << full;
    QTest::newRow("spaces and nul between codes")
        << QByteArray("1 2\0003  4\n 5\n", 12) << grid({"1234", "5"});
    QTest::newRow("tab is a code") << QByteArray("1 1\t1\n") << grid({"11\t1"});
    QTest::newRow("20 codes on a line")
        << QByteArray("12345671234567777777\n\n22\n") << grid({"12345671234567", "", "22"});
    QTest::newRow("3 lines") << QByteArray("1\n2\n3\n") << grid({"1", "2", "3"});
    QTest::newRow("empty file") << QByteArray() << grid({});
    QTest::newRow("empty lines") << QByteArray("\n\n\r\n4\n") << grid({"", "", "", "4"});
    QTest::newRow("cr only line ends")
        << QByteArray("1234\r5678\r1234\r") << grid({"123456781234"});
    QTest::newRow("utf-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF" "12345678123456\n2\n")
        << grid({"\xEF\xBB\xBF" "12345678123", "2"});
    QTest::newRow("latin-1 codes") << QByteArray("\xE9\xFF\x80\x7F\n") << grid({"\xE9\xFF\x80\x7F"});
    // Lines longer than any read buffer: codes after the filler, and the
    // surplus of a long line dropped up to its own line feed.
    QTest::newRow("long filler before codes")
        << QByteArray(100000, ' ') + "77\n" + "6\n" << grid({"77", "6"});
    QTest::newRow("long line of codes")
        << QByteArray(100000, '5') + "\n4\n" << grid({"55555555555555", "4"});
}

void TestMyMap::reader()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, codes);
    // The byte rules alone, read in chunks from a buffer and taken one byte at a time.
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    mapReader chunks;
    QVERIFY(chunks.read(buffer));
    QCOMPARE(chunks.codes(), codes);
    mapReader bytes;
    for (const char byte : content)
        bytes.take(byte);
    QCOMPARE(bytes.codes(), codes);

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
    // Absolute names are taken below the working directory as well: the
    // same path under it holds another map.
    const QString absolute = dir.filePath(QStringLiteral("maps/a.map"));
    QVERIFY(QDir().mkpath(QStringLiteral(".") + QFileInfo(absolute).path()));
    QVERIFY(writeFile(QStringLiteral(".") + absolute, "7\n"));
    map.loadMap(absolute);
    verifyGrid(map, grid({"7"}));
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
    const QString failing = readErrorFile();
    if (!failing.isEmpty())
        QTest::newRow("read error") << QDir(dir.path()).relativeFilePath(failing);
#endif
}

void TestMyMap::unreadableNamesLeaveTheGrid()
{
    QFETCH(QString, name);
    QDir().mkpath(QStringLiteral("maps"));
#ifdef Q_OS_UNIX
    ::mkfifo("fifo.map", 0600);
    QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("zero.map"));
#endif
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
    const qint64 before = statusKiB("VmHWM:");
    map.loadMap(QStringLiteral("huge.map"));
    const qint64 after = statusKiB("VmHWM:");
    QFile::remove(QStringLiteral("huge.map"));
    verifyGrid(map, grid({"3", "4"}));
    if (addressSanitizerOn)
        QSKIP("AddressSanitizer holds freed memory in quarantine; memory is measured in the plain build");
    if (before < 0)
        QSKIP("peak memory is not known on this system");
    QVERIFY2(after - before < 16 * 1024, QByteArray::number(after - before) + " KiB more");
}

void TestMyMap::readErrors_data()
{
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<bool>("read");
    QTest::newRow("at the first byte") << qint64(0) << false;
    QTest::newRow("in the middle of a line") << qint64(20) << false;
    QTest::newRow("beyond the last line that counts") << qint64(14 * 15) << true;
}

// A read error is no end of file: the reader says so, and the codes read
// before it are not passed off as the map.
void TestMyMap::readErrors()
{
    QFETCH(qint64, failAt);
    QFETCH(bool, read);
    const QByteArray content = uniformMap('3') + "trailing text\n";
    failingDevice device(content, failAt);
    mapReader reader;
    QCOMPARE(reader.read(device), read);
    if (read)
        QCOMPARE(reader.codes(), QByteArray(196, '3'));
}

QTEST_MAIN(TestMyMap)
#include "tst_myMap.moc"
