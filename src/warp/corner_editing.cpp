// The corner editing rules.
#include "warp/corner_editing.h"

#include <cmath>

namespace {

void moveToCursor(CornerPoint& corner, const EditingInput& input)
{
    corner.x = input.cursorX / input.clientWidth * 2.0f - 1.0f;
    corner.y = 1.0f - input.cursorY / input.clientHeight * 2.0f;
}

// The first corner (in index order, not the nearest) whose handle is closer than the pick radius.
int32_t cornerUnderCursor(const CornerSet& corners, const EditingInput& input)
{
    for (int32_t i = 0; i < 4; ++i) {
        const CornerPoint& corner = corners[static_cast<std::size_t>(i)];
        const float cx = (corner.x + 1.0f) * 0.5f * input.clientWidth;
        const float cy = (1.0f - corner.y) * 0.5f * input.clientHeight;
        const float dy = input.cursorY - cy, dx = input.cursorX - cx;
        if (std::sqrt(dy * dy + dx * dx) < kPickRadius)
            return i;
    }
    return -1;
}

// A drag ends, with its save, on the first pass that finds the button up.
bool editWithMouse(const EditingInput& input, EditingState& state)
{
    if (!input.leftButtonDown) {
        const bool ended = state.draggedCorner != -1;
        state.draggedCorner = -1;
        return ended;
    }
    // With an empty client area (a minimised window) no pixel maps to a corner: nothing is grabbed or
    // moved, where dividing by zero would put an infinite corner into the settings file.
    if (!(input.clientWidth > 0.0f && input.clientHeight > 0.0f))
        return false;
    if (state.draggedCorner == -1) {
        const int32_t grabbed = cornerUnderCursor(state.corners, input);
        if (grabbed == -1)
            return false;
        state.draggedCorner = grabbed;
        state.selectedCorner = grabbed;
    }
    // The corner jumps to the cursor and follows it anywhere, beyond the window too.
    moveToCursor(state.corners[static_cast<std::size_t>(state.draggedCorner)], input);
    return false;
}

// Level-triggered: a held arrow moves its corner one step per pass; a run of steps saves once, when a
// pass that reaches the keys finds no arrow down.
bool editWithKeys(const EditingInput& input, EditingState& state)
{
    for (int32_t digit = 0; digit < 4; ++digit)
        if (input.digitDown[digit])
            state.selectedCorner = digit;

    const float step = input.shiftDown ? kFastStep : kFineStep;
    bool moved = false;
    // A selection outside 0 to 3 (the panel can set any value) moves nothing.
    const bool selectionValid = state.selectedCorner >= 0 && state.selectedCorner < 4;
    CornerPoint scratch;
    CornerPoint& corner = selectionValid ? state.corners[static_cast<std::size_t>(state.selectedCorner)] : scratch;
    if (input.leftDown) {
        corner.x -= step;
        moved = true;
    }
    if (input.rightDown) {
        corner.x += step;
        moved = true;
    }
    if (input.upDown) {
        corner.y += step;
        moved = true;
    }
    if (input.downDown) {
        corner.y -= step;
        moved = true;
    }
    const bool runEnded = state.arrowKeysHeld && !moved;
    state.arrowKeysHeld = moved;
    return runEnded;
}

} // namespace

bool applyCornerEditing(const EditingInput& input, EditingState& state)
{
    if (!input.panelVisible)
        return false;
    bool save = editWithMouse(input, state);
    if (!input.projectionInForeground)
        return save;
    save = editWithKeys(input, state) || save;
    return save;
}
