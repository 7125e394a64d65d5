// Registration in the current user's Run key, so the program starts at log-on.
#pragma once

#include <windows.h>

// Writes (enable) or deletes (disable) the Run value "OstrelMapper". The result is the error of
// opening the key, or else the result of closing it; nothing is reported to the operator.
LONG setStartWithWindows(bool enable);
