// config.json in the working folder (the executable's folder): read once, written on every change.
#pragma once

#include "settings/settings_text.h"

// Reads "config.json" over `values`: each value the file holds replaces the one given, by the rules of
// readSettingsText, whose word on the mesh is returned. Nothing changes when the file cannot be read.
MeshReading readSettingsFile(SettingsValues& values);

// Writes the values to "config.json", whole or not at all. False when nothing could be written.
bool writeSettingsFile(const SettingsValues& values);
