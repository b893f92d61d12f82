// SPDX-License-Identifier: MIT
#include "qtStart.h"

#include <cstddef>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <sys/resource.h>

// The address space, twice over: about 8 MiB on Qt 6.4, and for a picture
// Qt scales one worker thread's stack more. Reserved, not touched, so it
// costs nothing.
bool enoughMemoryAhead(bool scaling)
{
#ifdef M_ARENA_MAX
    // glibc gives every thread that allocates a heap of its own, 64 MiB of
    // address space apiece, which the scaling's worker threads, started
    // before the pictures, would take from them. One heap serves them all.
    mallopt(M_ARENA_MAX, 1);
#endif
    size_t needs = 8u << 20;
    if (scaling) {
        struct rlimit stack;
        // An unlimited stack gives threads glibc's largest default.
        const bool limited = ::getrlimit(RLIMIT_STACK, &stack) == 0 && stack.rlim_cur != RLIM_INFINITY;
        needs += limited ? size_t(stack.rlim_cur) : size_t(32) << 20;
    }
    void *room = ::mmap(nullptr, 2 * needs, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED)
        return false;
    ::munmap(room, 2 * needs);
    return true;
}

// X11 and Wayland need a display; offscreen draws with the same fonts
// (fontconfig's) without one.
const char *defaultQtPlatform()
{
    return "offscreen";
}
