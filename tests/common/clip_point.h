// A quad point through a WarpMatrix as the vertex stage takes it, for checking matrices in tests.
#pragma once

#include "warp/warp_matrix.h"

// (row0.p, row1.p, row3.p) with p = (x, y, 0, 1), before the division by w.
struct ClipPoint {
    float x = 0.0f;
    float y = 0.0f;
    float w = 1.0f;
};

inline ClipPoint transformPoint(const WarpMatrix& matrix, float x, float y)
{
    const auto row = [&](int r) { return matrix.at(r, 0) * x + matrix.at(r, 1) * y + matrix.at(r, 3); };
    return {row(0), row(1), row(3)};
}
