// SPDX-License-Identifier: MIT
#pragma once

// Qt checks most allocations but not all: some of its code crashes where
// memory runs out. So the memory a render takes from here on, a thumbnail's
// first worker thread included, is asked for before Qt starts, and where the
// system's limits leave less, the program ends with its one line instead. One
// implementation per system.
bool enoughMemoryAhead(bool scaling);
