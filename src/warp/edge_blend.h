// Edge blending: where two projectors overlap, each fades its picture out along the shared band so that
// together they give the full light, with no bright seam.
//
// Widths are in the output's picture parameters (s, t). With g(x) = 0.5 (2x)^p for x < 0.5 and
// 1 - 0.5 (2 (1 - x))^p otherwise, and ramp(x) = g(x)^(1 / gamma), a colour value is multiplied by
// a(s, t) = ramp(s / left) for s < left, times ramp((1 - s) / right) for s > 1 - right, and likewise for t
// with top and bottom. Since g(x) + g(1 - x) = 1, two ramps over the same band add up to the full light.
// The black level k lifts what lies outside every ramp: colour = a * picture * (1 - k) + k there, and
// a * picture * (1 - k) inside a ramp, so the doubled black of an overlap matches the single black beside it.
#pragma once

struct EdgeBlend {
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
    float curve = 2.0f;
    float gamma = 2.2f;
    float blackLevel = 0.0f;
    bool operator==(const EdgeBlend&) const = default;
};

inline constexpr float kLargestBlendWidth = 0.5f;
inline constexpr float kSmallestBlendCurve = 1.0f;
inline constexpr float kLargestBlendCurve = 4.0f;
inline constexpr float kSmallestBlendGamma = 1.0f;
inline constexpr float kLargestBlendGamma = 3.0f;
inline constexpr float kLargestBlackLevel = 0.2f;

// Each value within its range (false for anything not finite).
bool isEdgeBlend(const EdgeBlend& blend);

// ramp(x) for x in [0, 1].
float blendRamp(float x, float curve, float gamma);

// What blending makes of one colour value (0 to 1) at picture point (s, t).
float blendedValue(const EdgeBlend& blend, float s, float t, float value);
