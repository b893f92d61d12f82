// SPDX-License-Identifier: MIT
#pragma once

#include "mapReader.h"

#include <QFile>
#include <QString>

// A map file opened the way every reader of maps needs it: once, by the name
// given, without waiting on a FIFO or a device, and only when what the name
// leads to is a regular file. Its size at open is where reading ends: a
// regular file ends there, so a file that grows while it is read, or a file
// under /proc that claims no size, cannot keep the reader going.
class mapFile : public QFile
{
public:
    // False when the name cannot be opened or is no regular file, with the
    // system's reason in errorString().
    bool openMap(const QString &path);
    // The grid into reader, skipping the file's holes. False when a read
    // fails, with the reason in errorString().
    bool readMap(mapReader &reader, mapReader::observer *watcher = nullptr, bool whole = false);

private:
    qint64 sizeAtOpen = 0;
};
