// SPDX-License-Identifier: MIT
// The pictures as the program sees them: through the compiled-in resource
// bundle, never from the files on disk.

#include "grounds.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace {

// The ground tile's 2:1 diamond: rows widen by two pixels each side down to
// the middle, then mirror.
bool inTileDiamond(int x, int y)
{
    const int r = y < 10 ? y : 19 - y;
    return x >= 18 - 2 * r && x <= 19 + 2 * r;
}

quint32 bigEndian32(const QByteArray &bytes, int at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

struct JpegFrame
{
    QList<int> frameMarkers; // the n of every SOFn before the first scan
    int components = -1;
};

// Walks the marker segments up to the first scan, so bytes inside tables
// cannot pass for markers.
JpegFrame readJpegFrame(const QByteArray &bytes)
{
    JpegFrame frame;
    if (!bytes.startsWith("\xFF\xD8"))
        return frame;
    int pos = 2;
    while (pos + 4 <= bytes.size() && quint8(bytes.at(pos)) == 0xFF) {
        const int marker = quint8(bytes.at(pos + 1));
        if (marker == 0xDA || marker == 0xD9)
            break;
        const int length = quint8(bytes.at(pos + 2)) << 8 | quint8(bytes.at(pos + 3));
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
            && marker != 0xCC;
        if (isFrame) {
            frame.frameMarkers.append(marker - 0xC0);
            if (pos + 9 < bytes.size())
                frame.components = quint8(bytes.at(pos + 9));
        }
        pos += 2 + length;
    }
    return frame;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void pictures_data();
    void pictures();
    void terrain_data();
    void terrain();
    void testPicture();
    void flatPictures_data();
    void flatPictures();
    void iconHasClearCorners();
};

void TestResources::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    const QSize tile(38, 20);
    for (const char *name : {"terre", "herbe", "dalles", "roche", "sable", "eau", "lave"})
        QTest::newRow(name) << QStringLiteral(":/sols/RSC/terrain/%1.png").arg(name) << QByteArray("png")
                            << tile;
    // No ground code shows these two; the bundle holds them all the same.
    QTest::newRow("basalte, unused") << ":/sols/RSC/terrain/basalte.png" << QByteArray("png") << tile;
    QTest::newRow("cailloux, unused") << ":/sols/RSC/terrain/cailloux.png" << QByteArray("png") << tile;
    QTest::newRow("test") << ":/sols/test.png" << QByteArray("png") << QSize(128, 64);
    QTest::newRow("empty") << ":/sols/vide.png" << QByteArray("png") << QSize(2, 2);
    QTest::newRow("background") << ":/Background/vide.jpg" << QByteArray("jpeg") << QSize(1, 1);
    QTest::newRow("icon") << ":/Icons/base.png" << QByteArray("png") << QSize(256, 256);
}

void TestResources::pictures()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);

    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);

    if (format == "png") {
        // 8-bit RGBA (colour type 6): the diamonds' hard edges live in their own alpha channel.
        QVERIFY(image.hasAlphaChannel());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(26);
        QCOMPARE(header.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(int(bigEndian32(header, 16)), size.width());
        QCOMPARE(int(bigEndian32(header, 20)), size.height());
        QCOMPARE(int(quint8(header.at(24))), 8);
        QCOMPARE(int(quint8(header.at(25))), 6);
    } else {
        // The background: a progressive JPEG of three components, no alpha.
        QVERIFY(!image.hasAlphaChannel());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const JpegFrame frame = readJpegFrame(file.readAll());
        QVERIFY2(frame.frameMarkers.contains(2), "no SOF2 frame");
        QVERIFY2(!frame.frameMarkers.contains(0), "baseline SOF0 frame");
        QCOMPARE(frame.components, 3);
    }
}

void TestResources::terrain_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("mean");

    QTest::newRow("earth") << "terre" << QColor(149, 113, 81);
    QTest::newRow("grass") << "herbe" << QColor(105, 125, 66);
    QTest::newRow("flagstones") << "dalles" << QColor(101, 108, 119);
    QTest::newRow("rock") << "roche" << QColor(84, 90, 98);
    QTest::newRow("sand") << "sable" << QColor(148, 108, 36);
    QTest::newRow("water") << "eau" << QColor(117, 177, 216);
    QTest::newRow("lava") << "lave" << QColor(226, 88, 6);
    QTest::newRow("basalt") << "basalte" << QColor(100, 95, 88);
    QTest::newRow("pebbles") << "cailloux" << QColor(75, 76, 70);
}

void TestResources::terrain()
{
    QFETCH(QString, name);
    QFETCH(QColor, mean);

    const QImage tile = QImage(":/sols/RSC/terrain/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!tile.isNull());

    // Hard-edged mask: neighbouring tiles must meet without seams or overlap.
    int opaque = 0;
    double red = 0, green = 0, blue = 0;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x) {
            const QRgb pixel = tile.pixel(x, y);
            const QByteArray where = QByteArray::number(x) + "," + QByteArray::number(y);
            if (!inTileDiamond(x, y)) {
                QVERIFY2(pixel == 0, ("not clear outside the diamond at " + where).constData());
                continue;
            }
            QVERIFY2(qAlpha(pixel) == 255, ("not opaque inside the diamond at " + where).constData());
            ++opaque;
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
    QCOMPARE(opaque, 400);

    const QByteArray measured = QByteArray::number(red / opaque, 'f', 1) + " "
        + QByteArray::number(green / opaque, 'f', 1) + " " + QByteArray::number(blue / opaque, 'f', 1);
    QVERIFY2(std::abs(red / opaque - mean.red()) <= 3, measured.constData());
    QVERIFY2(std::abs(green / opaque - mean.green()) <= 3, measured.constData());
    QVERIFY2(std::abs(blue / opaque - mean.blue()) <= 3, measured.constData());
}

void TestResources::testPicture()
{
    const QImage picture = QImage(":/sols/test.png").convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!picture.isNull());

    int partial = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(picture.pixel(x, y));
            partial += alpha > 0 && alpha < 255;
        }
    QVERIFY2(partial >= 150 && partial <= 260, QByteArray::number(partial));

    auto opaqueInRow = [&](int y) {
        int count = 0;
        for (int x = 0; x < picture.width(); ++x)
            count += qAlpha(picture.pixel(x, y)) == 255;
        return count;
    };
    QCOMPARE(opaqueInRow(31), 128);
    QCOMPARE(opaqueInRow(32), 128);
    QVERIFY(opaqueInRow(0) > 0 && opaqueInRow(0) < 12);
    QVERIFY(opaqueInRow(63) > 0 && opaqueInRow(63) < 12);
    QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(picture.pixel(127, 63)), 0);

    // The left tip is bare earth: warm, red over green over blue.
    int red = 0, green = 0, blue = 0;
    for (int y = 30; y < 34; ++y)
        for (int x = 2; x < 12; ++x) {
            red += qRed(picture.pixel(x, y));
            green += qGreen(picture.pixel(x, y));
            blue += qBlue(picture.pixel(x, y));
        }
    QVERIFY(red > green && green > blue);
}

void TestResources::flatPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    // Every pixel, its bits in mask, is colour.
    QTest::addColumn<uint>("mask");
    QTest::addColumn<uint>("colour");
    QTest::newRow("the empty tile stays clear") << ":/sols/vide.png" << QSize(64, 32) << 0xFF000000u << 0u;
    QTest::newRow("the background is flat grey")
        << ":/Background/vide.jpg" << QSize(928, 480) << 0xFFFFFFFFu << uint(grounds::backgroundColour);
}

// Stretched as the viewer stretches it.
void TestResources::flatPictures()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(uint, mask);
    QFETCH(uint, colour);
    const QImage picture = QImage(path)
                               .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(picture.size(), size);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & mask) != colour)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                     .arg(x)
                                     .arg(y)
                                     .arg(QColor(picture.pixel(x, y)).name(QColor::HexArgb))));
}

void TestResources::iconHasClearCorners()
{
    const QImage icon(":/Icons/base.png");
    QVERIFY(!icon.isNull());
    const int last = icon.width() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
        QCOMPARE(qAlpha(icon.pixel(corner)), 0);
    QCOMPARE(qAlpha(icon.pixel(icon.rect().center())), 255);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
