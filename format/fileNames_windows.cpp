// SPDX-License-Identifier: MIT
#include "fileNames.h"

namespace fileNames {

// Not Qt's local 8-bit encoding, the ANSI code page, which has no bytes for
// most of the names Windows allows.
QString decoded(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

QByteArray encoded(const QString &name)
{
    return name.toUtf8();
}

} // namespace fileNames
