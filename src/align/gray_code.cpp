// Gray code stripes and their decoding.
#include "align/gray_code.h"

#include <cstdlib>

int32_t grayCodeBits(int32_t extent)
{
    int32_t bits = 1;
    while (bits < 31 && (int64_t{1} << bits) < extent)
        ++bits;
    return bits;
}

bool grayStripeLit(int32_t position, int32_t bit, int32_t bits)
{
    const auto code = static_cast<uint32_t>(position) ^ (static_cast<uint32_t>(position) >> 1);
    return ((code >> (bits - 1 - bit)) & 1u) != 0;
}

int32_t positionOfGrayCode(uint32_t code)
{
    // Each binary bit is the running parity of the Gray bits above it.
    uint32_t position = code;
    for (uint32_t shift = 1; shift < 32; shift <<= 1)
        position ^= position >> shift;
    return static_cast<int32_t>(position);
}

GrayDecoder::GrayDecoder(std::size_t pixels, int32_t bits, int32_t leastContrast)
    : bits_(bits), leastContrast_(leastContrast), codes_(pixels, 0), lit_(pixels, 0)
{
}

void GrayDecoder::takeBlackAndWhite(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white)
{
    for (std::size_t at = 0; at < lit_.size() && at < black.size() && at < white.size(); ++at)
        lit_[at] = white[at] - black[at] >= leastContrast_ ? 1 : 0;
}

void GrayDecoder::takeStripes(int32_t bit, const std::vector<uint8_t>& pattern, const std::vector<uint8_t>& inverse)
{
    if (bit < 0 || bit >= bits_)
        return;
    const uint32_t mask = 1u << (bits_ - 1 - bit);
    for (std::size_t at = 0; at < codes_.size() && at < pattern.size() && at < inverse.size(); ++at)
        codes_[at] = pattern[at] > inverse[at] ? codes_[at] | mask : codes_[at] & ~mask;
    taken_ |= mask;
}

std::vector<int32_t> GrayDecoder::positions() const
{
    const uint32_t every = bits_ >= 32 ? ~0u : (1u << bits_) - 1u;
    std::vector<int32_t> positions(codes_.size(), -1);
    if (taken_ != every)
        return positions;
    for (std::size_t at = 0; at < codes_.size(); ++at)
        if (lit_[at])
            positions[at] = positionOfGrayCode(codes_[at]);
    return positions;
}
