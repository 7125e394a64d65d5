// Everything a projection window's picture is made of. When none of it changed since the window was
// last drawn, drawing it again would show the same pixels: the pass uploads, draws and presents nothing.
#pragma once

#include <cstdint>

#include "display/monitor_info.h"
#include "render/test_patterns.h"
#include "settings/settings_text.h"

struct ProjectionScene {
    // While the camera aligns the outputs: the light over the whole window, unwarped, and nothing else
    // (none: black); its version tells one light from the next.
    bool aligning = false;
    const void* light = nullptr;
    uint64_t lightVersion = 0;
    // How far the blackout has faded it: at 1 nothing else shows.
    float blackoutLevel = 0.0f;
    // The picture or a test pattern in its place; the pattern's texture, and for the identification the
    // output's number.
    TestPattern pattern = TestPattern::None;
    const void* patternTexture = nullptr;
    int32_t outputNumber = 0;
    // The output's surfaces, masks and colour matching.
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
