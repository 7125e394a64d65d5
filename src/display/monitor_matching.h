// Which of today's monitors each output's projector and the capture's monitor are, found by the names
// Windows gave them when they were chosen; no platform calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/monitor_info.h"

// The names kept for a monitor from what Windows says of its target: none unless they come from the
// monitor itself (its EDID). Without it, the path names a generic monitor by its place in the list (Wine
// numbers its monitors "Default_Monitor#0000", "#0001" in enumeration order), which would follow the index,
// not the projector. The friendly name is kept only when the monitor gave it.
MonitorId targetIdentity(std::string path, std::string friendlyName, bool edidIdsValid, bool friendlyNameFromEdid);

// A monitor as it was chosen: its index then, and its names when Windows gave them.
struct SavedMonitor {
    int32_t index = 0;
    MonitorId id;
};

enum class MonitorFound {
    Index,   // the saved index, as it is: no names saved, or no monitor today has names to compare with
    Named,   // found by its names, at `index`
    Missing, // its names are known and no monitor today has them: not to be shown anywhere
};

struct MonitorMatch {
    int32_t index = 0;
    MonitorFound found = MonitorFound::Index;
    bool operator==(const MonitorMatch&) const = default;
};

// Each saved output's monitor among `today` (today's monitors' names, by index). A monitor is found by its
// device path; else by its friendly name (a projector plugged into another connector), the one at the
// saved index first when several models are alike; else it is Missing, unless the monitor at the saved
// index has no names (then it cannot be told apart, and the index stands). Two outputs are never given
// the same monitor by their names; outputs that saved the same names (put on one monitor by the operator)
// share what the first is given. An output without names keeps its index, unless another output's
// projector was found there: then it is Missing, so that it never covers that projector.
std::vector<MonitorMatch> matchMonitors(const std::vector<MonitorId>& today, const std::vector<SavedMonitor>& saved);
