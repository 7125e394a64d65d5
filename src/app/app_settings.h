// The persisted values of AppState, to and from config.json.
#pragma once

// Fills corners, captureMonitor, outputMonitor, adapterIdx, startWithWindows and the mesh of AppState
// from "config.json", or leaves their values. A malformed mesh is ignored and logged ("WARN").
void loadSettings();

// Writes the persisted values of AppState to "config.json". Reports nothing.
void saveSettings();
