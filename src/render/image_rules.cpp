// Image size rule and grid texels.
#include "render/image_rules.h"

std::optional<ImageSize> textureSizeFor(uint32_t width, uint32_t height)
{
    ImageSize size{width, height};
    if (width > kLargestImageSide || height > kLargestImageSide) {
        const float aspect = static_cast<float>(width) / static_cast<float>(height);
        constexpr float side = static_cast<float>(kLargestImageSide);
        if (aspect > 1.0f)
            size = {kLargestImageSide, static_cast<uint32_t>(side / aspect)};
        else
            size = {static_cast<uint32_t>(aspect * side), kLargestImageSide};
    }
    if (size.width == 0 || size.height == 0)
        return std::nullopt;
    return size;
}

std::vector<uint32_t> gridTexels()
{
    std::vector<uint32_t> texels(static_cast<std::size_t>(kGridWidth) * kGridHeight, kGridBackground);
    for (uint32_t i = 0; i <= 12; ++i) {
        const uint32_t x = (kGridWidth - 1) * i / 12;
        for (uint32_t y = 0; y < kGridHeight; ++y)
            texels[static_cast<std::size_t>(y) * kGridWidth + x] = kGridLine;
    }
    for (uint32_t j = 0; j <= 8; ++j) {
        const uint32_t y = (kGridHeight - 1) * j / 8;
        for (uint32_t x = 0; x < kGridWidth; ++x)
            texels[static_cast<std::size_t>(y) * kGridWidth + x] = kGridLine;
    }
    return texels;
}
