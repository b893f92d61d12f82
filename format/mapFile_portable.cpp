// SPDX-License-Identifier: MIT
#include "mapFile.h"

#include "fileNames.h"

bool mapFile::openRegular(const QByteArray &path)
{
    // Qt opens the name, and counts every open file that is not a regular
    // one as sequential.
    setFileName(fileNames::decoded(path));
    if (!open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    if (isSequential()) {
        close();
        setErrorString(QStringLiteral("not a regular file"));
        return false;
    }
    sizeAtOpen = size();
    return true;
}

// Qt cannot tell where a file's holes are: they are read as the NUL bytes
// they hold.
mapReader::dataFinder mapFile::holeSkipper() const
{
    return {};
}
