// One projector's output: the monitor it is shown on, how the picture is warped onto it, which part of
// the captured picture it shows and how its edges blend, and its own window and editing state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "app/projection_scene.h"
#include "settings/settings_text.h"

// The saved values (monitor, corners, mesh, part of the picture, blend) and what lives only while the
// program runs. Mesh points are numbered row by row from the top left; for the 2 x 2 mesh they are the
// corners TL, TR, BL, BR.
struct ProjectionOutput : OutputValues {
    // Its projection window, made with the output; shown only while `shown`.
    HWND window = nullptr;
    // Whether its monitor exists.
    bool shown = false;
    // What its window shows now; nothing when it must be drawn whatever the scene (never drawn, shown
    // again, uncovered, or on a new device).
    std::optional<ProjectionScene> shownScene;
    int32_t draggedPoint = -1;
    int32_t selectedPoint = 0;
    // Whether an arrow key moved a point in the previous pass that reached the keys.
    bool arrowKeysHeld = false;
    // Whether Tab was down in the previous pass that reached the keys.
    bool tabHeld = false;
};
