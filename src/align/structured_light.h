// The light an output shows while it is aligned, and what the camera's frames of it say: which camera
// points see which projector points. Black and white first (where the light reaches, and how late the
// camera is), then a grey (the projector's response, for the blend), then Gray code stripes of cells of
// `block` pixels, columns then rows, each followed by its inverse.
#pragma once

#include <cstdint>
#include <vector>

#include "align/robust_fit.h"

enum class LightKind { Black, White, Grey, Columns, Rows };

struct LightFrame {
    LightKind kind = LightKind::Black;
    int32_t bit = 0;
    bool inverse = false;
};

// The grey shown to measure the projector's response, of 255.
inline constexpr int32_t kResponseGrey = 128;

struct LightPlan {
    int32_t width = 0;  // the output window's pixels
    int32_t height = 0;
    int32_t block = 1;  // a code cell's side, in projector pixels
    int32_t columnBits = 1;
    int32_t rowBits = 1;
    std::vector<LightFrame> frames; // in the order shown
};

// The frames for a window of `width` x `height` in cells of `block` pixels: black, white, grey, then the
// stripes.
LightPlan planLight(int32_t width, int32_t height, int32_t block);
// The cell side that the camera tells apart: a power of two at least about three camera pixels across,
// from how many camera pixels the white lit (`litPixels`) of a window of `width` x `height`.
int32_t cellSideFor(int32_t width, int32_t height, int64_t litPixels);

// A frame's pixels as 0xAARRGGBB, row by row from the top.
std::vector<uint32_t> lightPixels(const LightPlan& plan, const LightFrame& frame);
// A camera frame's grey (r + 2 g + b) / 4 per pixel.
std::vector<uint8_t> greyOf(const std::vector<uint32_t>& pixels);

// How many camera pixels are at least `leastContrast` brighter under white than under black.
int64_t litPixelCount(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white, int32_t leastContrast);
// The projector's response exponent: the grey's light against white's, over the lit pixels, as the power
// that makes kResponseGrey / 255 give it; 1 for a linear projector, about 2.2 for a usual one. Zero when
// nothing is lit.
double responseExponent(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white,
                        const std::vector<uint8_t>& grey, int32_t leastContrast);

// One correspondence per code cell seen well: from the cell's middle in projector pixels (pixel x at x) to
// the middle of the camera pixels that decoded to it. `columns` and `rows` hold each camera pixel's cell
// (or -1); cells seen by fewer than half the pixels a typical cell has (cut by an edge) are left out.
std::vector<Correspondence> cellCorrespondences(const LightPlan& plan, const std::vector<int32_t>& columns,
                                                const std::vector<int32_t>& rows, int32_t cameraWidth);
