// Corner editing on the projection: dragging a handle with the mouse, choosing a corner with 1 to 4
// and nudging it with the arrow keys. The rules, on one pass's polled input.
#pragma once

#include <cstdint>

#include "warp/corner_point.h"

// What one pass polls. "Down" is the level of the key at this moment; no transitions are used.
struct EditingInput {
    bool panelVisible = false;
    float cursorX = 0.0f; // the cursor in the projection window's client pixels (y downward)
    float cursorY = 0.0f;
    float clientWidth = 0.0f; // the client rectangle's right and bottom
    float clientHeight = 0.0f;
    bool leftButtonDown = false;
    bool projectionInForeground = false;
    bool digitDown[4] = {}; // the keys 1 to 4 of the main keyboard
    bool shiftDown = false;
    bool leftDown = false;
    bool rightDown = false;
    bool upDown = false;
    bool downDown = false;
};

// What editing keeps from one pass to the next.
struct EditingState {
    CornerSet corners = kDefaultCorners;
    int32_t selectedCorner = 0;
    int32_t draggedCorner = -1;
    bool arrowKeysHeld = false;
};

inline constexpr float kPickRadius = 40.0f; // pixels
inline constexpr float kFineStep = 0.001f;  // corner units (half the window per unit)
inline constexpr float kFastStep = 0.005f;

// Applies one pass; true when the settings must be saved (a drag or a run of arrow-key steps ended).
bool applyCornerEditing(const EditingInput& input, EditingState& state);
