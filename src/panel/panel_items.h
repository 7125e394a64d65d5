// The panel's rules on plain values: the monitor item list of its two lists, and which typed corner
// values are taken.
#pragma once

#include <string>
#include <vector>

#include "display/monitor_info.h"

// Each monitor's monitorLabel (UTF-8, as the panel library takes text), each followed by a zero byte, and one more zero byte after the last: the list format of the panel's combo
// lists. With no monitors, a single zero byte.
std::string monitorItemList(const std::vector<MonitorInfo>& monitors);

// Only finite numbers become corner coordinates: an infinite one would be saved as null and make the
// next start drop every setting read after the corners.
bool isAcceptedCornerValue(float value);
