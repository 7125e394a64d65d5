// Editing an output on its projection: a click inside a surface makes it the edited one, whose points
// are dragged and nudged as ever; the chosen mask's points are dragged too, a point is added to its
// nearest edge with a double click and the selected one deleted with Delete.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "settings/settings_text.h"
#include "warp/corner_editing.h"

inline constexpr float kDoubleClickReach = 4.0f; // pixels between the two presses of a double click

// Applies one pass to the output's surfaces and masks, in place; true when an edit ended (a drag, a run
// of nudges, a deleted point) and the settings must be saved.
bool applyOutputEditing(const EditingInput& input, OutputValues& output, EditingState& state);

// The surface's outline as shown: its mesh's border points in order around it (the corners for a
// 2 x 2 mesh); points beyond the horizon are left out.
std::vector<CornerPoint> surfaceOutline(const SurfaceValues& surface);
// The topmost surface (the last drawn) whose outline holds the point, or -1.
int32_t surfaceAt(const std::vector<SurfaceValues>& surfaces, CornerPoint point);
// Whether the polygon holds the point, by the even-odd rule.
bool polygonHolds(const std::vector<CornerPoint>& polygon, CornerPoint point);

// Where a point would be added to a mask for a click at `cursor` (client pixels): after point `after`,
// at `position`, the cursor's nearest place on the nearest edge, when that edge is within the pick radius.
struct MaskInsertion {
    int32_t after = 0;
    CornerPoint position;
};
std::optional<MaskInsertion> insertionNear(const MaskValues& mask, const EditingInput& input);
