// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// File names as the programs hold them: bytes, never decoded on the way from
// the command line to the system. On POSIX systems they are the system's own
// bytes; on Windows, whose names are UTF-16, their UTF-8. Qt's names are
// QStrings: these two convert, losing nothing the system can name.
namespace fileNames {

QString decoded(const QByteArray &name);
QByteArray encoded(const QString &name);

} // namespace fileNames
