// The matrices of what is drawn over the warped picture: the logo and the corner handles.
#pragma once

#include "warp/corner_point.h"
#include "warp/warp_matrix.h"

// The logo's matrix L = (T x S) x W: translated by -0.2 and scaled by (0.28285715 / aspect, 0.11, 1)
// before the warp, so it sits small near the centre whatever the client area's aspect.
// The client size must be positive.
WarpMatrix logoMatrix(const WarpMatrix& warp, int clientWidth, int clientHeight);

// The two bars of one corner handle, crossing at (x, y) with their longer part reaching into the picture.
struct HandleBars {
    WarpMatrix horizontal;
    WarpMatrix vertical;
};
HandleBars cornerHandleBars(float x, float y, int cornerIndex);

// The two bars of an interior mesh point's handle: a cross centred on (x, y).
HandleBars pointHandleBars(float x, float y);

// The pointer's matrix: the unit quad onto the picture-parameter rectangle s0..s1, t0..t1 (s from the
// picture's left edge, t from its top), then through the warp, so that the pointer lies on the picture
// wherever the warp puts it.
WarpMatrix pointerMatrix(const WarpMatrix& warp, float s0, float t0, float s1, float t1);

// A bar `thickness` window pixels thick from a to b (normalised device coordinates) in a window of
// width x height pixels: the unit quad's x along the segment, its y across it. Square in pixels however
// the window's aspect stretches the coordinates.
WarpMatrix segmentMatrix(CornerPoint a, CornerPoint b, float thickness, int width, int height);
