// One projector's output: its saved values, how the operator is editing it, its window and what draws
// into that window, together, so that an output is added, moved and removed whole.
#pragma once

#include <windows.h>

#include <optional>

#include "app/projection_scene.h"
#include "render/renderer.h"
#include "render/test_patterns.h"
#include "settings/settings_text.h"
#include "warp/corner_editing.h"

// How many passes in a row a window just shown, or given a new swap chain, is drawn.
inline constexpr int32_t kSettlingDraws = 5;

struct ProjectionOutput {
    // The monitor, corners, mesh, part of the picture and blend: what config.json keeps.
    OutputValues values;
    // The selected and dragged point, and the keys held in the previous pass that reached them.
    EditingState editing;
    // Its projection window, made with the output; shown only while `shown`.
    HWND window = nullptr;
    // Its swap chain on the Renderer's device; empty while there is no device.
    ProjectionTarget target;
    // Whether its monitor exists (and is its projector's, when its projector's names are known).
    bool shown = false;
    // Its window is kept out of screen captures; where the system refuses, a projection on the captured monitor
    // shows itself (`onCapturedMonitor`, warned of once until it moves off).
    bool excludedFromCapture = false;
    bool onCapturedMonitor = false;
    bool warnedOnCapturedMonitor = false;
    // Its projector is known by its names and is not connected: the output is shown nowhere, whatever
    // monitor its index names now. Not saved: the index and names stay as they were.
    bool projectorMissing = false;
    // What it shows: the picture or a test pattern. Not saved.
    TestPattern pattern = TestPattern::None;

    // What its window shows now; nothing when it must be drawn whatever the scene (never drawn, shown
    // again, uncovered, or on a new device).
    std::optional<ProjectionScene> shownScene;
    // How many more passes draw its window whatever the scene: the first presents into a window just
    // shown, or into a swap chain just made, may never reach the screen (seen under Wine with its
    // Direct3D command thread on: a still desktop left a projector black for good).
    int32_t settlingDraws = 0;

    // The surface the panel and the handles edit (the first when the index is stale).
    SurfaceValues& editedSurface()
    {
        const auto at = static_cast<std::size_t>(editing.editedSurface);
        return at < values.surfaces.size() ? values.surfaces[at] : values.surfaces.front();
    }
    const SurfaceValues& editedSurface() const { return const_cast<ProjectionOutput*>(this)->editedSurface(); }
    // The mask the panel edits; null when none is chosen.
    MaskValues* chosenMask()
    {
        const auto at = static_cast<std::size_t>(editing.chosenMask);
        return editing.chosenMask >= 0 && at < values.masks.size() ? &values.masks[at] : nullptr;
    }
    const MaskValues* chosenMask() const { return const_cast<ProjectionOutput*>(this)->chosenMask(); }

    // Drawn anew, and in each of the next kSettlingDraws passes, whatever the scene.
    void drawAnew()
    {
        shownScene.reset();
        settlingDraws = kSettlingDraws;
    }
};
