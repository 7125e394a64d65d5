// Panel item list and the corner value rule.
#include "panel/panel_items.h"

#include <cmath>

std::string monitorItemList(const std::vector<MonitorInfo>& monitors)
{
    std::string items;
    for (const MonitorInfo& monitor : monitors) {
        for (wchar_t unit : monitor.name)
            items += static_cast<char>(static_cast<unsigned>(unit) & 0xFFu);
        items += '\0';
    }
    items += '\0';
    return items;
}

bool isAcceptedCornerValue(float value)
{
    return std::isfinite(value);
}
