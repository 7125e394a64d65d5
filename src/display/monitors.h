// The monitor list in AppState, whether a projector is present, and the projection window's place.
#pragma once

// Rebuilds AppState monitors in the system's enumeration order and recomputes hasProjector.
void enumerateMonitors();

// Moves the projection window over the whole output monitor, top-most and shown; nothing when
// outputMonitor names no entry. Does not recompute hasProjector.
void placeProjectionWindow();
