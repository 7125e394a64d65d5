// Monitor naming and index rules; no platform calls.
#include "display/monitor_info.h"

std::wstring monitorName(int32_t index, bool primary)
{
    std::wstring name = L"Monitor " + std::to_wstring(static_cast<int64_t>(index) + 1);
    if (primary)
        name += L" (Principal)";
    return name;
}

bool isMonitorIndex(int32_t index, std::size_t monitorCount)
{
    return index >= 0 && static_cast<std::size_t>(index) < monitorCount;
}

std::string monitorLabel(const MonitorInfo& monitor)
{
    // The numbered name is ASCII.
    std::string label;
    for (wchar_t unit : monitor.name)
        label += static_cast<char>(static_cast<unsigned>(unit) & 0x7Fu);
    if (!monitor.friendlyName.empty())
        label += " - " + monitor.friendlyName + " (" + std::to_string(monitor.rect.width()) + "x" +
                 std::to_string(monitor.rect.height()) + ")";
    return label;
}
