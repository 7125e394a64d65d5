// The persisted values of AppState, to and from config.json.
#pragma once

// Fills corners, captureMonitor, outputMonitor, adapterIdx and startWithWindows of AppState from
// "config.json", or leaves their values. Reports nothing.
void loadSettings();

// Writes the five persisted values of AppState to "config.json". Reports nothing.
void saveSettings();
