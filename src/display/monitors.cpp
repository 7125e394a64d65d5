// Monitor enumeration and projection window placement.
#include "display/monitors.h"

namespace {

static_assert(sizeof(MONITORINFOEXW) == 104, "the extended monitor record carries the device name");

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT area, LPARAM listAddress)
{
    auto& monitors = *reinterpret_cast<std::vector<MonitorInfo>*>(listAddress);
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    // A monitor that cannot be queried is left out, and the next one takes its number.
    if (!GetMonitorInfoW(monitor, &info))
        return TRUE;
    const int32_t index = static_cast<int32_t>(monitors.size());
    const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    // The full area the enumeration passes, not the work area: the projection covers the taskbar too.
    monitors.push_back({index, monitorName(index, primary), {area->left, area->top, area->right, area->bottom},
                        reinterpret_cast<std::uintptr_t>(monitor)});
    return TRUE;
}

} // namespace

std::vector<MonitorInfo> enumerateMonitors()
{
    std::vector<MonitorInfo> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

void placeProjectionWindow(HWND window, const Rect& area)
{
    SetWindowPos(window, HWND_TOPMOST, area.left, area.top, area.width(), area.height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}
