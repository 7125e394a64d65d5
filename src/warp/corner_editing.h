// Editing on the projection: dragging a mesh point (a corner or an interior point) with the mouse,
// choosing a corner with 1 to 4 or any point with Tab and Shift+Tab, and nudging it with the arrow keys.
// The rules, on one pass's polled input.
#pragma once

#include <cstdint>
#include <optional>

#include "warp/corner_point.h"
#include "warp/mesh.h"

// What one pass polls. "Down" is the level of the key at this moment.
struct EditingInput {
    bool panelVisible = false;
    float cursorX = 0.0f; // the cursor in the projection window's client pixels (y downward)
    float cursorY = 0.0f;
    float clientWidth = 0.0f; // the client rectangle's right and bottom
    float clientHeight = 0.0f;
    bool leftButtonDown = false;
    bool projectionInForeground = false;
    bool digitDown[4] = {}; // the keys 1 to 4 of the main keyboard
    bool tabDown = false;
    bool shiftDown = false;
    bool leftDown = false;
    bool rightDown = false;
    bool upDown = false;
    bool downDown = false;
    bool deleteDown = false;
    // A steady clock in milliseconds, and the system's double-click time.
    uint32_t timeMs = 0;
    uint32_t doubleClickMs = 500;
};

// What editing keeps from one pass to the next, beside the points it moves. Points are numbered row by
// row from the top left of the mesh; for the 2 x 2 mesh they are the corners TL, TR, BL, BR.
struct EditingState {
    // The edited surface's points.
    int32_t selectedPoint = 0;
    int32_t draggedPoint = -1;
    bool arrowKeysHeld = false;
    bool tabHeld = false; // Tab steps once per press
    // The surface whose points are edited, and the mask whose outline is shown and edited (-1: none).
    int32_t editedSurface = 0;
    int32_t chosenMask = -1;
    int32_t selectedMaskPoint = -1;
    int32_t draggedMaskPoint = -1;
    // The button and Delete as the previous pass found them, and the last press, for a double click.
    bool buttonHeld = false;
    bool deleteHeld = false;
    bool pressSeen = false;
    bool pressTaken = false; // the press chose a surface: the mouse moves nothing until it is let go
    uint32_t pressTimeMs = 0;
    float pressX = 0.0f;
    float pressY = 0.0f;
};

inline constexpr float kPickRadius = 40.0f; // pixels
inline constexpr float kFineStep = 0.001f;  // corner units (half the window per unit)
inline constexpr float kFastStep = 0.005f;

// Applies one pass to an output's corners and mesh, in place; true when an edit ended (a drag or a run
// of arrow-key steps) and the settings must be saved.
bool applyCornerEditing(const EditingInput& input, CornerSet& corners, Mesh& mesh, EditingState& state);

// The cursor in normalised device coordinates; the client area must not be empty.
CornerPoint cursorPosition(const EditingInput& input);
// How far, in client pixels, a point (normalised device coordinates) is shown from the cursor.
float cursorDistance(const EditingInput& input, CornerPoint point);

// The point whose handle is nearest the cursor and closer than the pick radius, with its distance in
// pixels; -1 when there is none.
int32_t pointNear(const EditingInput& input, const CornerSet& corners, const Mesh& mesh, float* distance = nullptr);

// Moves mesh point `point` so that it is shown at `position` (normalised device coordinates): a corner
// goes there directly; an interior point takes the offset that H^-1 gives, within -1 to 1. False, with
// nothing moved, where no picture point is shown there (beyond the keystone's horizon).
bool movePointTo(CornerSet& corners, Mesh& mesh, int32_t point, CornerPoint position);
// Where mesh point `point` is shown now; nothing for a point beyond the horizon.
std::optional<CornerPoint> pointPosition(const CornerSet& corners, const Mesh& mesh, int32_t point);
