// SPDX-License-Identifier: MIT
#include "mapReader.h"

#include <algorithm>
#include <cstring>

namespace {

// Large enough that a read costs little more than the copy, and smaller than
// the fuzzer's longest input, so that its inputs cross chunk boundaries.
constexpr qint64 chunkSize = 8 * 1024;

} // namespace

void mapReader::feed(const char *bytes, qint64 size, qint64 offset, observer *watcher)
{
    qint64 i = 0;
    while (i < size && row < gridSize) {
        // Shortcuts that nothing but the grid may see: past its last code a
        // line can only end, and runs of blanks and holes are common.
        if (!watcher) {
            if (col >= gridSize) {
                const void *lineFeed = std::memchr(bytes + i, '\n', size_t(size - i));
                if (!lineFeed)
                    return;
                i = static_cast<const char *>(lineFeed) - bytes;
            }
            while (i < size && (bytes[i] == ' ' || bytes[i] == '\0' || bytes[i] == '\r'))
                ++i;
            if (i == size)
                return;
        }
        // A space does nothing to the grid, and the watcher is not told of it.
        if (bytes[i] != ' ') {
            const int codeRow = row;
            const int codeCol = col;
            const fate what = take(bytes[i]);
            if (watcher)
                watcher->taken(offset + i, bytes[i], what, codeRow, codeCol);
        }
        ++i;
    }
    if (watcher && i < size)
        watcher->beyond(offset + i, bytes + i, size - i);
}

bool mapReader::read(QIODevice &device, const source &from)
{
    char chunk[chunkSize];
    qint64 offset = device.pos();
    while (from.watcher || !isComplete()) {
        qint64 wanted = chunkSize;
        if (from.end >= 0) {
            // A hole reads as NUL bytes, which only separate codes: jumping
            // over it gives the same grid without reading it.
            const qint64 data = from.findData ? std::min(from.findData(offset, from.end), from.end)
                                              : offset;
            if (data > offset) {
                if (from.watcher)
                    from.watcher->hole(offset, data - offset);
                offset = data;
                if (offset < from.end && !device.seek(offset))
                    return false;
            }
            if (offset >= from.end)
                break;
            wanted = std::min(wanted, from.end - offset);
        }
        const qint64 got = device.read(chunk, wanted);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        feed(chunk, got, offset, from.watcher);
        offset += got;
    }
    if (from.watcher)
        from.watcher->ended(offset);
    return true;
}
