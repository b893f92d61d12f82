// SPDX-License-Identifier: MIT
#include "mapReader.h"

#include <algorithm>
#include <cstring>

namespace {

// Large enough that a read costs little more than the copy, and smaller than
// the fuzzer's longest input, so that its inputs cross chunk boundaries.
constexpr qint64 chunkSize = 8 * 1024;

} // namespace

void mapReader::feed(const char *bytes, qint64 size)
{
    const char *const end = bytes + size;
    while (bytes < end && row < gridSize) {
        // Past its last code a line can only end, so nothing before its
        // line feed needs looking at.
        if (col >= gridSize) {
            bytes = static_cast<const char *>(std::memchr(bytes, '\n', size_t(end - bytes)));
            if (!bytes)
                return;
        }
        // Long runs of blanks and holes are common: skipped in a tight loop.
        while (bytes < end && (*bytes == ' ' || *bytes == '\0' || *bytes == '\r'))
            ++bytes;
        if (bytes < end)
            take(*bytes++);
    }
}

bool mapReader::read(QIODevice &device, qint64 end, const dataFinder &findData, observer *watcher,
                     bool whole)
{
    char chunk[chunkSize];
    qint64 offset = device.pos();
    while (whole || !isComplete()) {
        qint64 wanted = chunkSize;
        if (end >= 0) {
            // A hole reads as NUL bytes, which only separate codes: jumping
            // over it gives the same grid without reading it.
            const qint64 data = findData ? std::min(findData(offset, end), end) : offset;
            if (data > offset) {
                if (watcher)
                    watcher->hole(offset, data - offset);
                offset = data;
                if (offset < end && !device.seek(offset))
                    return false;
            }
            if (offset >= end)
                break;
            wanted = std::min(wanted, end - offset);
        }
        const qint64 got = device.read(chunk, wanted);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (watcher) {
            for (qint64 i = 0; i < got; ++i) {
                const int r = row;
                const int c = col;
                const fate what = take(chunk[i]);
                if (chunk[i] != ' ')
                    watcher->taken(offset + i, chunk[i], what, r, c);
            }
        } else {
            feed(chunk, got);
        }
        offset += got;
    }
    if (watcher)
        watcher->ended(offset);
    return true;
}
