// The text of config.json: reading it into plain values and writing the exact bytes that go to disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "warp/corner_point.h"
#include "warp/mesh.h"

// The persisted values; the defaults are the start values of the program.
struct SettingsValues {
    CornerSet corners = kDefaultCorners;
    int32_t captureMonitor = 0;
    int32_t outputMonitor = 1;
    int32_t adapterIdx = 0;
    bool startWithWindows = false;
    Mesh mesh; // 2 x 2, the keystone alone, unless the file holds a larger one
    bool showCursor = false; // the mouse pointer drawn over the captured picture
};

// What reading found of the optional mesh.
enum class MeshReading { Absent, Read, Ignored };

// Reads the members in the fixed order corners, captureMonitor, outputMonitor, adapterIdx,
// startWithWindows, assigning each as soon as it is read. Text that is not JSON, or a top-level
// value that is not an object, assigns nothing; the first member of the wrong type (or a number
// that does not fit its field) stops the reading there. Anything after the first JSON value is ignored.
// The "mesh" is read on its own, whole or not at all: a malformed one is ignored (the mesh stays as it
// was) and the rest of the file still applies. So is "showCursor", when it is true or false.
MeshReading readSettingsText(std::string_view text, SettingsValues& values);

// The whole file: keys sorted, indent 4, CR LF line breaks, no final line break. "mesh" is written only
// for a mesh larger than 2 x 2, and "showCursor" only when it is on, so a file of the defaults keeps
// exactly its five keys.
std::string settingsFileBytes(const SettingsValues& values);
