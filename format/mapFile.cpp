// SPDX-License-Identifier: MIT
#include "mapFile.h"

#include <cerrno>
#include <cstring>

bool mapFile::openMap(const QByteArray &path)
{
    // A name with a NUL in it would be cut short by the system and open
    // another file than the one named.
    if (path.contains('\0')) {
        setErrorString(QString::fromLocal8Bit(std::strerror(EINVAL)));
        return false;
    }
    return openRegular(path);
}

bool mapFile::readMap(mapReader &reader, mapReader::observer *watcher)
{
    mapReader::source from;
    from.end = sizeAtOpen;
    from.watcher = watcher;
    from.findData = holeSkipper();
    return reader.read(*this, from);
}
