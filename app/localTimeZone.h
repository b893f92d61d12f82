// SPDX-License-Identifier: MIT
#pragma once

// Names the local time zone for the C library when TZ is unset. Every picture
// a tile loads from the bundle works out a modification time in local time,
// and with TZ unset glibc checks /etc/localtime each time, twice a picture:
// 788 stat calls a reload of the viewer, which made a reload 0.56 ms (a
// fifth) slower in tools/bench.sh on Qt 6.4.
// Named, the zone is read once. Call it first thing in main, before threads.
void nameLocalTimeZone();
