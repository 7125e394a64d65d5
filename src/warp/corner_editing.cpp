// The editing rules for the corners and the mesh points.
#include "warp/corner_editing.h"

#include <algorithm>
#include <cmath>

#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

namespace {

// One output's points and their editing state, as the rules below see them.
struct Edit {
    CornerSet& corners;
    Mesh& mesh;
    int32_t& selectedPoint;
    int32_t& draggedPoint;
    bool& arrowKeysHeld;
    bool& tabHeld;
};

// Where a point is shown under an already solved warp: a corner is its own position.
std::optional<CornerPoint> positionUnder(const WarpMatrix& warp, const CornerSet& corners, const Mesh& mesh, int32_t point)
{
    if (point < 0 || point >= mesh.pointCount())
        return std::nullopt;
    const int32_t corner = cornerOfPoint(mesh, point);
    if (corner != -1)
        return corners[static_cast<std::size_t>(corner)];
    return meshPointPosition(warp, mesh, point);
}

int32_t pointUnderCursor(const Edit& state, const EditingInput& input)
{
    return pointNear(input, state.corners, state.mesh);
}

// A drag ends, with its save, on the first pass that finds the button up.
bool editWithMouse(const EditingInput& input, Edit& state)
{
    if (!input.leftButtonDown) {
        const bool ended = state.draggedPoint != -1;
        state.draggedPoint = -1;
        return ended;
    }
    // With an empty client area (a minimised window) no pixel maps to a point: nothing is grabbed or
    // moved, where dividing by zero would put an infinite value into the settings file.
    if (!(input.clientWidth > 0.0f && input.clientHeight > 0.0f))
        return false;
    if (state.draggedPoint == -1) {
        const int32_t grabbed = pointUnderCursor(state, input);
        if (grabbed == -1)
            return false;
        state.draggedPoint = grabbed;
        state.selectedPoint = grabbed;
    }
    // The point jumps to the cursor and follows it anywhere, beyond the window too.
    movePointTo(state.corners, state.mesh, state.draggedPoint, cursorPosition(input));
    return false;
}

void chooseWithKeys(const EditingInput& input, Edit& state)
{
    for (int32_t digit = 0; digit < 4; ++digit)
        if (input.digitDown[digit])
            state.selectedPoint = pointOfCorner(state.mesh, digit);
    if (input.tabDown && !state.tabHeld) {
        const int32_t count = state.mesh.pointCount();
        const int32_t from = std::clamp(state.selectedPoint, 0, count - 1);
        state.selectedPoint = (from + (input.shiftDown ? count - 1 : 1)) % count;
    }
    state.tabHeld = input.tabDown;
}

// Level-triggered: a held arrow moves its point one step per pass on screen; a run of steps saves once,
// when a pass that reaches the keys finds no arrow down.
bool editWithKeys(const EditingInput& input, Edit& state)
{
    chooseWithKeys(input, state);
    const float step = input.shiftDown ? kFastStep : kFineStep;
    CornerPoint delta;
    bool moved = false;
    if (input.leftDown) {
        delta.x -= step;
        moved = true;
    }
    if (input.rightDown) {
        delta.x += step;
        moved = true;
    }
    if (input.upDown) {
        delta.y += step;
        moved = true;
    }
    if (input.downDown) {
        delta.y -= step;
        moved = true;
    }
    // A selection outside the mesh (the panel can set any value) moves nothing.
    const bool selectionValid = state.selectedPoint >= 0 && state.selectedPoint < state.mesh.pointCount();
    if (moved && selectionValid) {
        const int32_t corner = cornerOfPoint(state.mesh, state.selectedPoint);
        if (corner != -1) {
            // Corners step exactly, as they always have.
            CornerPoint& target = state.corners[static_cast<std::size_t>(corner)];
            target.x += delta.x;
            target.y += delta.y;
        } else if (const auto position = pointPosition(state.corners, state.mesh, state.selectedPoint)) {
            movePointTo(state.corners, state.mesh, state.selectedPoint, {position->x + delta.x, position->y + delta.y});
        }
    }
    const bool runEnded = state.arrowKeysHeld && !moved;
    state.arrowKeysHeld = moved;
    return runEnded;
}

} // namespace

CornerPoint cursorPosition(const EditingInput& input)
{
    return {input.cursorX / input.clientWidth * 2.0f - 1.0f, 1.0f - input.cursorY / input.clientHeight * 2.0f};
}

float cursorDistance(const EditingInput& input, CornerPoint point)
{
    const float px = (point.x + 1.0f) * 0.5f * input.clientWidth;
    const float py = (1.0f - point.y) * 0.5f * input.clientHeight;
    return std::hypot(input.cursorX - px, input.cursorY - py);
}

int32_t pointNear(const EditingInput& input, const CornerSet& corners, const Mesh& mesh, float* distance)
{
    const WarpMatrix warp = solveWarp(corners);
    int32_t nearest = -1;
    float nearestDistance = kPickRadius;
    for (int32_t point = 0; point < mesh.pointCount(); ++point) {
        const auto position = positionUnder(warp, corners, mesh, point);
        if (!position)
            continue;
        const float away = cursorDistance(input, *position);
        if (away < nearestDistance) {
            nearest = point;
            nearestDistance = away;
        }
    }
    if (distance)
        *distance = nearestDistance;
    return nearest;
}

std::optional<CornerPoint> pointPosition(const CornerSet& corners, const Mesh& mesh, int32_t point)
{
    return positionUnder(solveWarp(corners), corners, mesh, point);
}

bool movePointTo(CornerSet& corners, Mesh& mesh, int32_t point, CornerPoint position)
{
    if (point < 0 || point >= mesh.pointCount())
        return false;
    const int32_t corner = cornerOfPoint(mesh, point);
    if (corner != -1) {
        corners[static_cast<std::size_t>(corner)] = position;
        return true;
    }
    const auto picture = picturePointAt(solveWarp(corners), position);
    if (!picture)
        return false;
    // Offsets stay within what the settings file accepts.
    const PicturePoint rest = restPosition(mesh, point);
    mesh.offsets[static_cast<std::size_t>(point)] = {std::clamp(picture->s - rest.s, -1.0f, 1.0f),
                                                     std::clamp(picture->t - rest.t, -1.0f, 1.0f)};
    return true;
}

bool applyCornerEditing(const EditingInput& input, CornerSet& corners, Mesh& mesh, EditingState& editing)
{
    if (!input.panelVisible)
        return false;
    Edit state{corners, mesh, editing.selectedPoint, editing.draggedPoint, editing.arrowKeysHeld, editing.tabHeld};
    bool save = editWithMouse(input, state);
    if (!input.projectionInForeground)
        return save;
    save = editWithKeys(input, state) || save;
    return save;
}
