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

#include <optional>

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

} // namespace mapPicture
