// Start-up: everything WinMain does before the main loop, in its fixed order.
#pragma once

#include <windows.h>

// False when the program cannot draw (no window, device or swap chain); the reason is in the log.
bool startUp(HINSTANCE instance);
// After a failed start: the reason told to the operator in a message box (and a "WARN" line), since a
// program of the notification area that ends at start otherwise shows nothing at all.
void tellStartFailure();
