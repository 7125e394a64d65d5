// Outputs that follow their projectors, and the capture its monitor, by the names Windows gives them.
#pragma once

#include <cstdint>
#include <vector>

#include "app/projection_output.h"
#include "display/monitor_info.h"
#include "settings/edit_history.h"

// What Windows calls monitor `index` of the list now; unknown when it gives no name or there is no such
// monitor.
MonitorId namesOfMonitor(int32_t index);

// Whether the output's window belongs on a monitor now: its index names one, and its projector is not
// known to be gone.
bool outputMonitorShown(const ProjectionOutput& output);

// Each output of `calibration` on its own projector's monitor where that is connected (its index
// changed), and one without names given the names of the monitor its index names. Which of them have a
// projector that is known and gone is returned. With `logMoves`, one "LOG" line per output that moves.
std::vector<bool> followProjectorsIn(Calibration& calibration, bool logMoves);

// After refreshMonitors(): every output back on its own projector and the capture on its own monitor, in
// memory and in the history's current calibration (not a step, not saved: a file without names gains them
// with the next save). An output whose projector is known and gone is hidden, never put on another monitor.
void followProjectors();

// The history's current calibration takes the monitors the outputs are on now (after a step was replayed
// and its outputs followed their projectors).
void historyFollowsProjectors();
