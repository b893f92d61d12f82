// SPDX-License-Identifier: MIT
#include "grounds.h"

namespace grounds {

int codeTextRoomBelow(int, int)
{
    return 0;
}

} // namespace grounds
