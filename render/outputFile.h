// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The picture's way to the file it is asked for, by a name as fileNames holds
// it. A regular file is replaced whole or not at all: the bytes go to a
// temporary file in the same folder, renamed over the output once written;
// a FIFO or a device is written to, never replaced. Nothing is written over
// the map, under whatever name. One implementation per system.
namespace outputFile {

// What tells a file apart from every other, whatever name reaches it.
struct fileId {
    quint64 device = 0;
    quint64 index = 0;
    bool operator==(const fileId &other) const { return device == other.device && index == other.index; }
};

// The id of the file open as descriptor fd: empty, or the reason it is not known.
QString identify(int fd, fileId &id);

// Empty, or the reason the output was not written, from the call that failed.
QString write(const QByteArray &path, const QByteArray &bytes, const fileId &map);

} // namespace outputFile
