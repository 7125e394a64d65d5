// The homography that carries the unit quad onto the four output corners.
#pragma once

#include "warp/corner_point.h"
#include "warp/warp_matrix.h"

// Solves the eight coefficients by Gauss-Jordan elimination in 64-bit floats, with partial pivoting
// (the upper row wins ties) and columns whose pivot is at most 1e-9 or not a number passed over, then
// rounds them to float. Never fails and allocates nothing: degenerate corners give a degenerate matrix.
void solveWarp(const CornerSet& corners, WarpMatrix& warp);
WarpMatrix solveWarp(const CornerSet& corners);
