// Everything a projection window's picture is made of. When none of it changed since the window was
// last drawn, drawing it again would show the same pixels: the pass uploads, draws and presents nothing.
#pragma once

#include <cstdint>

#include "display/monitor_info.h"
#include "settings/settings_text.h"

struct ProjectionScene {
    // The output's surfaces and masks.
    OutputValues output;
    // The captured picture: its view and the version of what it holds.
    const void* picture = nullptr;
    uint64_t pictureVersion = 0;
    // The pointer drawn over it, when it is.
    bool pointerShown = false;
    Rect pointerArea;
    uint64_t pointerShape = 0;
    // The grid (or the logo standing in for it) and the handles.
    const void* grid = nullptr;
    const void* logo = nullptr;
    bool handlesShown = false;
    int32_t selectedPoint = 0;
    int32_t editedSurface = 0;
    int32_t chosenMask = -1;
    int32_t selectedMaskPoint = -1;
    // The window's client size.
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const ProjectionScene&) const = default;
};
