// config.json in the working folder (the executable's folder): loaded once, saved on every change.
#pragma once

// Fills corners, captureMonitor, outputMonitor, adapterIdx and startWithWindows of AppState from
// "config.json", or leaves their values. Reports nothing.
void loadSettings();

// Writes the five persisted values of AppState to "config.json". Reports nothing.
void saveSettings();
