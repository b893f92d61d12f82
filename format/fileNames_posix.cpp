// SPDX-License-Identifier: MIT
#include "fileNames.h"

#include <QFile>

namespace fileNames {

// Qt keeps bytes that the locale cannot decode, so every name comes back.
QString decoded(const QByteArray &name)
{
    return QFile::decodeName(name);
}

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

} // namespace fileNames
