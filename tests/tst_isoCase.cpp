// SPDX-License-Identifier: MIT
#include "testSupport.h"

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
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("walkable");

    const QString empty = QStringLiteral(":/sols/vide.png");
    QTest::newRow("1 earth") << int('1') << ":/sols/RSC/terrain/terre.png" << true;
    QTest::newRow("2 grass") << int('2') << ":/sols/RSC/terrain/herbe.png" << true;
    QTest::newRow("3 flagstones") << int('3') << ":/sols/RSC/terrain/dalles.png" << true;
    QTest::newRow("4 rock") << int('4') << ":/sols/RSC/terrain/roche.png" << true;
    QTest::newRow("5 sand") << int('5') << ":/sols/RSC/terrain/sable.png" << true;
    QTest::newRow("6 water") << int('6') << ":/sols/RSC/terrain/eau.png" << false;
    QTest::newRow("7 lava") << int('7') << ":/sols/RSC/terrain/lave.png" << false;
    QTest::newRow("8 test tile") << int('8') << ":/sols/test.png" << false;
    QTest::newRow("0") << int('0') << empty << false;
    QTest::newRow("9") << int('9') << empty << false;
    QTest::newRow("nul") << 0 << empty << false;
    QTest::newRow("letter") << int('a') << empty << false;
    QTest::newRow("tab") << int('\t') << empty << false;
    QTest::newRow("latin-1 byte, sign-extended") << int(qint8(0xE9)) << empty << false;
    QTest::newRow("'1' plus 256") << int('1') + 256 << empty << false;
}

void TestIsoCase::groundCodes()
{
    QFETCH(int, code);
    QFETCH(QString, picture);
    QFETCH(bool, walkable);

    isoCase tile;
    tile.setGround(code);
    QCOMPARE(tile.getCode(), code);
    QCOMPARE(tile.isWalkable(), walkable);
    const QImage shown = shownImage(groundLayer(tile));
    QCOMPARE(shown, tileImage(picture.toLatin1().constData()));
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

QTEST_MAIN(TestIsoCase)
#include "tst_isoCase.moc"
