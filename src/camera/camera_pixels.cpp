// Capture pictures to 0xAARRGGBB: row addressing for either row order, and BT.601 YUV in integers.
#include "camera/camera_pixels.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Bytes of one row's own pixels, without padding; for NV12 the luma row.
int64_t rowBytes(CameraPixelFormat format, int64_t width)
{
    switch (format) {
    case CameraPixelFormat::Rgb32:
        return 4 * width;
    case CameraPixelFormat::Yuy2:
        return 4 * ((width + 1) / 2); // Y0 U Y1 V for each pair of pixels
    case CameraPixelFormat::Nv12:
        return width;
    }
    return 0;
}

// Where row `row` (0 the top) of a plane of `height` rows starts.
std::size_t rowStart(int32_t row, int32_t height, int32_t stride)
{
    const int64_t fromTop = stride >= 0 ? row : height - 1 - row;
    return static_cast<std::size_t>(fromTop * std::abs(static_cast<int64_t>(stride)));
}

uint8_t clampByte(int32_t value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// BT.601, limited range, in 8.8 fixed point: 298 = 255/219, 409 = 1.596, 100 = 0.392, 208 = 0.813, 516 = 2.017.
uint32_t pixelOfYuv(int32_t y, int32_t u, int32_t v)
{
    const int32_t luma = 298 * (y - 16) + 128, d = u - 128, e = v - 128;
    const uint32_t red = clampByte((luma + 409 * e) >> 8);
    const uint32_t green = clampByte((luma - 100 * d - 208 * e) >> 8);
    const uint32_t blue = clampByte((luma + 516 * d) >> 8);
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

void convertRgb32(const uint8_t* bytes, int32_t width, int32_t height, int32_t stride, uint32_t* out)
{
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = bytes + rowStart(row, height, stride);
        // Blue, green, red and a byte that devices leave undefined: alpha is set, not copied.
        for (int32_t x = 0; x < width; ++x, in += 4)
            *out++ = 0xFF000000u | uint32_t{in[2]} << 16 | uint32_t{in[1]} << 8 | in[0];
    }
}

void convertYuy2(const uint8_t* bytes, int32_t width, int32_t height, int32_t stride, uint32_t* out)
{
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = bytes + rowStart(row, height, stride);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pair = in + 4 * (x / 2);
            *out++ = pixelOfYuv(pair[(x % 2) * 2], pair[1], pair[3]);
        }
    }
}

// A luma plane, then one plane of interleaved U V at half the resolution both ways, at the same stride.
void convertNv12(const uint8_t* bytes, int32_t width, int32_t height, int32_t stride, uint32_t* out)
{
    const uint8_t* chroma = bytes + static_cast<std::size_t>(height) * static_cast<std::size_t>(stride);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* luma = bytes + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride);
        const uint8_t* pairs = chroma + static_cast<std::size_t>(row / 2) * static_cast<std::size_t>(stride);
        for (int32_t x = 0; x < width; ++x)
            *out++ = pixelOfYuv(luma[x], pairs[2 * (x / 2)], pairs[2 * (x / 2) + 1]);
    }
}

} // namespace

int32_t defaultCameraStride(CameraPixelFormat format, int32_t width)
{
    const auto bytes = static_cast<int32_t>(rowBytes(format, width));
    return format == CameraPixelFormat::Rgb32 ? -bytes : bytes;
}

std::size_t cameraPictureBytes(CameraPixelFormat format, int32_t width, int32_t height, int32_t stride)
{
    if (width <= 0 || height <= 0 || (format == CameraPixelFormat::Nv12 && stride < 0))
        return 0;
    const int64_t pitch = std::abs(static_cast<int64_t>(stride)), own = rowBytes(format, width);
    if (pitch < own)
        return 0;
    // The last row need not carry its padding.
    if (format != CameraPixelFormat::Nv12)
        return static_cast<std::size_t>(pitch * (height - 1) + own);
    const int64_t chromaRow = 2 * ((static_cast<int64_t>(width) + 1) / 2), chromaRows = (height + 1) / 2;
    if (pitch < chromaRow)
        return 0;
    return static_cast<std::size_t>(pitch * height + pitch * (chromaRows - 1) + chromaRow);
}

bool convertCameraPicture(CameraPixelFormat format, const uint8_t* bytes, std::size_t size, int32_t width,
                          int32_t height, int32_t stride, std::vector<uint32_t>& pixels)
{
    const std::size_t needed = cameraPictureBytes(format, width, height, stride);
    if (needed == 0 || needed > size || bytes == nullptr)
        return false;
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    switch (format) {
    case CameraPixelFormat::Rgb32:
        convertRgb32(bytes, width, height, stride, pixels.data());
        break;
    case CameraPixelFormat::Yuy2:
        convertYuy2(bytes, width, height, stride, pixels.data());
        break;
    case CameraPixelFormat::Nv12:
        convertNv12(bytes, width, height, stride, pixels.data());
        break;
    }
    return true;
}
