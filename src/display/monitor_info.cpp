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
