// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// The picture's way to the file it is asked for, by a name in the system's
// own bytes. A regular file is replaced whole or not at all: the bytes go to
// a temporary file in the same folder, renamed over the output once written;
// a FIFO or a device is written to, never replaced. Nothing is written over
// the file whose status is given in notThis, the map, under whatever name.
namespace outputFile {

// Empty, or the reason the output was not written, from the call that failed.
QString write(const QByteArray &path, const QByteArray &bytes, const struct stat &notThis);

} // namespace outputFile
