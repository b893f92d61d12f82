// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "testSupport.h"

#include <QDir>
#include <QPixmapCache>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class TestIsoCase : public QObject
{
    Q_OBJECT

private slots:
    void newTileIsBlank();
    void groundCodes_data();
    void groundCodes();
    void walkableIsNeverCleared_data();
    void walkableIsNeverCleared();
    void upperLayer();
    void sharedCopiesChangeNoPixel_data();
    void sharedCopiesChangeNoPixel();
    void reloadStretchesNoPictureTwice();
};

void TestIsoCase::newTileIsBlank()
{
    isoCase tile;
    QCOMPARE(tile.parentWidget(), nullptr);
    QCOMPARE(tile.getCode(), 0);
    QVERIFY(!tile.isWalkable());
    QCOMPARE(tile.size(), QSize(64, 32));
    QCOMPARE(tile.minimumSize(), tile.maximumSize());
    const QList<QLabel *> labels = tile.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 2);
    for (QLabel *label : labels) {
        QCOMPARE(label->geometry(), QRect(0, 0, 64, 32));
        QVERIFY(shownImage(label).isNull());
        QVERIFY(label->text().isEmpty());
    }
}

void TestIsoCase::groundCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("walkable");
    QTest::addColumn<QString>("name");

    const QString vide = QStringLiteral("vide");
    QTest::newRow("1 earth") << int('1') << true << "terre";
    QTest::newRow("2 grass") << int('2') << true << "herbe";
    QTest::newRow("3 flagstones") << int('3') << true << "dalles";
    QTest::newRow("4 rock") << int('4') << true << "roche";
    QTest::newRow("5 sand") << int('5') << true << "sable";
    QTest::newRow("6 water") << int('6') << false << "eau";
    QTest::newRow("7 lava") << int('7') << false << "lave";
    QTest::newRow("8 test tile") << int('8') << false << "tuile de test";
    QTest::newRow("0") << int('0') << false << vide;
    QTest::newRow("9") << int('9') << false << vide;
    QTest::newRow("nul") << 0 << false << vide;
    QTest::newRow("letter") << int('a') << false << vide;
    QTest::newRow("tab") << int('\t') << false << vide;
    QTest::newRow("latin-1 byte, sign-extended") << int(qint8(0xE9)) << false << vide;
    QTest::newRow("'1' plus 256") << int('1') + 256 << false << vide;
}

// Each code shows the picture of the codes' table, stretched to the tile.
void TestIsoCase::groundCodes()
{
    QFETCH(int, code);
    QFETCH(bool, walkable);
    QFETCH(QString, name);

    isoCase tile;
    QCOMPARE(tile.groundName(), QStringLiteral("vide"));
    tile.setGround(code);
    QCOMPARE(tile.getCode(), code);
    QCOMPARE(tile.isWalkable(), walkable);
    QCOMPARE(tile.groundName(), name);
    const QImage shown = shownImage(groundLayer(tile));
    QCOMPARE(shown, tileImage(groundPicture(code)));
    QVERIFY(!shown.isNull());
    QCOMPARE(shown.size(), QSize(64, 32));
    QVERIFY(shownImage(topLayer(tile)).isNull());
}

void TestIsoCase::walkableIsNeverCleared_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("water") << int('6');
    QTest::newRow("test tile") << int('8');
    QTest::newRow("0") << int('0');
    QTest::newRow("nul") << 0;
    QTest::newRow("9") << int('9');
}

void TestIsoCase::walkableIsNeverCleared()
{
    QFETCH(int, code);
    isoCase tile;
    tile.setGround('2');
    tile.setGround(code);
    QVERIFY(tile.isWalkable());
    QCOMPARE(tile.getCode(), code);
    tile.setWalkable(false);
    QVERIFY(!tile.isWalkable());
}

void TestIsoCase::upperLayer()
{
    isoCase tile;
    tile.setGround('8');
    tile.setTopGround('8');
    QCOMPARE(shownImage(groundLayer(tile)), tileImage(":/sols/test.png"));
    QCOMPARE(shownImage(topLayer(tile)), tileImage(":/sols/vide.png"));
    QVERIFY(!tile.isWalkable());

    tile.setTopGround('3');
    QCOMPARE(shownImage(topLayer(tile)), tileImage(":/sols/RSC/terrain/dalles.png"));
    QCOMPARE(tile.getCode(), int('3'));
    QVERIFY(tile.isWalkable());

    // The text and the upper picture replace each other.
    tile.setTopText(QStringLiteral("3"));
    QCOMPARE(topLayer(tile)->text(), QStringLiteral("3"));
    QVERIFY(shownImage(topLayer(tile)).isNull());
    tile.setTopGround('7');
    QVERIFY(topLayer(tile)->text().isEmpty());
    QVERIFY(!shownImage(topLayer(tile)).isNull());
    QCOMPARE(shownImage(groundLayer(tile)), tileImage(":/sols/test.png"));
}

void TestIsoCase::sharedCopiesChangeNoPixel_data()
{
    QTest::addColumn<bool>("emptyCache");
    QTest::addColumn<int>("rounds");
    QTest::newRow("start-up and reloads") << false << 1;
    QTest::newRow("reloads after the pixmap cache was emptied") << true << 1;
    // Copies kept for every picture ever loaded would grow by about 150 KiB a round.
    QTest::newRow("200 rounds, the cache emptied before each reload") << true << 200;
}

// The window as it looks after start-up and after each reload, with the tiles
// sharing their stretched pictures and with each tile stretching its own.
void TestIsoCase::sharedCopiesChangeNoPixel()
{
    QFETCH(bool, emptyCache);
    QFETCH(int, rounds);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    // Every ground code, the empty ones among them, in a different order on each line.
    QByteArray everyCode;
    for (int row = 0; row < 14; ++row)
        for (int col = 0; col <= 14; ++col)
            everyCode += col == 14 ? '\n' : "123456789x0"[(row + col) % 11];
    QVERIFY(writeFile(QStringLiteral("test.map"), everyCode));
    QByteArray otherCodes;
    for (int row = 0; row < 14; ++row)
        otherCodes += QByteArray(14, "87654321"[row % 8]) + '\n';
    QVERIFY(writeFile(QStringLiteral("b.map"), otherCodes));
    const QStringList reloads = {QStringLiteral("b.map"), QStringLiteral("test.map")};
    const auto reload = [](MainWindow &window, const QString &name) {
        const WindowParts parts = partsOf(window);
        parts.field->setText(name);
        parts.button->click();
    };

    // With no room in Qt's pixmap cache no loaded picture keeps its key and no
    // stretched copy is kept, so every tile stretches the picture it loaded.
    const int limit = QPixmapCache::cacheLimit();
    QPixmapCache::clear();
    QPixmapCache::setCacheLimit(0);
    QList<QImage> expected;
    {
        MainWindow window;
        expected.append(window.grab().toImage());
        for (const QString &name : reloads) {
            reload(window, name);
            expected.append(window.grab().toImage());
        }
    }
    QPixmapCache::setCacheLimit(limit);

    MainWindow window;
    QCOMPARE(window.grab().toImage(), expected.at(0));
    qint64 grown = 0;
    for (int round = 0; round < rounds; ++round) {
        const qint64 before = statusKiB("VmRSS:");
        for (int i = 0; i < reloads.size(); ++i) {
            if (emptyCache)
                QPixmapCache::clear();
            reload(window, reloads.at(i));
            if (round == 0 || round == rounds - 1)
                QCOMPARE(window.grab().toImage(), expected.at(i + 1));
        }
        // The first round settles what any window needs once.
        if (round > 0)
            grown += statusKiB("VmRSS:") - before;
    }
    if (!addressSanitizerOn)
        QVERIFY2(grown < 4096, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown)));
}

// The tiles of one ground show one stretched copy of its picture, the same
// after a reload: a copy made anew would be a picture of its own.
void TestIsoCase::reloadStretchesNoPictureTwice()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(writeFile(QStringLiteral("test.map"), uniformMap('2')));
    MainWindow window;
    const QList<isoCase *> tiles = tilesOf(window);
    const auto keys = [&tiles] {
        QSet<qint64> found;
        for (const isoCase *tile : tiles)
            found.insert(shownPixmap(groundLayer(*tile)).cacheKey());
        return found;
    };
    const QSet<qint64> shown = keys();
    QCOMPARE(shown.size(), 1);
    partsOf(window).button->click();
    QCOMPARE(keys(), shown);
}

QTEST_MAIN(TestIsoCase)
#include "tst_isoCase.moc"
