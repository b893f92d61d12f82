// SPDX-License-Identifier: MIT
#include "localTimeZone.h"

#include <QByteArray>
#include <QtGlobal>

void nameLocalTimeZone()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
}
