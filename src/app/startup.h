// Start-up: everything WinMain does before the main loop, in its fixed order.
#pragma once

#include <windows.h>

void startUp(HINSTANCE instance);
