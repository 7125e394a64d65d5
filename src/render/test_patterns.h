// The test patterns an output can show in place of the picture, their names (as the control desk sends
// them) and their pixels, on plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

enum class TestPattern {
    None,           // the picture
    Grid,           // the picture with the calibration grid over it
    Crosshatch,     // lines and circles, to focus by
    White,
    Black,
    Red,
    Green,
    Blue,
    Ramp,           // grey from black to white, to tune a blend's gamma by
    Identification, // the output's number, its monitor's name and its edges, over the whole window
};
inline constexpr int32_t kPatternCount = 10;

// "none", "grid", "crosshatch", "white", "black", "red", "green", "blue", "ramp", "id".
std::string_view patternName(TestPattern pattern);
// The pattern of that name; nothing for any other text.
std::optional<TestPattern> patternNamed(std::string_view name);
// The panel's entries, in the panel library's list format (each ends with a zero byte), in enum order.
extern const char kPatternItems[];

// The colour of a solid field, 0xAARRGGBB; 0 for a pattern that is no solid field.
uint32_t solidPatternColour(TestPattern pattern);
// Whether the pattern stands in for the picture on every surface (through its warp, blend and masks).
bool replacesPicture(TestPattern pattern);

// The crosshatch and the ramp at this size, 0xAARRGGBB row by row.
inline constexpr int32_t kPatternWidth = 1920;
inline constexpr int32_t kPatternHeight = 1080;
// White lines 2 pixels wide every 120 pixels on black, a thicker one through the middle each way, and
// circles around the middle and each quarter, so that focus and geometry can be judged anywhere.
std::vector<uint32_t> crosshatchPixels(int32_t width, int32_t height);
// The top half a smooth ramp from black at the left to white at the right, the bottom half the same in
// 16 even steps.
std::vector<uint32_t> rampPixels(int32_t width, int32_t height);
