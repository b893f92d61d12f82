// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QIODevice>

#include <functional>

// The byte rules of map files, apart from any widget. Line r of a file (lines
// end with a line feed) gives grid row r. NUL, carriage return, line feed and
// space only separate codes; every other byte is the code of the next cell,
// left to right. Only the first gridSize codes of a line and the first
// gridSize lines count, and a cell the file leaves out gets the code '0'. The
// grid is row-major: codes()[row * gridSize + col].
class mapReader
{
public:
    static constexpr int gridSize = 14;

    // What one byte does to the grid.
    enum class fate {
        separator, // skipped
        code,      // the code of the next cell of its line
        surplus,   // a code after the line's gridSize-th, ignored
        lineEnd,   // ends a line that counts: the next code starts the next row
        beyond,    // any byte after the last line that counts
    };

    // Sees the bytes as the reader takes them, for tools that explain a
    // file: every byte but spaces, which never do more than separate codes,
    // so that long runs of them cost nothing.
    class observer
    {
    public:
        virtual ~observer() = default;
        // row and col are the cell a code goes to; row is also the row a line feed ends.
        virtual void taken(qint64 offset, char byte, fate what, int row, int col) = 0;
        // size NUL bytes from offset on that the file system stores as a hole.
        virtual void hole(qint64 offset, qint64 size) = 0;
        // Reading stopped at offset, without an error.
        virtual void ended(qint64 offset) = 0;
    };

    // Where the data after offset begins, skipping a hole; end when only a
    // hole is left. A source without holes gives offset back.
    using dataFinder = std::function<qint64(qint64 offset, qint64 end)>;

    fate take(char byte)
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
    // The same as take() on each byte, faster.
    void feed(const char *bytes, qint64 size);
    // No further byte can change the grid.
    bool isComplete() const { return row >= gridSize; }
    const QByteArray &codes() const { return grid; }

    // Takes the bytes of device from its current position up to end (or to
    // the device's end when end is negative), stopping once the grid is
    // complete unless whole is set. False when a read fails, with the
    // device's errorString() saying why; the codes are then partial.
    bool read(QIODevice &device, qint64 end = -1, const dataFinder &findData = {},
              observer *watcher = nullptr, bool whole = false);

private:
    QByteArray grid = QByteArray(gridSize * gridSize, '0');
    int row = 0;
    int col = 0;
};
