// Which of a capture device's media types the program takes: fluent first, then as large as fits in
// 1920 x 1080, then a type read as it comes over one that needs a decoder. Plain values, no platform.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "camera/camera_pixels.h"

// A subtype's first field, as Media Foundation's video subtypes carry it: a FOURCC, or a D3DFORMAT number
// for the RGB ones.
constexpr uint32_t cameraFourcc(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
inline constexpr uint32_t kSubtypeRgb32 = 22; // D3DFMT_X8R8G8B8
inline constexpr uint32_t kSubtypeRgb24 = 20; // D3DFMT_R8G8B8
inline constexpr uint32_t kSubtypeNv12 = cameraFourcc('N', 'V', '1', '2');
inline constexpr uint32_t kSubtypeYuy2 = cameraFourcc('Y', 'U', 'Y', '2');
inline constexpr uint32_t kSubtypeMjpg = cameraFourcc('M', 'J', 'P', 'G');
inline constexpr uint32_t kSubtypeH264 = cameraFourcc('H', '2', '6', '4');

// One media type a device offers, as its attributes give it; 0 where an attribute is missing.
struct CameraMediaType {
    uint32_t subtype = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t rateNumerator = 0; // MF_MT_FRAME_RATE
    uint32_t rateDenominator = 0;
    uint32_t rangeMaxNumerator = 0; // MF_MT_FRAME_RATE_RANGE_MAX, when the device gives a range
    uint32_t rangeMaxDenominator = 0;
};

// The program's own conversion for the three formats it reads; none for any other subtype.
std::optional<CameraPixelFormat> pixelFormatOfSubtype(uint32_t subtype);
// Whether the source reader can be asked to decode the subtype into one of those three (compressed
// MJPG and H.264, and the other common YUV and RGB layouts). Depth and infrared formats are not.
bool decodableSubtype(uint32_t subtype);

// Frames a second a type can deliver: the top of its range when it has one, else its rate; 0 when neither
// is given.
double bestCameraRate(const CameraMediaType& type);

struct CameraTypeChoice {
    int32_t index = -1;    // into the list; -1 when nothing in it is usable
    bool decoded = false;  // the reader must decode it into a format the program reads
    double rate = 0;       // what bestCameraRate gave, to ask the device for
};

// At least 15 frames a second first (a type without a rate comes after those that reach it and before
// those that do not; among slow ones the faster wins); then the largest that fits in 1920 x 1080, or the
// smallest when none fits; then the faster in whole frames a second; then a type the program reads as it
// comes over one that needs decoding; then the one offered first.
CameraTypeChoice chooseCameraMediaType(const std::vector<CameraMediaType>& types);
