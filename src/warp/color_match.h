// Colour matching per output, so that projectors of different age show the same white: for each colour
// channel value v of the picture (0 to 1) with that channel's gain k,
//   v' = clamp((k v - 0.5) c + 0.5 + b, 0, 1),  v'' = v'^(1 / g),
// with brightness b, contrast c and gamma g. It comes before the edge blend and its black level, so the
// blend still adds up in light.
#pragma once

struct ColorMatch {
    float brightness = 0.0f; // -1 to 1
    float contrast = 1.0f;   // 0 to 2
    float gamma = 1.0f;      // 0.5 to 3
    float red = 1.0f;        // the gains, 0 to 2 each
    float green = 1.0f;
    float blue = 1.0f;
    bool operator==(const ColorMatch&) const = default;
};

inline constexpr float kLargestBrightness = 1.0f;
inline constexpr float kLargestContrast = 2.0f;
inline constexpr float kSmallestColorGamma = 0.5f;
inline constexpr float kLargestColorGamma = 3.0f;
inline constexpr float kLargestGain = 2.0f;

// Each value within its range (false for anything not finite).
bool isColorMatch(const ColorMatch& color);

// What matching makes of one channel value (0 to 1) whose gain is `gain`.
float matchedValue(const ColorMatch& color, float gain, float value);
