// Sizes and pixels of the images the renderer makes: the 4096 limit and the procedural grid.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

inline constexpr uint32_t kLargestImageSide = 4096;

struct ImageSize {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const ImageSize&) const = default;
};

// The size an image is uploaded at: unchanged up to 4096 on both sides, otherwise the longer side
// becomes 4096 and the other follows the 32-bit float aspect, truncated. Nothing when a side would be 0.
std::optional<ImageSize> textureSizeFor(uint32_t width, uint32_t height);

// The procedural calibration grid: 1920 x 1080 RGBA texels (bytes R, G, B, A in memory), opaque black
// with one-pixel grey lines, 12 columns by 8 rows of cells, the outermost lines on the edges.
inline constexpr uint32_t kGridWidth = 1920;
inline constexpr uint32_t kGridHeight = 1080;
inline constexpr uint32_t kGridBackground = 0xFF000000u; // as a little-endian word: R, G, B, A = 0, 0, 0, 255
inline constexpr uint32_t kGridLine = 0xFF888888u;       // 136, 136, 136, 255
std::vector<uint32_t> gridTexels();
