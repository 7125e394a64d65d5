// One entry of the monitor list and the naming rule shared by the list and the panel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Virtual-screen pixels; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// What Windows calls a monitor, UTF-8: its device path, which names the monitor and the connector it is
// plugged into, and its friendly name, the model as the monitor itself reports it (may be empty). A
// monitor Windows cannot tell apart from another has neither.
struct MonitorId {
    std::string path;
    std::string name;

    bool known() const { return !path.empty(); }
    bool operator==(const MonitorId&) const = default;
};

struct MonitorInfo {
    int32_t index = 0;
    std::wstring name;
    Rect rect;
    // The system's handle of the monitor (an HMONITOR), as the platform files compare it with what DXGI
    // reports; valid until the next display change.
    std::uintptr_t handle = 0;
    // What Windows calls it; empty where it gives no name.
    std::string devicePath;
    std::string friendlyName;

    MonitorId id() const { return {devicePath, friendlyName}; }
};

// "Monitor N" with N = index + 1, and " (Principal)" for the primary monitor.
std::wstring monitorName(int32_t index, bool primary);

// The monitor as the panel lists it, UTF-8: its name, and beside it the friendly name and the size when
// Windows gives a friendly name ("Monitor 2 - EPSON PJ (1920x1080)").
std::string monitorLabel(const MonitorInfo& monitor);

// Whether an index names an entry of a list of monitorCount entries (how hasProjector is decided).
bool isMonitorIndex(int32_t index, std::size_t monitorCount);
