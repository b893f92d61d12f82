// SPDX-License-Identifier: MIT
#include "grounds.h"

#include <QtGlobal>

namespace grounds {

// Centred in tileHeight - room, a line of ascent + descent pixels has its
// baseline at tileHeight / 2, the diamond's left corner, when the room is
// ascent - descent.
int codeTextRoomBelow(int ascent, int descent)
{
    return qBound(0, ascent - descent, tileHeight / 2);
}

} // namespace grounds
