// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The text Windows gives for one of its error codes (GetLastError), in the
// user's language, as one line without its closing full stop, so that it
// reads as the reason of "program: name: reason".
QString windowsReason(unsigned long error);
