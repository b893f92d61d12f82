// SPDX-License-Identifier: MIT
#pragma once

#include "mapReader.h"

#include <QByteArray>
#include <QFile>

// A map file opened the way every reader of maps needs it: once, by the name
// given, without waiting on a FIFO or a device, and only when what was opened
// is a regular file, asked of the open file and never of the name again. Its
// size at open is where reading ends: a regular file ends there, so a file
// that grows while it is read, or a file under /proc that claims no size,
// cannot keep the reader going.
class mapFile : public QFile
{
public:
    // path is the name as fileNames holds it. False when it cannot be opened
    // or is no regular file, with the reason in errorString(): the system's,
    // or "not a regular file".
    bool openMap(const QByteArray &path);
    // The grid into reader, jumping over the file's holes; a watcher sees
    // every byte to the end but spaces. False when a read fails, with the
    // system's reason in errorString().
    bool readMap(mapReader &reader, mapReader::observer *watcher = nullptr);

private:
    // The system's side, one file per way: the POSIX calls, or Qt alone.
    bool openRegular(const QByteArray &path);
    mapReader::dataFinder holeSkipper() const;

    qint64 sizeAtOpen = 0;
};
