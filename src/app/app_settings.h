// The persisted values of AppState, to and from config.json.
#pragma once

#include "settings/settings_text.h"

// Fills the outputs (their monitors, corners, meshes, parts of the picture and blends), captureMonitor,
// adapterIdx, startWithWindows and showCursor of AppState from "config.json", or leaves their values.
// Each malformed part is ignored and logged ("WARN", naming it). Before any window is made.
void loadSettings();

// Writes the persisted values of AppState to "config.json". A save that fails writes one "WARN" line and
// sets AppState saveFailed until a save succeeds; false then.
bool saveSettings();

// The persisted values of AppState now: what config.json, and a saved setup, hold.
SettingsValues persistedValues();
