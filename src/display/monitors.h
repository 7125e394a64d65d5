// The system's monitor list and the projection window's place on a monitor.
#pragma once

#include <windows.h>

#include <vector>

#include "display/monitor_info.h"

// Every monitor in the system's enumeration order, numbered from 0 in that order.
std::vector<MonitorInfo> enumerateMonitors();

// Moves `window` over the whole of `area`, top-most and shown.
void placeProjectionWindow(HWND window, const Rect& area);
