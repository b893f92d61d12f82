// SPDX-License-Identifier: MIT
#pragma once

// What a render asks of the system before Qt starts. One implementation per
// system.

// Qt checks most allocations but not all: some of its code crashes where
// memory runs out. So the memory a render takes from here on, the first
// worker thread of Qt's scaling included, is asked for before Qt starts, and
// where the system's limits leave less, the program ends with its one line
// instead.
bool enoughMemoryAhead(bool scaling);

// The Qt platform to paint on unless the user names one (QT_QPA_PLATFORM):
// one that needs no display, and draws the code texts in the fonts the
// viewer's window shows on this system. Null for Qt's own default.
const char *defaultQtPlatform();
