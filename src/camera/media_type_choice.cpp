// The choice among a capture device's media types, on plain values.
#include "camera/media_type_choice.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// 15000/1001, the NTSC-derived "15", counts as fluent too.
constexpr double kFluentRate = 14.9;
constexpr int64_t kWidest = 1920;
constexpr int64_t kTallest = 1080;

// The other layouts the system's decoders and video processor take in; anything else (depth, infrared,
// vendor formats) is not a picture the program can use.
constexpr uint32_t kDecodedSubtypes[] = {
    kSubtypeMjpg, kSubtypeH264, kSubtypeRgb24,
    cameraFourcc('I', '4', '2', '0'), cameraFourcc('I', 'Y', 'U', 'V'), cameraFourcc('Y', 'V', '1', '2'),
    cameraFourcc('U', 'Y', 'V', 'Y'), cameraFourcc('H', 'E', 'V', 'C'), cameraFourcc('J', 'P', 'E', 'G'),
};

double ratio(uint32_t numerator, uint32_t denominator)
{
    return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
}

// Larger is better, compared element by element.
using Rank = std::tuple<int, double, int, int64_t, int64_t, int>;

Rank rankOf(const CameraMediaType& type, double rate, bool decoded)
{
    const int tier = rate >= kFluentRate ? 2 : rate <= 0 ? 1 : 0;
    const int64_t width = type.width, height = type.height;
    const bool fits = width <= kWidest && height <= kTallest;
    const int64_t area = width * height;
    return {tier, tier == 0 ? rate : 0.0, fits ? 1 : 0, fits ? area : -area, std::llround(rate), decoded ? 0 : 1};
}

} // namespace

std::optional<CameraPixelFormat> pixelFormatOfSubtype(uint32_t subtype)
{
    switch (subtype) {
    case kSubtypeRgb32:
        return CameraPixelFormat::Rgb32;
    case kSubtypeNv12:
        return CameraPixelFormat::Nv12;
    case kSubtypeYuy2:
        return CameraPixelFormat::Yuy2;
    default:
        return std::nullopt;
    }
}

bool decodableSubtype(uint32_t subtype)
{
    return std::find(std::begin(kDecodedSubtypes), std::end(kDecodedSubtypes), subtype) != std::end(kDecodedSubtypes);
}

double bestCameraRate(const CameraMediaType& type)
{
    return std::max(ratio(type.rateNumerator, type.rateDenominator),
                    ratio(type.rangeMaxNumerator, type.rangeMaxDenominator));
}

CameraTypeChoice chooseCameraMediaType(const std::vector<CameraMediaType>& types)
{
    CameraTypeChoice chosen;
    Rank chosenRank{};
    for (std::size_t i = 0; i < types.size(); ++i) {
        const CameraMediaType& type = types[i];
        const bool readable = pixelFormatOfSubtype(type.subtype).has_value();
        if (type.width <= 0 || type.height <= 0 || (!readable && !decodableSubtype(type.subtype)))
            continue;
        const double rate = bestCameraRate(type);
        const Rank rank = rankOf(type, rate, !readable);
        // Strictly better only, so that on a tie the type offered first stays.
        if (chosen.index < 0 || rank > chosenRank) {
            chosen = {static_cast<int32_t>(i), !readable, rate};
            chosenRank = rank;
        }
    }
    return chosen;
}
