// What the operator can do, each in one place: the tray, the windows, the panel and start-up call these.
#pragma once

#include <cstdint>

#include "warp/corner_point.h"

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
void chooseShowCursor(bool show);
// Registers (or unregisters) the executable's current path in the Run key as startWithWindows says, so a
// moved program is found at its new place; a failure is logged ("WARN").
void registerStartWithWindows();
// The full-screen corners and a mesh that bends nothing; the mesh keeps its size.
void resetCorners();
// Another mesh size that keeps the shape; the selection stays on the same corner or goes to the first point.
void chooseMeshSize(int32_t columns, int32_t rows);
// Every mesh offset 0.
void zeroMesh();
// The selected point shown at `position` (normalised device coordinates), where a picture point can be.
void moveSelectedPoint(CornerPoint position);

// "assets/gradil.png", else "assets/gradil.jpg", else the procedural grid, each step logged.
void loadCalibrationGrid();
