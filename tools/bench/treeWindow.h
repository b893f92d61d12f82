// SPDX-License-Identifier: MIT
#pragma once

#include "chromeWindow.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>

// The ground table of the viewer's tiles: the picture of a code.
inline QString groundPicturePath(char code)
{
    static const char *const paths[] = {
        ":/sols/RSC/terrain/terre.png", ":/sols/RSC/terrain/herbe.png",
        ":/sols/RSC/terrain/dalles.png", ":/sols/RSC/terrain/roche.png",
        ":/sols/RSC/terrain/sable.png", ":/sols/RSC/terrain/eau.png",
        ":/sols/RSC/terrain/lave.png", ":/sols/test.png",
    };
    return QString::fromLatin1(code >= '1' && code <= '8' ? paths[code - '1'] : ":/sols/vide.png");
}

// A tile of the widget-tree baseline: a fixed 64 by 32 widget with two labels
// at its origin, built and attached as the viewer builds its tiles. The labels
// are members; the tile is built without a parent and adopted by its map.
class plainTile : public QWidget
{
public:
    plainTile()
    {
        setFixedSize(64, 32);
        setBackgroundRole(QPalette::NoRole);
        ground.setParent(this);
        top.setParent(this);
        ground.setFixedSize(size());
        top.setFixedSize(size());
    }

    QLabel ground;
    QLabel top;
};

// What the viewer's map costs as a widget tree alone: the same 928 by 480
// widget, background label and 196 tiles of two labels, built without parents
// and attached in the same order and places, then given the same pictures and
// texts directly, each picture loaded from the bundle and stretched once. The
// difference to the viewer is what loading every tile's picture at each use
// costs. Tiles and label are members; the map is adopted by its window.
class plainMap : public QWidget
{
public:
    plainMap()
    {
        setFixedSize(928, 480);
        background.setParent(this);
        background.setPixmap(QPixmap(QStringLiteral(":/Background/vide.jpg"))
                                 .scaled(width(), height(), Qt::IgnoreAspectRatio,
                                         Qt::FastTransformation));
        for (int row = 0; row < 14; ++row) {
            for (int col = 0; col < 14; ++col) {
                tiles[row][col].setParent(this);
                tiles[row][col].move(432 + 32 * (col - row), 16 * (row + col) + 8);
            }
        }
    }

    // The codes of ./name as the viewer reads them, for a file without
    // spaces or overlong lines such as the sample maps; '0' where one is missing.
    static QByteArray codesOf(const QString &name)
    {
        QFile file(name);
        QByteArray codes(14 * 14, '0');
        if (!file.open(QIODevice::ReadOnly))
            return codes;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (int row = 0; row < 14 && row < lines.size(); ++row) {
            const QByteArray line = lines.at(row).trimmed();
            for (int col = 0; col < 14 && col < line.size(); ++col)
                codes[row * 14 + col] = line.at(col);
        }
        return codes;
    }

    void showCodes(const QByteArray &codes)
    {
        QHash<char, QPixmap> pictures;
        for (int cell = 0; cell < 14 * 14; ++cell) {
            const char code = codes.at(cell);
            auto picture = pictures.find(code);
            if (picture == pictures.end())
                picture = pictures.insert(code, pictureOf(code));
            plainTile &tile = tiles[cell / 14][cell % 14];
            tile.ground.setPixmap(*picture);
            tile.top.setText(QString(QLatin1Char(code)));
        }
    }

private:
    static QPixmap pictureOf(char code)
    {
        return QPixmap(groundPicturePath(code))
            .scaled(64, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }

    plainTile tiles[14][14];
    QLabel background;
};

// The widget-tree baseline's window: the chrome with the plain map at its
// origin, attached after the field as the viewer attaches its map.
class treeWindow : public chromeWindow
{
public:
    treeWindow()
    {
        map.setParent(this);
        map.showCodes(plainMap::codesOf(QStringLiteral("test.map")));
    }

    plainMap map;
};
