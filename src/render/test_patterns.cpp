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

uint32_t grey(int32_t level)
{
    const auto value = static_cast<uint32_t>(level);
    return 0xFF000000u | value << 16 | value << 8 | value;
}

// Whether (x, y) lies on the ring of radius `radius` around (cx, cy), 2 pixels thick.
bool onRing(int32_t x, int32_t y, double cx, double cy, double radius)
{
    return std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius) < 1.0;
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
            // Lines every kLineSpacing pixels from the middle outwards, so the middle ones meet at the centre.
            const int32_t dx = std::abs(x - width / 2), dy = std::abs(y - height / 2);
            const bool line = dx % kLineSpacing < 1 || (x - width / 2) % kLineSpacing == -1 ||
                              dy % kLineSpacing < 1 || (y - height / 2) % kLineSpacing == -1;
            const bool middle = dx < 3 || dy < 3;
            const bool edge = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
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
