// Test pattern names and pixels.
#include "render/test_patterns.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::array<std::string_view, kPatternCount> kNames = {
    "none", "grid", "crosshatch", "white", "black", "red", "green", "blue", "ramp", "id"};

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr int32_t kLineSpacing = 120;
// Lines and rings 4 pixels wide: a projector of half this size still shows every one.
constexpr int32_t kStroke = 4;

uint32_t grey(int32_t level)
{
    const auto value = static_cast<uint32_t>(level);
    return 0xFF000000u | value << 16 | value << 8 | value;
}

// Whether (x, y) lies on the ring of radius `radius` around (cx, cy), kStroke pixels thick.
bool onRing(int32_t x, int32_t y, double cx, double cy, double radius)
{
    return std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius) < kStroke / 2.0;
}

} // namespace

const char kPatternItems[] = "Nenhum (a imagem)\0Gradil\0Cruzes e circulos\0Branco\0Preto\0Vermelho\0Verde\0Azul\0"
                             "Rampa de cinza\0Identificacao\0";

std::string_view patternName(TestPattern pattern)
{
    return kNames[static_cast<std::size_t>(pattern)];
}

std::optional<TestPattern> patternNamed(std::string_view name)
{
    for (std::size_t at = 0; at < kNames.size(); ++at)
        if (kNames[at] == name)
            return static_cast<TestPattern>(at);
    return std::nullopt;
}

uint32_t solidPatternColour(TestPattern pattern)
{
    switch (pattern) {
    case TestPattern::White: return kWhite;
    case TestPattern::Black: return kBlack;
    case TestPattern::Red: return 0xFFFF0000u;
    case TestPattern::Green: return 0xFF00FF00u;
    case TestPattern::Blue: return 0xFF0000FFu;
    default: return 0;
    }
}

bool replacesPicture(TestPattern pattern)
{
    return pattern != TestPattern::None && pattern != TestPattern::Grid && pattern != TestPattern::Identification;
}

std::vector<uint32_t> crosshatchPixels(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBlack);
    const double cx = width / 2.0, cy = height / 2.0;
    const double big = height * 0.45, small = height * 0.2;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            // Lines every kLineSpacing pixels from the middle outwards, centred on their place, so the middle
            // ones cross at the centre; those two twice as wide.
            const int32_t dx = std::abs(x - width / 2 + kStroke / 2), dy = std::abs(y - height / 2 + kStroke / 2);
            const bool line = (x - width / 2 + kStroke / 2 + kLineSpacing * 64) % kLineSpacing < kStroke ||
                              (y - height / 2 + kStroke / 2 + kLineSpacing * 64) % kLineSpacing < kStroke;
            const bool middle = dx < kStroke || dy < kStroke;
            const bool edge = x < kStroke || y < kStroke || x >= width - kStroke || y >= height - kStroke;
            const bool ring = onRing(x, y, cx, cy, big) || onRing(x, y, cx, cy, small) ||
                              onRing(x, y, width * 0.25, height * 0.25, small) ||
                              onRing(x, y, width * 0.75, height * 0.25, small) ||
                              onRing(x, y, width * 0.25, height * 0.75, small) ||
                              onRing(x, y, width * 0.75, height * 0.75, small);
            if (line || middle || edge || ring)
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                    kWhite;
        }
    return pixels;
}

std::vector<uint32_t> rampPixels(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const double across = (x + 0.5) / width;
            const int32_t level = y < height / 2 ? static_cast<int32_t>(std::lround(across * 255.0))
                                                 : static_cast<int32_t>(across * 16.0) * 255 / 15;
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                grey(level);
        }
    return pixels;
}
