// The text of config.json: reading it into plain values and writing the exact bytes that go to disk.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/monitor_info.h"
#include "warp/color_match.h"
#include "warp/corner_point.h"
#include "warp/edge_blend.h"
#include "warp/mask.h"
#include "warp/mesh.h"
#include "warp/source_rect.h"

// At most this many outputs: the first in the top-level keys, the others in "extraOutputs".
inline constexpr int32_t kMostOutputs = 4;

// At most this many surfaces per output: the first in the output's own keys, the others in "surfaces".
inline constexpr int32_t kMostSurfaces = 8;

// One mapped shape: its warp, the part of the picture it shows and its edge blend.
struct SurfaceValues {
    CornerSet corners = kDefaultCorners;
    Mesh mesh; // 2 x 2, the keystone alone, unless the file holds a larger one
    SourceRect source;
    EdgeBlend blend;
    bool operator==(const SurfaceValues&) const = default;
};

// "ADICIONAR SUPERFICIE": the whole picture over the middle quarter of the projection.
inline SurfaceValues middleQuarterSurface()
{
    SurfaceValues surface;
    surface.corners = {{{-0.5f, 0.5f}, {0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}}};
    return surface;
}

// One output: its monitor, its surfaces (one to kMostSurfaces, drawn in order, a later one over an earlier
// one), its masks (up to kMostMasks, over every surface) and the colour matching of its projector. A new field of an output is added here, read
// and written in settings_text.cpp, and reaches the rest of the program with the record.
struct OutputValues {
    int32_t outputMonitor = 1;
    // What Windows called that monitor when it was chosen ("outputMonitorId"); unknown where it gave no name.
    MonitorId outputMonitorId;
    std::vector<SurfaceValues> surfaces = std::vector<SurfaceValues>(1);
    std::vector<MaskValues> masks;
    ColorMatch color;
    bool operator==(const OutputValues&) const = default;
};

// Remote control over OSC: the UDP port listened on (0: off, no socket open) and whether packets from the
// local network are taken, or only from this machine.
struct RemoteSettings {
    int32_t port = 0;
    bool allowLan = false;
    bool operator==(const RemoteSettings&) const = default;
};
inline constexpr int32_t kLargestPort = 65535;

// The camera that aligns the outputs: its device's name (UTF-8; empty: the first found) and the area the
// picture must fill as the camera sees it, TL, TR, BL, BR in camera pixels (none: not marked yet).
struct CameraSettings {
    std::string device;
    std::optional<std::array<CornerPoint, 4>> target;
    bool operator==(const CameraSettings&) const = default;
};

// The persisted values; the defaults are the start values of the program.
struct SettingsValues {
    int32_t captureMonitor = 0;
    MonitorId captureMonitorId; // the key "captureMonitorId", as an output's "outputMonitorId"
    int32_t adapterIdx = 0;
    bool startWithWindows = false;
    bool showCursor = false; // the mouse pointer drawn over the captured picture
    // One to kMostOutputs outputs, never none: the first in the file's top-level keys ("outputMonitor",
    // "corners", "mesh", "source", "blend", "surfaces", "masks"), the others in "extraOutputs".
    std::vector<OutputValues> outputs = std::vector<OutputValues>(1);
    RemoteSettings remote; // the key "osc"
    CameraSettings camera; // the key "camera"
};

// What reading found of the optional mesh.
enum class MeshReading { Absent, Read, Ignored };

// What reading found: the mesh's word, and the name of every part it ignored because it was malformed or
// out of range ("mesh", "source", "blend", "surfaces[0]", "surfaces[1].mesh", "masks", "extraOutputs",
// "extraOutputs[1]", "extraOutputs[0].blend", "extraOutputs[0].masks[2]"...), always in that order, each
// entry's parts right after it; entries are named by their place in the file.
struct SettingsReading {
    MeshReading mesh = MeshReading::Absent;
    std::vector<std::string> ignored;
    // The text was a JSON object whose plain values were all read: the reading did not stop early.
    bool readWhole = false;
};

// Reads the members in the fixed order corners, captureMonitor, outputMonitor, adapterIdx,
// startWithWindows, assigning each as soon as it is read. Text that is not JSON, or a top-level
// value that is not an object, assigns nothing; the first member of the wrong type (or a number
// that does not fit its field) stops the reading there. Anything after the first JSON value is ignored.
// The "mesh" is read on its own, whole or not at all: a malformed one is ignored (the mesh stays as it
// was) and the rest of the file still applies. So is "showCursor", when it is true or false.
// "source" and "blend" are read the same way, each on its own; all of these are the first output's.
// "extraOutputs" is an array of entries, each an object with "outputMonitor" and "corners" and optionally
// "mesh", "source" and "blend", that replace the outputs after the first: an entry that is not an object
// or has no readable "outputMonitor" is dropped; any other part of it that is malformed takes its default.
// Entries beyond kMostOutputs - 1 are dropped. An empty list of outputs is given its first one.
// An output's "surfaces" (top level for the first, in its entry for the others) is an array of entries,
// each an object with "corners" and optionally "mesh", "source" and "blend", that replace the output's
// surfaces after the first: an entry that is not an object or has no readable "corners" is dropped; any
// other part of it that is malformed takes its default. Entries beyond kMostSurfaces - 1 are dropped.
// Its "masks" is an array of entries that replace its masks, each an object with "points" (3 to
// kMostMaskPoints objects whose "x" and "y" are read like a corner's), "feather" (a number from 0 to
// kMostFeather, 0 when missing) and "invert" (true or false, false when missing): an entry with any of
// these unreadable is dropped whole, and so are entries beyond kMostMasks. Either key, when it is not an
// array, is ignored and leaves what the output held; an empty array clears it. Every dropped entry, and
// every ignored part, is named in the reading.
// An output's "color" ("b", "c", "g", "r", "gr", "bl": brightness, contrast, gamma and the three gains) is
// read whole or not at all, missing members taking the default's; so is the top-level "osc" ("port" 0 to
// kLargestPort, "allowLan" true or false) and the top-level "camera" ("device" a string, "target" four
// objects whose "x" and "y" are read like a corner's). An output's "outputMonitorId" (top level for the
// first, in its entry for the others) and the top-level "captureMonitorId" are {"path", "name"}: read whole
// or not at all, "path" a string that is not empty, "name" a string, empty when missing.
SettingsReading readSettingsText(std::string_view text, SettingsValues& values);

// The whole file: keys sorted, indent 4, CR LF line breaks, no final line break. "mesh" is written only
// for a mesh larger than 2 x 2, "showCursor" only when it is on, "source" and "blend" only when they
// differ from the default, "extraOutputs" only when there is more than one output, and an output's
// "surfaces" and "masks" only when it has a second surface or a mask, so a file of the defaults keeps
// exactly its five keys. A mask's "invert" is written only when it is true, an output's "color" only when
// it is not the default, "osc" only when its port is set or it takes the local network, and "camera" only
// when it names a device or marks a target (each of the two written only when set). A monitor's names are
// written only when known, "name" only when not empty. Nothing the reader
// would refuse is written (a part out of range, a surface with corners that are not finite, a mask that is
// not isMask, entries beyond the limits), so a saved file reads back whole.
std::string settingsFileBytes(const SettingsValues& values);
