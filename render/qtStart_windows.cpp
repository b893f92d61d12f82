// SPDX-License-Identifier: MIT
#include "qtStart.h"

// Windows sets no limit on a process's address space that a user can lower,
// as ulimit -v does; an allocation that fails all the same ends the program
// through the command line's handler.
bool enoughMemoryAhead(bool)
{
    return true;
}

// Windows' own platform needs no display of its own and draws the window's
// fonts; offscreen would draw with FreeType and find none.
const char *defaultQtPlatform()
{
    return nullptr;
}
