// Colour matching of one channel value.
#include "warp/color_match.h"

#include <algorithm>
#include <cmath>

namespace {

bool within(float value, float smallest, float largest)
{
    return value >= smallest && value <= largest; // false for NaN
}

} // namespace

bool isColorMatch(const ColorMatch& color)
{
    return within(color.brightness, -kLargestBrightness, kLargestBrightness) &&
           within(color.contrast, 0.0f, kLargestContrast) &&
           within(color.gamma, kSmallestColorGamma, kLargestColorGamma) && within(color.red, 0.0f, kLargestGain) &&
           within(color.green, 0.0f, kLargestGain) && within(color.blue, 0.0f, kLargestGain);
}

float matchedValue(const ColorMatch& color, float gain, float value)
{
    const float stretched = std::clamp((gain * value - 0.5f) * color.contrast + 0.5f + color.brightness, 0.0f, 1.0f);
    return std::pow(stretched, 1.0f / color.gamma);
}
