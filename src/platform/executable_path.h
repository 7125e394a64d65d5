// The running executable's full path, whatever its length.
#pragma once

#include <string>

// Empty when the system cannot tell.
std::wstring executablePath();
