// One projector's output: its saved values, how the operator is editing it, its window and what draws
// into that window, together, so that an output is added, moved and removed whole.
#pragma once

#include <windows.h>

#include <optional>

#include "app/projection_scene.h"
#include "render/renderer.h"
#include "settings/settings_text.h"
#include "warp/corner_editing.h"

struct ProjectionOutput {
    // The monitor, corners, mesh, part of the picture and blend: what config.json keeps.
    OutputValues values;
    // The selected and dragged point, and the keys held in the previous pass that reached them.
    EditingState editing;
    // Its projection window, made with the output; shown only while `shown`.
    HWND window = nullptr;
    // Its swap chain on the Renderer's device; empty while there is no device.
    ProjectionTarget target;
    // Whether its monitor exists.
    bool shown = false;
    // What its window shows now; nothing when it must be drawn whatever the scene (never drawn, shown
    // again, uncovered, or on a new device).
    std::optional<ProjectionScene> shownScene;
};
