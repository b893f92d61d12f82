// SPDX-License-Identifier: MIT
#include "mapPicture.h"

#include "codeTexts.h"
#include "grounds.h"
#include "mapReader.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

namespace mapPicture {

namespace {

using grounds::tileHeight;
using grounds::tileWidth;
constexpr int gridSize = mapReader::gridSize;

// A picture of the bundle, in the form a QPixmap takes on the raster
// platform. The format is named, not guessed: asked to guess, or even told
// "png" with guessing on, Qt first loads every image plugin to ask whether
// it reads the format.
QImage loaded(const QString &path, const char *format)
{
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    return image;
}

QImage stretched(const QImage &image, int toWidth, int toHeight)
{
    return image.scaled(toWidth, toHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The ground picture a code shows, stretched to a tile: loaded once for all
// the tiles that show it, into pictures, which is by ground.
const QImage &groundPicture(QImage (&pictures)[grounds::count], char code)
{
    QImage &ground = pictures[grounds::of(code)];
    if (ground.isNull())
        ground = stretched(loaded(grounds::at(grounds::of(code)).picture, "png"), tileWidth, tileHeight);
    return ground;
}

// A premultiplied pixel over an opaque one, as QPainter lays it.
QRgb over(QRgb top, QRgb below)
{
    const int uncovered = 255 - qAlpha(top);
    if (uncovered == 0)
        return top;
    const auto share = [uncovered](int channel) {
        const int product = channel * uncovered;
        return (product + (product >> 8) + 0x80) >> 8;
    };
    return qRgb(qRed(top) + share(qRed(below)), qGreen(top) + share(qGreen(below)),
                qBlue(top) + share(qBlue(below)));
}

} // namespace

QImage draw(const QByteArray &codes, bool withTexts)
{
    // The format the viewer's grab gives for an opaque widget.
    QImage canvas(width, height, QImage::Format_RGB32);
    const QImage background = loaded(QStringLiteral(":/Background/vide.jpg"), "jpeg");
    // A single pixel stretched is that pixel everywhere: filled, without
    // the painter's scaling.
    if (background.size() == QSize(1, 1))
        canvas.fill(background.pixel(0, 0));
    QPainter painter(&canvas);
    if (background.size() != QSize(1, 1))
        painter.drawImage(0, 0, stretched(background, width, height));

    std::optional<codeTexts> texts;
    if (withTexts) {
        // The viewer's labels take the application's font and text colour.
        painter.setFont(QGuiApplication::font());
        painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
        texts.emplace(QFont(painter.font(), &canvas), QSize(tileWidth, tileHeight));
    }
    QImage pictures[grounds::count];
    // Tile by tile, the ground and then its code, as the labels stack: the
    // tiles' rectangles overlap, and a later ground covers an earlier code.
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            const QRect tile(grounds::tilePosition(row, col, width), QSize(tileWidth, tileHeight));
            painter.drawImage(tile.topLeft(), groundPicture(pictures, code));
            if (texts)
                texts->draw(painter, tile, code);
        }
    }
    painter.end();
    return canvas;
}

QImage fitted(const QImage &picture, int size)
{
    return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Row by row, each row of the area made and at once averaged into the rows
// of the result it falls in. Along each axis the area's pixel p covers
// [p * fit, (p + 1) * fit) and the result's pixel q covers [q * area,
// (q + 1) * area), in units of 1 / fit pixel of the area, so that every
// share is a whole number: a pixel of the result is the sum of the area's
// pixels times their shares of it, over area width times area height.
QImage fittedWithoutTexts(const QByteArray &codes, int size)
{
    const QImage background = loaded(QStringLiteral(":/Background/vide.jpg"), "jpeg");
    const QSize fit = QSize(width, height).scaled(size, size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // Only a background of one colour is made row by row, and only shrunk.
    if (background.size() != QSize(1, 1) || fit.width() >= width)
        return fitted(draw(codes, false), size);

    struct placed {
        QPoint at;
        const QImage *ground;
    };
    QImage pictures[grounds::count];
    std::vector<placed> tiles;
    for (int row = 0; row < gridSize; ++row)
        for (int col = 0; col < gridSize; ++col)
            tiles.push_back({grounds::tilePosition(row, col, width),
                             &groundPicture(pictures, codes.at(row * gridSize + col))});

    // Each of the area's columns falls in the result's column firstColumn,
    // and the next one for what its share there leaves.
    const int fitWidth = fit.width();
    const int fitHeight = fit.height();
    std::vector<int> firstColumn(width);
    std::vector<int> firstShare(width);
    for (int x = 0; x < width; ++x) {
        firstColumn[x] = x * fitWidth / width;
        firstShare[x] = std::min((firstColumn[x] + 1) * width, (x + 1) * fitWidth) - x * fitWidth;
    }

    // A row of background alone, averaged across; the tiles' pixels are
    // taken as their difference from the background. One column more, which
    // the last column's empty second share falls in.
    const QRgb ground = background.pixel(0, 0);
    std::vector<qint32> plain(3 * (fitWidth + 1));
    for (int q = 0; q < fitWidth; ++q) {
        plain[3 * q] = qRed(ground) * width;
        plain[3 * q + 1] = qGreen(ground) * width;
        plain[3 * q + 2] = qBlue(ground) * width;
    }
    QImage result(fit, QImage::Format_RGB32);
    std::vector<QRgb> line(width);
    std::vector<qint32> across(plain.size());
    // The sums of the result's row being made and of the next one.
    std::vector<qint32> sums(2 * 3 * fitWidth);
    int sumsRow = 0;
    const auto finishRow = [&] {
        const qint32 whole = width * height;
        auto *pixel = reinterpret_cast<QRgb *>(result.scanLine(sumsRow));
        for (int q = 0; q < fitWidth; ++q)
            pixel[q] = qRgb((sums[3 * q] + whole / 2) / whole, (sums[3 * q + 1] + whole / 2) / whole,
                            (sums[3 * q + 2] + whole / 2) / whole);
        std::copy(sums.begin() + 3 * fitWidth, sums.end(), sums.begin());
        std::fill(sums.begin() + 3 * fitWidth, sums.end(), 0);
        ++sumsRow;
    };
    for (int y = 0; y < height; ++y) {
        // The columns the row's tiles take.
        int from = width;
        int to = 0;
        for (const placed &tile : tiles) {
            if (y >= tile.at.y() && y < tile.at.y() + tileHeight) {
                from = std::min(from, std::max(0, tile.at.x()));
                to = std::max(to, std::min(width, tile.at.x() + tileWidth));
            }
        }
        std::fill(line.begin() + from, line.begin() + std::max(from, to), ground);
        for (const placed &tile : tiles) {
            if (y < tile.at.y() || y >= tile.at.y() + tileHeight)
                continue;
            const auto *pixel = reinterpret_cast<const QRgb *>(tile.ground->constScanLine(y - tile.at.y()));
            for (int x = std::max(0, -tile.at.x()); x < tileWidth && tile.at.x() + x < width; ++x)
                if (qAlpha(pixel[x]))
                    line[tile.at.x() + x] = over(pixel[x], line[tile.at.x() + x]);
        }
        across = plain;
        for (int x = from; x < to; ++x) {
            const qint32 red = qRed(line[x]) - qRed(ground);
            const qint32 green = qGreen(line[x]) - qGreen(ground);
            const qint32 blue = qBlue(line[x]) - qBlue(ground);
            const qint32 share = firstShare[x];
            const qint32 rest = fitWidth - share;
            qint32 *first = &across[3 * firstColumn[x]];
            first[0] += red * share;
            first[1] += green * share;
            first[2] += blue * share;
            first[3] += red * rest;
            first[4] += green * rest;
            first[5] += blue * rest;
        }
        const int row = y * fitHeight / height;
        while (sumsRow < row)
            finishRow();
        const qint32 share = std::min((row + 1) * height, (y + 1) * fitHeight) - y * fitHeight;
        for (int i = 0; i < 3 * fitWidth; ++i) {
            sums[i] += across[i] * share;
            sums[3 * fitWidth + i] += across[i] * (fitHeight - share);
        }
    }
    finishRow();
    return result;
}

} // namespace mapPicture
