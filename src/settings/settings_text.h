// The text of config.json: reading it into plain values and writing the exact bytes that go to disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "warp/corner_point.h"

// The five persisted values; the defaults are the start values of the program.
struct SettingsValues {
    CornerSet corners = kDefaultCorners;
    int32_t captureMonitor = 0;
    int32_t outputMonitor = 1;
    int32_t adapterIdx = 0;
    bool startWithWindows = false;
};

// Reads the members in the fixed order corners, captureMonitor, outputMonitor, adapterIdx,
// startWithWindows, assigning each as soon as it is read. Text that is not JSON, or a top-level
// value that is not an object, assigns nothing; the first member of the wrong type (or a number
// that does not fit its field) stops the reading there. Anything after the first JSON value is ignored.
void readSettingsText(std::string_view text, SettingsValues& values);

// The whole file: keys sorted, indent 4, CR LF line breaks, no final line break.
std::string settingsFileBytes(const SettingsValues& values);
