// Start-up: everything WinMain does before the main loop, in its fixed order.
#pragma once

#include <windows.h>

// False when the program cannot draw (no device or swap chain); the reason is in the log.
bool startUp(HINSTANCE instance);
