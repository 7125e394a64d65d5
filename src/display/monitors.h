// The system's monitor list and the projection window's place on a monitor.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "display/monitor_info.h"

// The monitor that one active display path drives, as DisplayConfigGetDeviceInfo names it: its source's GDI
// device name ("\\.\DISPLAY2", as MONITORINFOEXW szDevice has it), its device path and friendly name,
// and whether these come from the monitor's EDID.
struct DisplayTarget {
    std::wstring gdiDeviceName;
    std::wstring devicePath;
    std::wstring friendlyName;
    bool edidIdsValid = false;
    bool friendlyNameFromEdid = false;
    // The target as DisplayConfigGetDeviceInfo addresses it.
    LUID adapterId{};
    UINT32 targetId = 0;
};

// Every active path's target (QueryDisplayConfig with QDC_ONLY_ACTIVE_PATHS), in the system's order; none
// when the configuration cannot be read.
std::vector<DisplayTarget> displayTargets();

// Every monitor in the system's enumeration order, numbered from 0 in that order, each with the names
// targetIdentity keeps of its target.
std::vector<MonitorInfo> enumerateMonitors();

// The brightness, in nits, at which the system composes SDR white on this monitor's float (HDR) desktop:
// DISPLAYCONFIG_SDR_WHITE_LEVEL of its target; 80 (scRGB's 1.0) where the system says nothing.
float sdrWhiteLevelOf(HMONITOR monitor);

// Moves `window` over the whole of `area`, top-most and shown.
void placeProjectionWindow(HWND window, const Rect& area);
