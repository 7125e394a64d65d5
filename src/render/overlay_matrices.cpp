// Logo and handle matrices.
#include "render/overlay_matrices.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kLogoWidthAt1 = 0.28285715f; // the logo's x scale on a square client area
constexpr float kLogoHeight = 0.11f;
constexpr float kLogoShift = -0.2f;

constexpr float kBarLength = 0.03f;
constexpr float kBarThickness = 0.002f;

} // namespace

WarpMatrix logoMatrix(const WarpMatrix& warp, int clientWidth, int clientHeight)
{
    const float aspect = static_cast<float>(clientWidth) / static_cast<float>(clientHeight);
    const float s = kLogoWidthAt1 / aspect;
    const WarpMatrix placed = multiply(translationMatrix(kLogoShift, 0.0f, 0.0f), scalingMatrix(s, kLogoHeight, 1.0f));
    return multiply(placed, warp);
}

HandleBars cornerHandleBars(float x, float y, int cornerIndex)
{
    // Right-hand corners reach left, bottom corners reach up.
    const float sx = (cornerIndex == 1 || cornerIndex == 3) ? -1.0f : 1.0f;
    const float sy = (cornerIndex == 2 || cornerIndex == 3) ? 1.0f : -1.0f;

    HandleBars bars;
    bars.horizontal = scalingMatrix(kBarLength, kBarThickness, 1.0f);
    bars.horizontal.at(0, 3) = x + sx * kBarLength * 0.5f;
    bars.horizontal.at(1, 3) = y;
    bars.vertical = scalingMatrix(kBarThickness, kBarLength, 1.0f);
    bars.vertical.at(0, 3) = x;
    bars.vertical.at(1, 3) = y + sy * kBarLength * 0.5f;
    return bars;
}

HandleBars pointHandleBars(float x, float y)
{
    HandleBars bars;
    bars.horizontal = scalingMatrix(kBarLength, kBarThickness, 1.0f);
    bars.horizontal.at(0, 3) = x;
    bars.horizontal.at(1, 3) = y;
    bars.vertical = scalingMatrix(kBarThickness, kBarLength, 1.0f);
    bars.vertical.at(0, 3) = x;
    bars.vertical.at(1, 3) = y;
    return bars;
}

WarpMatrix pointerMatrix(const WarpMatrix& warp, float s0, float t0, float s1, float t1)
{
    // Quad x -1..1 onto 2s - 1, quad y 1..-1 (top to bottom) onto 1 - 2t: applied first, the warp after.
    WarpMatrix placement = scalingMatrix(s1 - s0, t1 - t0, 1.0f);
    placement.at(0, 3) = s0 + s1 - 1.0f;
    placement.at(1, 3) = 1.0f - (t0 + t1);
    return multiply(warp, placement);
}

WarpMatrix segmentMatrix(CornerPoint a, CornerPoint b, float thickness, int width, int height)
{
    // In pixels, the half length along and the half thickness across; then back to coordinates, where a
    // pixel is 2 / width wide and 2 / height high.
    const float pixelsX = std::max(static_cast<float>(width), 1.0f) * 0.5f;
    const float pixelsY = std::max(static_cast<float>(height), 1.0f) * 0.5f;
    const float dx = (b.x - a.x) * pixelsX, dy = (b.y - a.y) * pixelsY;
    const float length = std::hypot(dx, dy);
    const float nx = length > 0.0f ? -dy / length : 0.0f, ny = length > 0.0f ? dx / length : 1.0f;
    WarpMatrix matrix = scalingMatrix(1.0f, 1.0f, 1.0f);
    matrix.at(0, 0) = (b.x - a.x) * 0.5f;
    matrix.at(1, 0) = (b.y - a.y) * 0.5f;
    matrix.at(0, 1) = nx * thickness * 0.5f / pixelsX;
    matrix.at(1, 1) = ny * thickness * 0.5f / pixelsY;
    matrix.at(0, 3) = (a.x + b.x) * 0.5f;
    matrix.at(1, 3) = (a.y + b.y) * 0.5f;
    return matrix;
}
