// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QTextLayout>

#include <memory>

// The one-character code texts of the tiles, drawn as a label draws its text
// (QPainter::drawText in the label's contents, the tile less the room
// grounds::codeTextRoomBelow keeps, left and vertically centred, cut at the
// edges). Each printable ASCII code is laid out once, at the rectangle's
// top-left corner, and drawn from there into every tile that shows it: laying
// out and shaping was most of a text's time. The font is the painter's, as
// resolved for the device painted on.
class codeTexts
{
public:
    codeTexts(const QFont &deviceFont, const QSize &tileSize);

    void draw(QPainter &painter, const QRect &tile, char code);

private:
    struct text {
        std::unique_ptr<QTextLayout> layout;
        QPointF offset;
        bool overflows = false;
    };
    void layOut(text &shown, char code);

    const QFont font;
    const QFontMetricsF metrics;
    // Where a tile's label draws its text, from the tile's top-left corner.
    const QRect textArea;
    text texts[128];
};
