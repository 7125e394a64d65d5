// Pointer shapes into colour and invert layers.
#include "capture/pointer_shape.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

uint32_t wordAt(const uint8_t* row, uint32_t x)
{
    const uint8_t* p = row + static_cast<std::size_t>(x) * 4;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool bitAt(const uint8_t* row, uint32_t x)
{
    return (row[x / 8] >> (7 - x % 8) & 1) != 0;
}

} // namespace

std::optional<PointerImage> pointerImage(uint32_t type, uint32_t width, uint32_t height, uint32_t pitch,
                                         const uint8_t* bytes, std::size_t size)
{
    const bool monochrome = type == kMonochromePointer;
    const uint32_t rows = monochrome ? height / 2 : height;
    const std::size_t rowBytes = monochrome ? (static_cast<std::size_t>(width) + 7) / 8 : static_cast<std::size_t>(width) * 4;
    if (width == 0 || rows == 0 || pitch < rowBytes || static_cast<std::size_t>(pitch) * height > size ||
        (type != kMonochromePointer && type != kColourPointer && type != kMaskedColourPointer))
        return std::nullopt;

    PointerImage image;
    image.width = width;
    image.height = rows;
    image.colour.assign(static_cast<std::size_t>(width) * rows, 0u);
    image.invert.assign(image.colour.size(), kOpaqueBlack);
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* row = bytes + static_cast<std::size_t>(y) * pitch;
        for (uint32_t x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            if (monochrome) {
                const bool keep = bitAt(row, x);
                const bool flip = bitAt(bytes + static_cast<std::size_t>(y + rows) * pitch, x);
                if (!keep)
                    image.colour[at] = flip ? kOpaqueWhite : kOpaqueBlack;
                else if (flip)
                    image.invert[at] = kOpaqueWhite;
            } else if (type == kColourPointer) {
                image.colour[at] = wordAt(row, x);
            } else if (const uint32_t word = wordAt(row, x); (word >> 24) == 0) {
                image.colour[at] = word | kOpaqueBlack;
            } else {
                image.invert[at] = word | kOpaqueBlack;
            }
            image.inverts = image.inverts || image.invert[at] != kOpaqueBlack;
        }
    }
    return image;
}
