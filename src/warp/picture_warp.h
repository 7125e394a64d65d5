// The keystone warp H on picture points, and its inverse, in the projection's normalised device
// coordinates (the coordinates of CornerPoint).
#pragma once

#include <cstdint>
#include <optional>

#include "warp/corner_point.h"
#include "warp/mesh.h"
#include "warp/warp_matrix.h"

// H(s, t): the matrix applied to the quad point (2s - 1, 1 - 2t, 0, 1), divided by w. Nothing for a
// point on or behind the horizon (w <= 0), which is never shown.
std::optional<CornerPoint> warpPicturePoint(const WarpMatrix& warp, PicturePoint point);

// H^-1: the picture point that H shows at `position`; nothing where no point in front of the horizon is
// shown there.
std::optional<PicturePoint> picturePointAt(const WarpMatrix& warp, CornerPoint position);

// Where mesh point `point` is shown: H(rest + offset).
std::optional<CornerPoint> meshPointPosition(const WarpMatrix& warp, const Mesh& mesh, int32_t point);
