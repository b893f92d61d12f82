// SPDX-License-Identifier: MIT
#include "localTimeZone.h"

// Windows keeps the zone in its own settings, which its C library reads
// without looking at a file: there is nothing to name.
void nameLocalTimeZone()
{
}
