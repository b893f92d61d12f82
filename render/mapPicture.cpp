// SPDX-License-Identifier: MIT
#include "mapPicture.h"

#include "codeTexts.h"
#include "grounds.h"
#include "mapReader.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QSemaphore>
#include <QString>
#include <QThreadPool>

#include <algorithm>
#include <system_error>
#include <thread>
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
    QImage &ground = pictures[grounds::indexOf(code)];
    if (ground.isNull())
        ground = stretched(loaded(grounds::at(grounds::indexOf(code)).picture, "png"), tileWidth, tileHeight);
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

QImage draw(const QByteArray &codes)
{
    // The format the viewer's grab gives for an opaque widget, filled first:
    // a background that cannot be read (no JPEG reader) leaves the window's
    // colour, as in the viewer, never what the memory held.
    QImage canvas(width, height, QImage::Format_RGB32);
    const QImage background = loaded(QStringLiteral(":/Background/vide.jpg"), "jpeg");
    // A single pixel stretched is that pixel everywhere: filled, without
    // the painter's scaling.
    const bool onePixel = background.size() == QSize(1, 1);
    canvas.fill(onePixel ? background.pixel(0, 0) : QGuiApplication::palette().color(QPalette::Window).rgb());
    QPainter painter(&canvas);
    if (!onePixel && !background.isNull())
        painter.drawImage(0, 0, stretched(background, width, height));

    // The viewer's labels take the application's font and text colour.
    painter.setFont(QGuiApplication::font());
    painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
    codeTexts texts(QFont(painter.font(), &canvas), QSize(tileWidth, tileHeight));
    QImage pictures[grounds::count];
    // Tile by tile, the ground and then its code, as the labels stack: the
    // tiles' rectangles overlap, and a later ground covers an earlier code.
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            const QRect tile(grounds::tilePosition(row, col, width), QSize(tileWidth, tileHeight));
            painter.drawImage(tile.topLeft(), groundPicture(pictures, code));
            texts.draw(painter, tile, code);
        }
    }
    painter.end();
    return canvas;
}

QImage fitted(const QImage &picture, int size)
{
    return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Qt's smooth scaling cuts a picture into a part per 65,536 of its pixels, at
// most one a row made, hands the parts to the global thread pool and waits for
// them all: a thread that the system refuses to start is waited for for ever,
// by the scaling and by the pool at exit. So the pool's threads are started
// here, one at a time while the system gives them, each tried first as a
// thread of our own, whose refusal is told; and the pool is held to those
// that run, so that the scaling starts none.
int startFittingThreads(int size)
{
    QThreadPool *const pool = QThreadPool::globalInstance();
    const int rows = QSize(width, height).scaled(size, size, Qt::KeepAspectRatio).height();
    const int wanted = std::min({pool->maxThreadCount(), width * height >> 16, rows});
    // Each waits until all have started, so that the next one is a new thread.
    static QSemaphore started;
    static QSemaphore allStarted;
    pool->setExpiryTimeout(-1);
    int count = 0;
    int refusal = 0;
    for (; count < wanted; ++count) {
        try {
            std::thread([] {}).join();
        } catch (const std::system_error &refused) {
            refusal = refused.code().value();
            break;
        }
        pool->start([] {
            started.release();
            allStarted.acquire();
        });
        started.acquire();
    }
    allStarted.release(count);
    if (count > 0)
        pool->setMaxThreadCount(count);
    // Under two parts the scaling runs on the caller's thread.
    return count > 0 || wanted < 2 ? 0 : refusal;
}

// Row by row, each row of the area made and at once averaged into the rows
// of the result it falls in. Along each axis the area's pixel p covers
// [p * fit, (p + 1) * fit) and the result's pixel q covers [q * area,
// (q + 1) * area), in units of 1 / fit pixel of the area, so that every
// share is a whole number: a pixel of the result is the sum of the area's
// pixels times their shares of it, over area width times area height. The
// background is one colour, the whole of every pixel's sum to begin with,
// and the tiles' pixels add their difference from it.
QImage fittedWithoutTexts(const QByteArray &codes, int size)
{
    const QSize fit = QSize(width, height).scaled(size, size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    Q_ASSERT(fit.width() < width);
    const QRgb ground = grounds::backgroundColour;
    const int fitWidth = fit.width();
    const int fitHeight = fit.height();

    // The columns of each row of each ground picture that show, and whether
    // they all hide what is below, to be copied as they are.
    struct span {
        int from = 0;
        int to = 0;
        bool opaque = true;
    };
    QImage pictures[grounds::count];
    span spans[grounds::count][tileHeight];
    struct placed {
        QPoint at;
        const QImage *ground;
        const span *rows;
    };
    std::vector<placed> tiles;
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            const int index = grounds::indexOf(code);
            const bool first = pictures[index].isNull();
            const QImage &picture = groundPicture(pictures, code);
            for (int y = 0; first && y < tileHeight; ++y) {
                const auto *pixel = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
                span &shown = spans[index][y];
                shown.from = tileWidth;
                for (int x = 0; x < tileWidth; ++x) {
                    if (qAlpha(pixel[x])) {
                        shown.from = std::min(shown.from, x);
                        shown.to = x + 1;
                        shown.opaque = shown.opaque && qAlpha(pixel[x]) == 255;
                    }
                }
            }
            tiles.push_back({grounds::tilePosition(row, col, width), &picture, spans[index]});
        }
    }

    // The area's columns that fall in each column of the result, the last of
    // which may also reach into the next one by what its share leaves.
    std::vector<int> columnStart(fitWidth + 1, width);
    std::vector<int> lastShare(fitWidth);
    for (int x = width - 1; x >= 0; --x) {
        const int column = x * fitWidth / width;
        if (columnStart[column] == width)
            lastShare[column] = std::min((column + 1) * width, (x + 1) * fitWidth) - x * fitWidth;
        columnStart[column] = x;
    }
    QImage result(fit, QImage::Format_RGB32);
    std::vector<QRgb> line(width);
    // A row's differences averaged across; one column more, which the last
    // column's empty second share falls in.
    std::vector<qint32> across(3 * (fitWidth + 1));
    // The sums of the result's row being made and of the next one.
    const qint32 whole = width * height;
    std::vector<qint32> plain(3 * fitWidth);
    for (int q = 0; q < fitWidth; ++q) {
        plain[3 * q] = qRed(ground) * whole;
        plain[3 * q + 1] = qGreen(ground) * whole;
        plain[3 * q + 2] = qBlue(ground) * whole;
    }
    std::vector<qint32> sums(plain);
    sums.insert(sums.end(), plain.begin(), plain.end());
    int sumsRow = 0;
    const auto finishRow = [&] {
        auto *pixel = reinterpret_cast<QRgb *>(result.scanLine(sumsRow));
        for (int q = 0; q < fitWidth; ++q)
            pixel[q] = qRgb((sums[3 * q] + whole / 2) / whole, (sums[3 * q + 1] + whole / 2) / whole,
                            (sums[3 * q + 2] + whole / 2) / whole);
        std::copy(sums.begin() + 3 * fitWidth, sums.end(), sums.begin());
        std::copy(plain.begin(), plain.end(), sums.begin() + 3 * fitWidth);
        ++sumsRow;
    };
    // The tiles the row crosses, in the order they are drawn, and the
    // columns they take; they change only where a tile starts or ends.
    std::vector<const placed *> crossing;
    int from = 0;
    int to = 0;
    int nextChange = 0;
    for (int y = 0; y < height; ++y) {
        if (y == nextChange) {
            crossing.clear();
            from = width;
            to = 0;
            nextChange = height;
            for (const placed &tile : tiles) {
                const int top = tile.at.y();
                if (y >= top && y < top + tileHeight) {
                    crossing.push_back(&tile);
                    from = std::min(from, std::max(0, tile.at.x()));
                    to = std::max(to, std::min(width, tile.at.x() + tileWidth));
                }
                const int bottom = top + tileHeight;
                nextChange = std::min(nextChange, top > y ? top : bottom > y ? bottom : height);
            }
        }
        std::fill(line.begin() + from, line.begin() + std::max(from, to), ground);
        for (const placed *tile : crossing) {
            const int tileY = y - tile->at.y();
            const span &shown = tile->rows[tileY];
            const auto *pixel = reinterpret_cast<const QRgb *>(tile->ground->constScanLine(tileY));
            const int left = std::max(shown.from, -tile->at.x());
            const int right = std::min(shown.to, width - tile->at.x());
            QRgb *below = line.data() + tile->at.x();
            if (shown.opaque && left < right)
                std::copy(pixel + left, pixel + right, below + left);
            for (int x = left; !shown.opaque && x < right; ++x)
                if (qAlpha(pixel[x]))
                    below[x] = over(pixel[x], below[x]);
        }
        // The result's columns the tiles reach, the last one's share included.
        const int firstQ = from * fitWidth / width;
        const int endQ = to > from ? std::min(fitWidth, (to - 1) * fitWidth / width + 2) : firstQ;
        std::fill(across.begin() + 3 * firstQ, across.begin() + 3 * endQ, 0);
        for (int q = firstQ; q < endQ && q <= (to - 1) * fitWidth / width; ++q) {
            // The columns wholly in q, then the last, which may reach into q + 1.
            const int last = columnStart[q + 1] - 1;
            const int first = std::max(columnStart[q], from);
            const int end = std::min(last, to);
            qint32 red = 0, green = 0, blue = 0;
            for (int x = first; x < end; ++x) {
                red += qRed(line[x]) - qRed(ground);
                green += qGreen(line[x]) - qGreen(ground);
                blue += qBlue(line[x]) - qBlue(ground);
            }
            qint32 *sum = &across[3 * q];
            sum[0] += red * fitWidth;
            sum[1] += green * fitWidth;
            sum[2] += blue * fitWidth;
            if (last >= from && last < to) {
                const qint32 share = lastShare[q];
                const qint32 rest = fitWidth - share;
                red = qRed(line[last]) - qRed(ground);
                green = qGreen(line[last]) - qGreen(ground);
                blue = qBlue(line[last]) - qBlue(ground);
                sum[0] += red * share;
                sum[1] += green * share;
                sum[2] += blue * share;
                sum[3] += red * rest;
                sum[4] += green * rest;
                sum[5] += blue * rest;
            }
        }
        const int row = y * fitHeight / height;
        while (sumsRow < row)
            finishRow();
        const qint32 share = std::min((row + 1) * height, (y + 1) * fitHeight) - y * fitHeight;
        for (int i = 3 * firstQ; i < 3 * endQ; ++i)
            sums[i] += across[i] * share;
        // Most rows fall in one row of the result.
        for (int i = 3 * firstQ; share < fitHeight && i < 3 * endQ; ++i)
            sums[3 * fitWidth + i] += across[i] * (fitHeight - share);
    }
    finishRow();
    return result;
}

} // namespace mapPicture
