// SPDX-License-Identifier: MIT
#pragma once

#include "isoCase.h"
#include "myMap.h"
#include "testFiles.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <QtTest>

// Helpers that look at the widgets as a user sees them: through the widget
// tree and the labels' pictures and texts, not through private members.

// The tiles below a map or a window, in the order they were attached, which
// is row-major.
inline QList<isoCase *> tilesOf(const QWidget &widget)
{
    QList<isoCase *> tiles;
    for (QWidget *child : widget.findChildren<QWidget *>())
        if (auto tile = dynamic_cast<isoCase *>(child))
            tiles.append(tile);
    return tiles;
}

// A failure of the running test, recorded with its message, and a stand-in
// for the widget that was not found, so that the test goes on to fail rather
// than crash. The stand-ins are never freed: they must outlive the test.
template <typename T>
T *missingWidget(const QByteArray &message, const char *file, int line)
{
    QTest::qFail(message.constData(), file, line);
    static T *standIn = new T;
    return standIn;
}

// The tile's labels: the ground layer first, the text layer above it.
inline QLabel *tileLayer(const isoCase &tile, int index, const char *file, int line)
{
    const QList<QLabel *> labels = tile.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    if (labels.size() != 2)
        return missingWidget<QLabel>("a tile has " + QByteArray::number(labels.size())
                                         + " labels instead of two",
                                     file, line);
    return labels.at(index);
}

inline QLabel *groundLayer(const isoCase &tile, const char *file = __builtin_FILE(),
                           int line = __builtin_LINE())
{
    return tileLayer(tile, 0, file, line);
}

inline QLabel *topLayer(const isoCase &tile, const char *file = __builtin_FILE(),
                        int line = __builtin_LINE())
{
    return tileLayer(tile, 1, file, line);
}

// A picture of the bundle as a tile shows it, stretched to 64 by 32.
inline QImage tileImage(const char *path)
{
    return QPixmap(QString::fromLatin1(path))
        .scaled(64, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .toImage();
}

// The label's picture, null when it shows none. QLabel::pixmap() gives the
// picture in Qt 6 and a pointer to it, null when there is none, in Qt 5;
// overloading on both keeps the tests version-neutral.
inline QPixmap pixmapOf(const QPixmap &pixmap)
{
    return pixmap;
}

inline QPixmap pixmapOf(const QPixmap *pixmap)
{
    return pixmap ? *pixmap : QPixmap();
}

inline QPixmap shownPixmap(const QLabel *label)
{
    // Qt 5.15 marks the pointer form deprecated, yet it is the one both versions read.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    return pixmapOf(label->pixmap());
    QT_WARNING_POP
}

inline QImage shownImage(const QLabel *label)
{
    return shownPixmap(label).toImage();
}

// The picture the viewer shows for a ground code, by the codes' table.
inline const char *groundPicture(int code)
{
    static const char *const pictures[] = {
        ":/sols/RSC/terrain/terre.png", ":/sols/RSC/terrain/herbe.png", ":/sols/RSC/terrain/dalles.png",
        ":/sols/RSC/terrain/roche.png", ":/sols/RSC/terrain/sable.png", ":/sols/RSC/terrain/eau.png",
        ":/sols/RSC/terrain/lave.png",  ":/sols/test.png"};
    return code >= '1' && code <= '8' ? pictures[code - '1'] : ":/sols/vide.png";
}

// The texts of the tiles in row-major order, a space for a tile with none.
inline QByteArray shownCodes(const QWidget &widget)
{
    QByteArray codes;
    for (const isoCase *tile : tilesOf(widget)) {
        const QString text = topLayer(*tile)->text();
        codes += text.isEmpty() ? ' ' : char(text.at(0).unicode());
    }
    return codes;
}

// A direct child of the window, found by its object name.
template <typename T>
T *windowPart(const QWidget &window, const char *name, const char *file, int line)
{
    if (auto part = window.findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly))
        return part;
    return missingWidget<T>(QByteArray("the window has no ") + T::staticMetaObject.className()
                                + " named " + name,
                            file, line);
}

// myMap has no meta data of its own, so it is told apart by its C++ type.
inline myMap *mapOf(const QWidget &window, const char *file = __builtin_FILE(),
                    int line = __builtin_LINE())
{
    if (auto map = dynamic_cast<myMap *>(
            window.findChild<QWidget *>(QStringLiteral("map"), Qt::FindDirectChildrenOnly)))
        return map;
    return missingWidget<myMap>("the window has no myMap named map", file, line);
}

// The window's three widgets; a missing one fails the test.
struct WindowParts {
    QPushButton *button;
    QLineEdit *field;
    myMap *map;
};

inline WindowParts partsOf(const QWidget &window, const char *file = __builtin_FILE(),
                           int line = __builtin_LINE())
{
    return {windowPart<QPushButton>(window, "reloadButton", file, line),
            windowPart<QLineEdit>(window, "fileEdit", file, line), mapOf(window, file, line)};
}
