// The rules of editing an output's surfaces and masks on its projection, around the corner rules.
#include "warp/output_editing.h"

#include <algorithm>
#include <cmath>

namespace {

struct Pixel {
    float x = 0.0f;
    float y = 0.0f;
};

Pixel toPixels(const EditingInput& input, CornerPoint point)
{
    return {(point.x + 1.0f) * 0.5f * input.clientWidth, (1.0f - point.y) * 0.5f * input.clientHeight};
}

// The chosen mask's points; null when no mask is chosen (keepWithinLists leaves the index valid or -1).
std::vector<CornerPoint>* chosenMaskPoints(OutputValues& output, const EditingState& state)
{
    return state.chosenMask == -1 ? nullptr : &output.masks[static_cast<std::size_t>(state.chosenMask)].points;
}

// The mask's point nearest the cursor within the pick radius, or -1, with its distance.
int32_t maskPointNear(const MaskValues& mask, const EditingInput& input, float& distance)
{
    int32_t nearest = -1;
    distance = kPickRadius;
    for (std::size_t at = 0; at < mask.points.size(); ++at) {
        const float away = cursorDistance(input, mask.points[at]);
        if (away < distance) {
            nearest = static_cast<int32_t>(at);
            distance = away;
        }
    }
    return nearest;
}

bool isDoubleClick(const EditingInput& input, const EditingState& state)
{
    return state.pressSeen && input.timeMs - state.pressTimeMs <= input.doubleClickMs &&
           std::hypot(input.cursorX - state.pressX, input.cursorY - state.pressY) <= kDoubleClickReach;
}

// What a press does before the corner rules see it: a mask point grabbed (before a surface's handle that
// is farther), a point added where a double click falls on an edge, or another surface chosen where the
// click falls inside it and on no handle. True when the press was taken.
bool takePress(const EditingInput& input, OutputValues& output, EditingState& state)
{
    const bool doubleClick = isDoubleClick(input, state);
    // A third press starts a new double click rather than ending one.
    state.pressSeen = !doubleClick;
    state.pressTimeMs = input.timeMs;
    state.pressX = input.cursorX;
    state.pressY = input.cursorY;

    const SurfaceValues& edited = output.surfaces[static_cast<std::size_t>(state.editedSurface)];
    float handleDistance = kPickRadius;
    const int32_t handle = pointNear(input, edited.corners, edited.mesh, &handleDistance);
    if (state.chosenMask != -1) {
        MaskValues& mask = output.masks[static_cast<std::size_t>(state.chosenMask)];
        float pointDistance = kPickRadius;
        const int32_t point = maskPointNear(mask, input, pointDistance);
        if (point != -1 && (handle == -1 || pointDistance <= handleDistance)) {
            state.draggedMaskPoint = state.selectedMaskPoint = point;
            return true;
        }
        if (doubleClick && handle == -1 && static_cast<int32_t>(mask.points.size()) < kMostMaskPoints) {
            if (const auto insertion = insertionNear(mask, input)) {
                // The new point is dragged until the button is let go, and saved then.
                const int32_t at = insertion->after + 1;
                mask.points.insert(mask.points.begin() + at, insertion->position);
                state.draggedMaskPoint = state.selectedMaskPoint = at;
                return true;
            }
        }
    }
    if (handle != -1)
        return false;
    const int32_t surface = surfaceAt(output.surfaces, cursorPosition(input));
    if (surface == -1 || surface == state.editedSurface)
        return false;
    state.editedSurface = surface;
    state.selectedPoint = 0;
    state.pressTaken = true;
    return true;
}

// A dragged mask point follows the cursor anywhere; the drag ends, with its save, when the button is up.
bool dragMaskPoint(const EditingInput& input, OutputValues& output, EditingState& state)
{
    std::vector<CornerPoint>* points = chosenMaskPoints(output, state);
    const bool valid = points && state.draggedMaskPoint < static_cast<int32_t>(points->size());
    if (!input.leftButtonDown || !valid) {
        state.draggedMaskPoint = -1;
        return valid;
    }
    (*points)[static_cast<std::size_t>(state.draggedMaskPoint)] = cursorPosition(input);
    return false;
}

// Delete takes the chosen mask's selected point away, once per press, never below the fewest a mask has.
bool deleteMaskPoint(const EditingInput& input, OutputValues& output, EditingState& state)
{
    const bool pressed = input.deleteDown && !state.deleteHeld;
    state.deleteHeld = input.deleteDown;
    std::vector<CornerPoint>* points = chosenMaskPoints(output, state);
    if (!pressed || !points || state.draggedMaskPoint != -1)
        return false;
    const auto count = static_cast<int32_t>(points->size());
    if (state.selectedMaskPoint < 0 || state.selectedMaskPoint >= count || count <= kLeastMaskPoints)
        return false;
    points->erase(points->begin() + state.selectedMaskPoint);
    state.selectedMaskPoint = -1;
    return true;
}

// Indices the panel or a removal may have left stale are brought back within the lists.
void keepWithinLists(const OutputValues& output, EditingState& state)
{
    const auto surfaces = static_cast<int32_t>(output.surfaces.size());
    if (state.editedSurface < 0 || state.editedSurface >= surfaces) {
        state.editedSurface = 0;
        state.draggedPoint = -1;
    }
    if (state.chosenMask >= static_cast<int32_t>(output.masks.size()) || state.chosenMask < -1)
        state.chosenMask = -1;
    if (state.chosenMask == -1)
        state.selectedMaskPoint = state.draggedMaskPoint = -1;
}

} // namespace

bool applyOutputEditing(const EditingInput& input, OutputValues& output, EditingState& state)
{
    if (!input.panelVisible || output.surfaces.empty())
        return false;
    keepWithinLists(output, state);
    const bool sized = input.clientWidth > 0.0f && input.clientHeight > 0.0f;
    const bool pressed = input.leftButtonDown && !state.buttonHeld;
    state.buttonHeld = input.leftButtonDown;
    if (!input.leftButtonDown)
        state.pressTaken = false;

    bool save = false;
    if (state.draggedMaskPoint != -1)
        save = dragMaskPoint(input, output, state);
    else if (pressed && sized && state.draggedPoint == -1)
        takePress(input, output, state);
    if (input.projectionInForeground)
        save = deleteMaskPoint(input, output, state) || save;
    else
        state.deleteHeld = false;

    EditingInput rest = input;
    if (state.draggedMaskPoint != -1 || state.pressTaken)
        rest.leftButtonDown = false;
    SurfaceValues& edited = output.surfaces[static_cast<std::size_t>(state.editedSurface)];
    save = applyCornerEditing(rest, edited.corners, edited.mesh, state) || save;
    // Delete is for the mask's point only while it is the last one picked.
    if (state.draggedPoint != -1)
        state.selectedMaskPoint = -1;
    return save;
}

std::vector<CornerPoint> surfaceOutline(const SurfaceValues& surface)
{
    const Mesh& mesh = surface.mesh;
    const int32_t columns = mesh.columns, rows = mesh.rows;
    std::vector<int32_t> border;
    for (int32_t column = 0; column < columns; ++column)
        border.push_back(column);
    for (int32_t row = 1; row < rows; ++row)
        border.push_back(row * columns + columns - 1);
    for (int32_t column = columns - 2; column >= 0; --column)
        border.push_back((rows - 1) * columns + column);
    for (int32_t row = rows - 2; row >= 1; --row)
        border.push_back(row * columns);
    std::vector<CornerPoint> outline;
    for (const int32_t point : border)
        if (const auto position = pointPosition(surface.corners, mesh, point))
            outline.push_back(*position);
    return outline;
}

bool polygonHolds(const std::vector<CornerPoint>& polygon, CornerPoint point)
{
    bool inside = false;
    for (std::size_t at = 0, before = polygon.size() - 1; at < polygon.size(); before = at++) {
        const CornerPoint& a = polygon[at];
        const CornerPoint& b = polygon[before];
        if ((a.y > point.y) != (b.y > point.y) && point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

int32_t surfaceAt(const std::vector<SurfaceValues>& surfaces, CornerPoint point)
{
    for (auto at = static_cast<int32_t>(surfaces.size()) - 1; at >= 0; --at) {
        const std::vector<CornerPoint> outline = surfaceOutline(surfaces[static_cast<std::size_t>(at)]);
        if (outline.size() >= 3 && polygonHolds(outline, point))
            return at;
    }
    return -1;
}

std::optional<MaskInsertion> insertionNear(const MaskValues& mask, const EditingInput& input)
{
    std::optional<MaskInsertion> nearest;
    float nearestDistance = kPickRadius;
    const std::size_t count = mask.points.size();
    for (std::size_t at = 0; at < count; ++at) {
        const Pixel a = toPixels(input, mask.points[at]);
        const Pixel b = toPixels(input, mask.points[(at + 1) % count]);
        const float dx = b.x - a.x, dy = b.y - a.y;
        const float lengthSquared = dx * dx + dy * dy;
        const float projected = ((input.cursorX - a.x) * dx + (input.cursorY - a.y) * dy) / lengthSquared;
        const float along = lengthSquared > 0.0f ? std::clamp(projected, 0.0f, 1.0f) : 0.0f;
        const Pixel closest{a.x + along * dx, a.y + along * dy};
        const float away = std::hypot(input.cursorX - closest.x, input.cursorY - closest.y);
        if (away < nearestDistance) {
            nearestDistance = away;
            const CornerPoint& from = mask.points[at];
            const CornerPoint& to = mask.points[(at + 1) % count];
            nearest = MaskInsertion{static_cast<int32_t>(at),
                                    {from.x + along * (to.x - from.x), from.y + along * (to.y - from.y)}};
        }
    }
    return nearest;
}
