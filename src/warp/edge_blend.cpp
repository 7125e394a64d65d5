// The edge blend's ramp, on the CPU; the pixel shader computes the same.
#include "warp/edge_blend.h"

#include <algorithm>
#include <cmath>

namespace {

bool within(float value, float lowest, float highest)
{
    return value >= lowest && value <= highest;
}

// The factor of one edge: the ramp across its band, 1 beyond it. `inside` says whether x is in the band.
float edgeFactor(float distance, float width, float curve, float gamma, bool& inside)
{
    if (!(width > 0.0f) || distance >= width)
        return 1.0f;
    inside = true;
    return blendRamp(std::max(distance, 0.0f) / width, curve, gamma);
}

} // namespace

bool isEdgeBlend(const EdgeBlend& blend)
{
    return within(blend.left, 0.0f, kLargestBlendWidth) && within(blend.right, 0.0f, kLargestBlendWidth) &&
           within(blend.top, 0.0f, kLargestBlendWidth) && within(blend.bottom, 0.0f, kLargestBlendWidth) &&
           within(blend.curve, kSmallestBlendCurve, kLargestBlendCurve) &&
           within(blend.gamma, kSmallestBlendGamma, kLargestBlendGamma) && within(blend.blackLevel, 0.0f, kLargestBlackLevel);
}

float blendRamp(float x, float curve, float gamma)
{
    x = std::clamp(x, 0.0f, 1.0f);
    const float g = x < 0.5f ? 0.5f * std::pow(2.0f * x, curve) : 1.0f - 0.5f * std::pow(2.0f * (1.0f - x), curve);
    return g <= 0.0f ? 0.0f : std::pow(g, 1.0f / gamma);
}

float blendedValue(const EdgeBlend& blend, float s, float t, float value)
{
    bool inside = false;
    const float a = edgeFactor(s, blend.left, blend.curve, blend.gamma, inside) *
                    edgeFactor(1.0f - s, blend.right, blend.curve, blend.gamma, inside) *
                    edgeFactor(t, blend.top, blend.curve, blend.gamma, inside) *
                    edgeFactor(1.0f - t, blend.bottom, blend.curve, blend.gamma, inside);
    return a * value * (1.0f - blend.blackLevel) + (inside ? 0.0f : blend.blackLevel);
}
