// SPDX-License-Identifier: MIT
#include "myMap.h"

#include <QFileInfo>
#include <QPixmap>

namespace {

// Hands out the codes of a map file line by line. The file is read in chunks
// of a fixed size, so a line of any length, even a file with no line feed at
// all, is read in the same small memory.
class LineCodes
{
public:
    explicit LineCodes(QIODevice &source) : device(source) {}

    // The next code of the current line, or '0' once the line has no more.
    char next()
    {
        for (;;) {
            if (pos == length && !fill())
                return '0';
            const char byte = chunk[pos++];
            // These bytes only separate codes, wherever they stand.
            if (byte != '\0' && byte != '\r' && byte != '\n' && byte != ' ')
                return byte;
        }
    }

    // Drops what is left of the current line, so the next code comes from the next one.
    void nextLine()
    {
        while (fill()) {
        }
        atLineEnd = false;
    }

private:
    bool fill()
    {
        pos = length = 0;
        if (atLineEnd)
            return false;
        length = qMax<qint64>(device.readLine(chunk, sizeof chunk), 0);
        atLineEnd = length == 0 || chunk[length - 1] == '\n';
        return length > 0;
    }

    QIODevice &device;
    char chunk[4096];
    qint64 length = 0;
    qint64 pos = 0;
    bool atLineEnd = false;
};

} // namespace

myMap::myMap()
    : row(0), col(0), current(0)
{
    setFixedSize(mapWidth, mapHeight);
    background.setParent(this);
    background.setPixmap(QPixmap(QStringLiteral(":/Background/vide.jpg"))
                             .scaled(width(), height(), Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation));
    for (row = 0; row < gridSize; ++row) {
        for (col = 0; col < gridSize; ++col) {
            cases[row][col].setParent(this);
            // Neighbours sit half a tile apart across and down, so the
            // diamond pictures meet edge to edge; only the centring across
            // depends on the widget's own width.
            cases[row][col].move((width() + isoCase::tileWidth * (col - row - 1)) / 2,
                                 static_cast<int>(0.5 * isoCase::tileHeight * (row + col + 0.5)));
        }
    }
}

myMap::~myMap() = default;

void myMap::clearMap()
{
    for (row = 0; row < gridSize; ++row) {
        for (col = 0; col < gridSize; ++col) {
            cases[row][col].setGround(0);
            cases[row][col].setTopText(QString());
            cases[row][col].setWalkable(false);
        }
    }
}

void myMap::loadMap(const QString &name)
{
    const QString path = QStringLiteral("./") + name;
    file = std::make_unique<QFile>(path);
    // A FIFO would block the open until a writer comes and a device never
    // ends, so anything but a regular file is treated as unreadable.
    if (QFileInfo(path).isFile())
        file->open(QIODevice::ReadOnly);
    if (file->isOpen()) {
        LineCodes codes(*file);
        for (row = 0; row < gridSize; ++row) {
            for (col = 0; col < gridSize; ++col) {
                current = static_cast<qint8>(codes.next());
                cases[row][col].setGround(current);
                cases[row][col].setTopText(QString(QLatin1Char(static_cast<char>(current))));
            }
            codes.nextLine();
        }
    }
    file->close();
}
