// The four output corners of the warp, in the projection window's normalised device coordinates.
#pragma once

#include <array>

// x from -1 (left edge) to +1 (right edge), y from -1 (bottom) to +1 (top); values beyond +-1 are allowed.
struct CornerPoint {
    float x = 0.0f;
    float y = 0.0f;
    bool operator==(const CornerPoint&) const = default;
};

// Always in the order TL, TR, BL, BR (indices 0 to 3).
using CornerSet = std::array<CornerPoint, 4>;

// The unit quad: the identity warp, the start value and what "reset" restores.
inline constexpr CornerSet kDefaultCorners{{{-1.0f, 1.0f}, {1.0f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}}};
