// Registration in the current user's Run key, so the program starts at log-on.
#pragma once

#include <windows.h>

#include <string>

// Writes (enable) the Run value "OstrelMapper" that starts `executablePath` (the whole path, however
// long: a path cut short would register some other program), or deletes it (disable). The result is the
// first error of opening the key, writing the value (an empty path writes nothing) or closing the key.
LONG setStartWithWindows(bool enable, const std::wstring& executablePath);
