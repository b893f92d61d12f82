// SPDX-License-Identifier: MIT
#include "mapPicture.h"

#include "codeTexts.h"
#include "mapReader.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QString>

#include <iterator>

namespace mapPicture {

namespace {

// The viewer's layout (isoCase and myMap), which tst_render holds this
// painter to pixel for pixel.
constexpr int tileWidth = 64;
constexpr int tileHeight = 32;
constexpr int gridSize = mapReader::gridSize;

// The viewer's ground pictures for codes '1' to '8', then the empty one.
const char *const groundPictures[] = {
    ":/sols/RSC/terrain/terre.png", ":/sols/RSC/terrain/herbe.png",
    ":/sols/RSC/terrain/dalles.png", ":/sols/RSC/terrain/roche.png",
    ":/sols/RSC/terrain/sable.png", ":/sols/RSC/terrain/eau.png",
    ":/sols/RSC/terrain/lave.png", ":/sols/test.png",
    ":/sols/vide.png",
};
constexpr int emptyPicture = 8;

int pictureOf(char code)
{
    return code >= '1' && code <= '8' ? code - '1' : emptyPicture;
}

// A picture of the bundle, in the form a QPixmap takes on the raster
// platform. The format is named, not guessed: asked to guess, or even told
// "png" with guessing on, Qt first loads every image plugin to ask whether
// it reads the format.
QImage loaded(const char *path, const char *format)
{
    QImageReader reader(QString::fromLatin1(path), format);
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
    // The format the viewer's grab gives for an opaque widget.
    QImage canvas(width, height, QImage::Format_RGB32);
    const QImage background = loaded(":/Background/vide.jpg", "jpeg");
    // A single pixel stretched is that pixel everywhere: filled, without
    // the painter's scaling.
    if (background.size() == QSize(1, 1))
        canvas.fill(background.pixel(0, 0));
    QPainter painter(&canvas);
    if (background.size() != QSize(1, 1))
        painter.drawImage(0, 0, stretched(background, width, height));

    // The viewer's labels take the application's font and text colour.
    painter.setFont(QGuiApplication::font());
    painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
    QImage grounds[std::size(groundPictures)];
    codeTexts texts(QFont(painter.font(), &canvas), QSize(tileWidth, tileHeight));
    // Tile by tile, the ground and then its code, as the labels stack: the
    // tiles' rectangles overlap, and a later ground covers an earlier code.
    for (int row = 0; row < gridSize; ++row) {
        for (int col = 0; col < gridSize; ++col) {
            const char code = codes.at(row * gridSize + col);
            QImage &ground = grounds[pictureOf(code)];
            if (ground.isNull())
                ground = stretched(loaded(groundPictures[pictureOf(code)], "png"), tileWidth, tileHeight);
            const QRect tile((width + tileWidth * (col - row - 1)) / 2,
                             static_cast<int>(0.5 * tileHeight * (row + col + 0.5)), tileWidth,
                             tileHeight);
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

} // namespace mapPicture
