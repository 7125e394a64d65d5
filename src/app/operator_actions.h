// What the operator can do, each in one place: the tray, the windows, the panel and start-up call these.
#pragma once

#include <cstdint>

// Whether opening the panel also brings it to the front. The tray menu does not: it already did so
// before the menu was shown.
enum class PanelFocus { Keep, BringToFront };

// Shows the panel and the grid; corner editing runs from the next pass.
void openPanel(PanelFocus focus);
// Hides the panel and the grid; the program lives on in the notification area.
void closePanel();

// Rebuilds the monitor list and whether the output monitor is among it.
void refreshMonitors();
// The projection window over the output monitor and shown, or hidden when there is no such monitor.
void showProjectionOnOutput();
// A monitor was added, removed or changed.
void followDisplayChange();

// Capture from the monitor at `index` of the list (an index without a monitor captures the primary).
void startCapture(int32_t index);
// The operator's choices in the panel; each is saved at once.
void chooseCaptureMonitor(int32_t index);
void chooseOutputMonitor(int32_t index);
void chooseStartWithWindows(bool enable);
// Registers (or unregisters) the executable's current path in the Run key as startWithWindows says, so a
// moved program is found at its new place; a failure is logged ("WARN").
void registerStartWithWindows();
void resetCorners();

// "assets/gradil.png", else "assets/gradil.jpg", else the procedural grid, each step logged.
void loadCalibrationGrid();
