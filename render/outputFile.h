// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The picture's way to the file it is asked for, by a name as fileNames holds
// it. A regular file is replaced whole or not at all, keeping its
// permissions: the bytes go to a temporary file in its folder, renamed over
// it once written; a symbolic link stays one, and the file it leads to, made
// if missing, is the one replaced. A FIFO or a device is written to, never
// replaced. Nothing is written over the map, under whatever name, nor into a
// standard stream closed at start. One implementation per system.
namespace outputFile {

// What tells a file apart from every other, whatever name reaches it.
struct fileId {
    quint64 device = 0;
    quint64 index = 0;
    bool operator==(const fileId &other) const { return device == other.device && index == other.index; }
};

// The id of the file open as descriptor fd: empty, or the reason it is not known.
QString identify(int fd, fileId &id);

// The reason an output is refused when it is the map, by any name.
inline QString isTheMap()
{
    return QStringLiteral("is the map itself; name another output");
}

// Empty, or the reason the output was not written, from the call that failed.
QString write(const QByteArray &path, const QByteArray &bytes, const fileId &map);

} // namespace outputFile
