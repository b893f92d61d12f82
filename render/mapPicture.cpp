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
    QImage stretchedGrounds[grounds::count];
    codeTexts texts(QFont(painter.font(), &canvas), QSize(tileWidth, tileHeight));
    // Tile by tile, the ground and then its code, as the labels stack: the
    // tiles' rectangles overlap, and a later ground covers an earlier code.
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            QImage &ground = stretchedGrounds[grounds::indexOf(code)];
            if (ground.isNull())
                ground = stretched(loaded(grounds::at(grounds::indexOf(code)).picture, "png"), tileWidth,
                                   tileHeight);
            const QRect tile(grounds::tilePosition(row, col, width), QSize(tileWidth, tileHeight));
            painter.drawImage(tile.topLeft(), ground);
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

} // namespace mapPicture
