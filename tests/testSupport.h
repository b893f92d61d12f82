#pragma once

#include "isoCase.h"
#include "myMap.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

// Helpers that look at the widgets as a user sees them: through the widget
// tree and the labels' pictures and texts, not through private members.

// The tiles of a map in the order they were attached, which is row-major.
inline QList<isoCase *> tilesOf(const QWidget &map)
{
    QList<isoCase *> tiles;
    for (QObject *child : map.children())
        if (auto tile = dynamic_cast<isoCase *>(child))
            tiles.append(tile);
    return tiles;
}

// The tile's labels: the ground layer first, the text layer above it.
inline QLabel *groundLayer(const isoCase &tile)
{
    return tile.findChildren<QLabel *>().value(0);
}

inline QLabel *topLayer(const isoCase &tile)
{
    return tile.findChildren<QLabel *>().value(1);
}

// A picture of the bundle as a tile shows it, stretched to 64 by 32.
inline QImage tileImage(const char *path)
{
    return QPixmap(QString::fromLatin1(path))
        .scaled(64, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .toImage();
}

inline QImage shownImage(const QLabel *label)
{
    return label->pixmap().toImage();
}

inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 14 lines, each one code repeated 14 times.
inline QByteArray uniformMap(char code)
{
    return QByteArray(14, code).append('\n').repeated(14);
}
