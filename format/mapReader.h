// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <functional>
#include <iterator>

// The byte rules of map files, apart from any widget. Line r of a file (lines
// end with a line feed) gives grid row r. NUL, carriage return, line feed and
// space only separate codes; every other byte is the code of the next cell,
// left to right. Only the first gridSize codes of a line and the first
// gridSize lines count, and a cell the file leaves out gets the code '0'. The
// grid is row-major: codes()[row * gridSize + col].
class mapReader
{
public:
    mapReader() { std::fill(std::begin(grid), std::end(grid), '0'); }

    static constexpr int gridSize = 14;

    // What one byte does to the grid.
    enum class fate {
        separator, // skipped
        code,      // the code of the next cell of its line
        surplus,   // a code after the line's gridSize-th, ignored
        lineEnd,   // ends a line that counts: the next code starts the next row
        beyond,    // any byte after the last line that counts
    };

    // Sees the bytes as the reader takes them, for tools that explain a file.
    class observer
    {
    public:
        virtual ~observer() = default;
        // Each byte of the lines that count but spaces, which only ever
        // separate codes. row and col are the cell a code goes to; row is
        // also the row a line feed ends.
        virtual void taken(qint64 offset, char byte, fate what, int row, int col) = 0;
        // Bytes after the last line that counts, which change no cell.
        virtual void beyond(qint64 offset, const char *bytes, qint64 size) = 0;
        // size NUL bytes from offset on that the file system stores as a hole.
        virtual void hole(qint64 offset, qint64 size) = 0;
        // Reading stopped at offset, without an error.
        virtual void ended(qint64 offset) = 0;
    };

    // Where the data after offset begins, skipping a hole; end when only a
    // hole is left.
    using dataFinder = std::function<qint64(qint64 offset, qint64 end)>;

    // How read() takes its device. The defaults read from the current
    // position to the device's end and stop once the grid is complete.
    struct source {
        // Where the bytes end, when the device may go on past it; -1 for the
        // device's own end.
        qint64 end = -1;
        // Lets reading jump over holes; needs end.
        dataFinder findData;
        // Sees what the reader takes, up to the device's end: every byte
        // but spaces, as observer says.
        observer *watcher = nullptr;
    };

    Q_ALWAYS_INLINE fate take(char byte)
    {
        if (row >= gridSize)
            return fate::beyond;
        switch (byte) {
        case '\n':
            ++row;
            col = 0;
            return fate::lineEnd;
        case '\0':
        case '\r':
        case ' ':
            return fate::separator;
        default:
            if (col >= gridSize)
                return fate::surplus;
            grid[row * gridSize + col++] = byte;
            return fate::code;
        }
    }
    // take() on each of size bytes that start at offset in the file, and
    // what the watcher, if any, is to see of them.
    void feed(const char *bytes, qint64 size, qint64 offset = 0, observer *watcher = nullptr);
    // No further byte can change the grid.
    bool isComplete() const { return row >= gridSize; }
    QByteArray codes() const { return QByteArray(grid, sizeof grid); }

    // Takes the bytes of device as from says. False when a read fails, with
    // the device's errorString() saying why; the codes are then partial.
    bool read(QIODevice &device, const source &from);
    bool read(QIODevice &device) { return read(device, source()); }

private:
    char grid[gridSize * gridSize];
    int row = 0;
    int col = 0;
};
