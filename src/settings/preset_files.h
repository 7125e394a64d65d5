// The saved setups: one file "presets/<name>.json" each, beside config.json, in its format.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/edit_history.h"

// A file of presets/, by its name without ".json" (UTF-8). A damaged one cannot be loaded.
struct PresetEntry {
    std::string name;
    bool damaged = false;
    bool operator==(const PresetEntry&) const = default;
};

// Every "*.json" of presets/, sorted by name; none when the folder is missing. A file that cannot be read
// or held, or whose name is not a setup's, is listed as damaged.
std::vector<PresetEntry> listPresets();

// Whether a setup of that name (a valid one) has a file, in the file system's own sense of the same name.
bool presetExists(std::string_view name);

// The calibration a setup holds; nothing when its name is not valid or its file is missing or damaged.
std::optional<Calibration> readPreset(std::string_view name);

// Writes the setup's file (presets/ made when missing), whole or not at all. False for a name that is not
// valid, or when nothing could be written.
bool writePreset(std::string_view name, std::string_view bytes);

// Deletes the file of a listed entry, damaged or not; false when there is no such entry or it stays.
bool deletePreset(std::string_view name);
