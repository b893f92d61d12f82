// SPDX-License-Identifier: MIT
#include "codeTexts.h"

#include "grounds.h"

#include <QFontMetrics>
#include <QString>
#include <QTextOption>

namespace {

QRect textAreaOf(const QFont &font, const QSize &tileSize)
{
    const QFontMetrics whole(font);
    return {0, 0, tileSize.width(),
            tileSize.height() - grounds::codeTextRoomBelow(whole.ascent(), whole.descent())};
}

} // namespace

codeTexts::codeTexts(const QFont &deviceFont, const QSize &tileSize)
    : font(deviceFont), metrics(deviceFont), textArea(textAreaOf(deviceFont, tileSize))
{
}

void codeTexts::draw(QPainter &painter, const QRect &tile, char code)
{
    // Beyond printable ASCII drawText has rules of its own (tabs, controls,
    // soft hyphens): such codes take its own way.
    const QRect area = textArea.translated(tile.topLeft());
    if (code < '!' || code > '~') {
        painter.setClipRect(tile);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextForceLeftToRight,
                         QString(QLatin1Char(code)));
        painter.setClipping(false);
        return;
    }
    text &shown = texts[static_cast<unsigned char>(code)];
    if (!shown.layout)
        layOut(shown, code);
    // A glyph reaching out of the text's area, such as the hook of a J, is
    // cut at its edge as the label cuts it.
    if (shown.overflows)
        painter.setClipRect(area);
    shown.layout->lineAt(0).draw(&painter, tile.topLeft() + shown.offset);
    if (shown.overflows)
        painter.setClipping(false);
}

// As drawText lays out one line: unbounded width, the line at the top, then
// moved down by half of the height the text's area has to spare.
void codeTexts::layOut(text &shown, char code)
{
    const QString string = QString(QLatin1Char(code));
    shown.layout = std::make_unique<QTextLayout>(string, font);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    shown.layout->setTextOption(option);
    shown.layout->beginLayout();
    QTextLine line = shown.layout->createLine();
    line.setLineWidth(0x01000000);
    line.setPosition(QPointF(0, 0));
    shown.layout->endLayout();
    shown.offset = QPointF(0, (textArea.height() - line.height()) / 2);
    // The glyph's ink, a pixel wider all round for its smoothed edge.
    const QRectF inked = metrics.boundingRect(string)
                             .translated(shown.offset + QPointF(0, line.ascent()))
                             .adjusted(-1, -1, 1, 1);
    shown.overflows = !QRectF(textArea).contains(inked);
}
