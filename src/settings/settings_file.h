// config.json in the working folder (the executable's folder): read once, written on every change.
#pragma once

#include "settings/settings_text.h"

// Reads "config.json" over `values`: each value the file holds replaces the one given, by the rules of
// readSettingsText, whose word on the mesh and the parts it ignored are returned. Nothing changes, and
// nothing is reported, when the file cannot be read.
SettingsReading readSettingsFile(SettingsValues& values);

// Writes the values to "config.json", whole or not at all. False when nothing could be written.
bool writeSettingsFile(const SettingsValues& values);
