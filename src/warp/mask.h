// A mask: a polygon of the projection where no light may fall, faded in over a feather.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "warp/corner_point.h"

inline constexpr int32_t kMostMasks = 8; // per output
inline constexpr int32_t kLeastMaskPoints = 3;
inline constexpr int32_t kMostMaskPoints = 32;
inline constexpr float kMostFeather = 200.0f; // projection window pixels

// Points in the output's normalised device coordinates (the corners' space, beyond +-1 allowed). Its
// darkness at a pixel at distance d (window pixels) from the nearest edge: inside the polygon (even-odd)
// min(d / feather, 1), or 1 without a feather; outside 0. Inverted: 1 minus that.
struct MaskValues {
    std::vector<CornerPoint> points;
    float feather = 0.0f;
    bool invert = false;
    bool operator==(const MaskValues&) const = default;
};

inline bool isMask(const MaskValues& mask)
{
    const auto count = static_cast<int32_t>(mask.points.size());
    if (count < kLeastMaskPoints || count > kMostMaskPoints || !(mask.feather >= 0.0f && mask.feather <= kMostFeather))
        return false;
    for (const CornerPoint& point : mask.points)
        if (!std::isfinite(point.x) || !std::isfinite(point.y))
            return false;
    return true;
}

// "ADICIONAR MASCARA": a square over the middle ninth of the projection.
inline MaskValues middleNinthMask()
{
    constexpr float third = 1.0f / 3.0f;
    return MaskValues{{{-third, third}, {third, third}, {third, -third}, {-third, -third}}, 0.0f, false};
}
