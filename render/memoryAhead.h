// SPDX-License-Identifier: MIT
#pragma once

// Qt checks most allocations but not all: some of its code crashes where
// memory runs out, and its smooth scaling waits for ever for a worker thread
// that could not start. So the memory a render takes from here on is asked
// for before Qt starts, and where the system's limits leave less, the program
// ends with its one line instead. One implementation per system.
bool enoughMemoryAhead(bool scaling);
