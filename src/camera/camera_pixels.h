// The picture formats the program reads from a capture device and their conversion to 0xAARRGGBB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class CameraPixelFormat { Rgb32, Nv12, Yuy2 };

// Bytes from one row to the next when the device does not say: RGB32 is stored bottom-up (negative), as
// device-independent bitmaps are; YUY2 and NV12 top-down, without padding.
int32_t defaultCameraStride(CameraPixelFormat format, int32_t width);

// The bytes a picture occupies at `stride` bytes a row (for NV12 the chroma rows follow the luma rows at
// the same stride). 0 when the size is empty or the stride too short for a row (or negative for NV12).
std::size_t cameraPictureBytes(CameraPixelFormat format, int32_t width, int32_t height, int32_t stride);

// The picture in `bytes` (`size` of them, in memory order) as 0xAARRGGBB with alpha FF, row by row from the
// top. A negative stride means the rows lie bottom-up: the picture's top row is the last in memory. YUV is
// read as BT.601 with limited range (16-235 luma), as webcams send it. False, `pixels` untouched, when the
// picture does not fit in `size` bytes.
bool convertCameraPicture(CameraPixelFormat format, const uint8_t* bytes, std::size_t size, int32_t width,
                          int32_t height, int32_t stride, std::vector<uint32_t>& pixels);
