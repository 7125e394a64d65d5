// Panel item list and the corner value rule.
#include "panel/panel_items.h"

#include <cmath>

std::string monitorItemList(const std::vector<MonitorInfo>& monitors)
{
    std::string items;
    for (const MonitorInfo& monitor : monitors) {
        items += monitorLabel(monitor);
        items += '\0';
    }
    items += '\0';
    return items;
}

bool isAcceptedCornerValue(float value)
{
    return std::isfinite(value);
}
