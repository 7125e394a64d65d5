// Structured light on plain values: the Gray code stripes that give each projector column (or row) its own
// code, and the decoding of camera frames back into the column each camera pixel sees.
#pragma once

#include <cstdint>
#include <vector>

// How many stripe patterns tell `extent` positions apart (at least 1).
int32_t grayCodeBits(int32_t extent);
// Whether position `position` is lit in pattern `bit` (0: the widest stripes) of `bits` patterns.
bool grayStripeLit(int32_t position, int32_t bit, int32_t bits);
// The position whose code is `code`, its bits most significant first.
int32_t positionOfGrayCode(uint32_t code);

// Camera frames in, one grey value per camera pixel: first the projector black and white, then each
// pattern with its inverse. A pixel whose white is not at least `leastContrast` above its black sees too
// little of the projector and stays undecoded.
class GrayDecoder {
public:
    GrayDecoder(std::size_t pixels, int32_t bits, int32_t leastContrast);

    void takeBlackAndWhite(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white);
    // Pattern `bit` and its inverse: each pixel's bit is whether it is brighter under the pattern.
    void takeStripes(int32_t bit, const std::vector<uint8_t>& pattern, const std::vector<uint8_t>& inverse);
    // Each pixel's position, or -1 where it is undecoded (too little contrast, or a pattern not taken).
    std::vector<int32_t> positions() const;

private:
    int32_t bits_;
    int32_t leastContrast_;
    std::vector<uint32_t> codes_;
    std::vector<uint8_t> lit_;      // 1 where the projector's light reaches the pixel well enough
    uint32_t taken_ = 0;            // which bits have been taken, as a mask of the code
};
