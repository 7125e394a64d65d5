// camera-standin.json read into StandinSettings (the JSON library's exceptions are never enabled here), and
// the stand-in's frame model: inverse maps worked out once, then sums, blur and noise per frame.
#include "camera/standin_view.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

namespace {

// Bilinear weights have 7 fractional bits each way: a sample lands within 1/256 pixel of its place.
constexpr int32_t kFractionOne = 128;
constexpr int32_t kWeightOne = kFractionOne * kFractionOne;
constexpr int kBendIterations = 32;

// ---- Reading the file ----

bool readNumber(const Json& object, const char* key, double& value)
{
    const auto member = object.find(key);
    if (member == object.end())
        return true; // the default stays
    if (!member->is_number() || !std::isfinite(member->get<double>()))
        return false;
    value = member->get<double>();
    return true;
}

bool readInteger(const Json& value, int32_t lowest, int32_t highest, int32_t& read)
{
    if (!value.is_number_integer() || value.get<int64_t>() < lowest || value.get<int64_t>() > highest)
        return false;
    read = static_cast<int32_t>(value.get<int64_t>());
    return true;
}

double determinant(const std::array<double, 9>& m)
{
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
}

bool readHomography(const Json& view, std::array<double, 9>& homography)
{
    const auto member = view.find("homography");
    if (member == view.end() || !member->is_array() || member->size() != 9)
        return false;
    for (std::size_t i = 0; i < 9; ++i) {
        const Json& number = (*member)[i];
        if (!number.is_number() || !std::isfinite(number.get<double>()))
            return false;
        homography[i] = number.get<double>();
    }
    const double d = determinant(homography);
    return std::isfinite(d) && d != 0.0;
}

// No "bend" is no bend; a "bend" must be whole.
bool readBend(const Json& view, StandinBend& bend)
{
    const auto member = view.find("bend");
    if (member == view.end())
        return true;
    if (!member->is_object())
        return false;
    const auto columns = member->find("columns"), rows = member->find("rows"), offsets = member->find("offsets");
    if (columns == member->end() || rows == member->end() || offsets == member->end() ||
        !readInteger(*columns, 2, kLargestBendGrid, bend.columns) ||
        !readInteger(*rows, 2, kLargestBendGrid, bend.rows) || !offsets->is_array() ||
        offsets->size() != static_cast<std::size_t>(bend.columns) * static_cast<std::size_t>(bend.rows))
        return false;
    for (const Json& offset : *offsets) {
        std::array<double, 2> read{};
        if (!offset.is_object() || !offset.contains("x") || !offset.contains("y") || !readNumber(offset, "x", read[0]) ||
            !readNumber(offset, "y", read[1]))
            return false;
        bend.offsets.push_back(read);
    }
    return true;
}

std::string readView(const Json& entry, std::size_t place, StandinView& view)
{
    const std::string name = "vista " + std::to_string(place) + ": ";
    if (!entry.is_object())
        return name + "deve ser um objeto";
    const auto monitor = entry.find("monitor");
    if (monitor == entry.end() || !readInteger(*monitor, 0, 63, view.monitor))
        return name + "'monitor' deve ser um indice de monitor (inteiro de 0 a 63)";
    if (!readHomography(entry, view.homography))
        return name + "'homography' deve ter 9 numeros e ser invertivel";
    if (!readBend(entry, view.bend))
        return name + "'bend' deve ter 'columns' e 'rows' de 2 a 64 e columns x rows 'offsets' com 'x' e 'y'";
    return {};
}

// ---- The frame model ----

std::array<double, 9> inverse(const std::array<double, 9>& m)
{
    const double d = determinant(m);
    return {(m[4] * m[8] - m[5] * m[7]) / d, (m[2] * m[7] - m[1] * m[8]) / d, (m[1] * m[5] - m[2] * m[4]) / d,
            (m[5] * m[6] - m[3] * m[8]) / d, (m[0] * m[8] - m[2] * m[6]) / d, (m[2] * m[3] - m[0] * m[5]) / d,
            (m[3] * m[7] - m[4] * m[6]) / d, (m[1] * m[6] - m[0] * m[7]) / d, (m[0] * m[4] - m[1] * m[3]) / d};
}

// The bend's offset at camera point (x, y); beyond the picture's edge the edge's offset holds.
std::array<double, 2> bendOffset(const StandinBend& bend, int32_t width, int32_t height, double x, double y)
{
    const auto gridPlace = [](double at, int32_t extent, int32_t points, int32_t& cell) {
        const double place = extent > 1 ? std::clamp(at, 0.0, extent - 1.0) * (points - 1) / (extent - 1.0) : 0.0;
        cell = std::min(static_cast<int32_t>(place), points - 2);
        return place - cell;
    };
    int32_t i = 0, j = 0;
    const double fx = gridPlace(x, width, bend.columns, i), fy = gridPlace(y, height, bend.rows, j);
    const auto at = [&](int32_t column, int32_t row) {
        return bend.offsets[static_cast<std::size_t>(row * bend.columns + column)];
    };
    std::array<double, 2> offset{};
    for (int k = 0; k < 2; ++k) {
        const double top = at(i, j)[k] * (1 - fx) + at(i + 1, j)[k] * fx;
        const double bottom = at(i, j + 1)[k] * (1 - fx) + at(i + 1, j + 1)[k] * fx;
        offset[k] = top * (1 - fy) + bottom * fy;
    }
    return offset;
}

// The point q with q + bend(q) = c: a fixed point, found by iteration (the bend moves slowly over the
// picture, so it converges in a few steps).
std::array<double, 2> unbend(const StandinBend& bend, int32_t width, int32_t height, double x, double y)
{
    if (bend.offsets.empty())
        return {x, y};
    std::array<double, 2> q{x, y};
    for (int step = 0; step < kBendIterations; ++step) {
        const std::array<double, 2> offset = bendOffset(bend, width, height, q[0], q[1]);
        const std::array<double, 2> next{x - offset[0], y - offset[1]};
        const bool settled = std::abs(next[0] - q[0]) < 1e-6 && std::abs(next[1] - q[1]) < 1e-6;
        q = next;
        if (settled)
            break;
    }
    return q;
}

// The two weights (of kFractionOne) of columns `first` and first + 1 for a sample at `at` on an axis of
// `extent` pixels, where pixels beyond the edge are black. False when it sees no pixel at all.
bool axisWeights(double at, int32_t extent, int32_t& first, int32_t weights[2])
{
    if (!(at > -1.0 && at < extent))
        return false;
    int32_t low = static_cast<int32_t>(std::floor(at));
    int32_t fraction = static_cast<int32_t>(std::lround((at - low) * kFractionOne));
    if (fraction == kFractionOne) {
        ++low;
        fraction = 0;
    }
    first = std::clamp(low, 0, extent - 2);
    weights[0] = weights[1] = 0;
    if (low >= 0 && low < extent)
        weights[low - first] += kFractionOne - fraction;
    if (low + 1 >= 0 && low + 1 < extent)
        weights[low + 1 - first] += fraction;
    return weights[0] + weights[1] > 0;
}

// A fast, seedable generator (splitmix64).
class RandomBits {
public:
    explicit RandomBits(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    uint64_t state_;
};

constexpr int kQuantileBits = 14;

// The standard normal distribution's quantiles at (i + 0.5) / 2^14, scaled to a variance of exactly 1: a
// random entry is a Gaussian draw (cut off at 4 sigma) for the price of a look-up, where Box-Muller's
// logarithm and sine cost more than the rest of a frame.
const std::vector<float>& gaussianQuantiles()
{
    static const std::vector<float> table = [] {
        constexpr std::size_t count = std::size_t{1} << kQuantileBits;
        constexpr double step = 1.0 / 1024.0;
        std::vector<float> quantiles(count);
        // Walk z upwards, inverting the cumulative distribution by linear interpolation between steps.
        double z = -8.0, below = 0.5 * std::erfc(-z / std::sqrt(2.0));
        double squares = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            const double wanted = (i + 0.5) / count;
            double above = 0.5 * std::erfc(-(z + step) / std::sqrt(2.0));
            while (above < wanted) {
                z += step;
                below = above;
                above = 0.5 * std::erfc(-(z + step) / std::sqrt(2.0));
            }
            const double quantile = z + step * (wanted - below) / (above - below);
            quantiles[i] = static_cast<float>(quantile);
            squares += quantile * quantile;
        }
        const auto scale = static_cast<float>(1.0 / std::sqrt(squares / count));
        for (float& quantile : quantiles)
            quantile *= scale;
        return quantiles;
    }();
    return table;
}

// The horizontal pass of a separable blur over rows of three interleaved channels, in place; `line` is a
// row with the edge pixels repeated `radius` times each side, so the sum needs no bounds.
void blurRows(float* levels, int32_t width, int32_t height, const std::vector<float>& kernel, std::vector<float>& line)
{
    const auto radius = static_cast<int32_t>(kernel.size() / 2);
    const std::size_t values = 3 * static_cast<std::size_t>(width);
    line.resize(3 * static_cast<std::size_t>(width + 2 * radius));
    for (int32_t y = 0; y < height; ++y) {
        float* row = levels + y * values;
        for (int32_t at = 0; at < width + 2 * radius; ++at) {
            const float* pixel = row + 3 * static_cast<std::size_t>(std::clamp(at - radius, 0, width - 1));
            std::copy(pixel, pixel + 3, line.data() + 3 * static_cast<std::size_t>(at));
        }
        std::fill(row, row + values, 0.0f);
        for (std::size_t k = 0; k < kernel.size(); ++k) {
            const float weight = kernel[k];
            const float* shifted = line.data() + 3 * k;
            for (std::size_t i = 0; i < values; ++i)
                row[i] += weight * shifted[i];
        }
    }
}

// The vertical pass, whole rows at a time (the edge rows repeat beyond the edge), from `in` into `out`.
void blurColumns(const float* in, float* out, int32_t width, int32_t height, const std::vector<float>& kernel)
{
    const auto radius = static_cast<int32_t>(kernel.size() / 2);
    const std::size_t values = 3 * static_cast<std::size_t>(width);
    for (int32_t y = 0; y < height; ++y) {
        float* row = out + y * values;
        std::fill(row, row + values, 0.0f);
        for (int32_t k = -radius; k <= radius; ++k) {
            const float weight = kernel[static_cast<std::size_t>(k + radius)];
            const float* source = in + static_cast<std::size_t>(std::clamp(y + k, 0, height - 1)) * values;
            for (std::size_t i = 0; i < values; ++i)
                row[i] += weight * source[i];
        }
    }
}

} // namespace

StandinReading readStandinSettings(std::string_view text)
{
    const Json document = Json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return {std::nullopt, "o texto nao e um objeto JSON"};
    StandinSettings settings;
    const auto width = document.find("width"), height = document.find("height");
    if (width == document.end() || height == document.end() ||
        !readInteger(*width, 1, kLargestStandinSide, settings.width) ||
        !readInteger(*height, 1, kLargestStandinSide, settings.height))
        return {std::nullopt, "'width' e 'height' devem ser inteiros de 1 a 4096"};
    const auto views = document.find("views");
    if (views == document.end() || !views->is_array() || views->size() > kMostStandinViews)
        return {std::nullopt, "'views' deve ser uma lista de ate 16 vistas"};
    for (std::size_t place = 0; place < views->size(); ++place) {
        StandinView view;
        if (std::string problem = readView((*views)[place], place, view); !problem.empty())
            return {std::nullopt, problem};
        settings.views.push_back(std::move(view));
    }
    if (!readNumber(document, "gain", settings.gain) || !readNumber(document, "offset", settings.offset))
        return {std::nullopt, "'gain' e 'offset' devem ser numeros"};
    if (!readNumber(document, "noise", settings.noise) || !readNumber(document, "blur", settings.blur) ||
        settings.noise < 0.0 || settings.blur < 0.0 || settings.blur > kLargestStandinBlur)
        return {std::nullopt, "'noise' deve ser um numero >= 0 e 'blur' um numero de 0 a 20"};
    return {std::move(settings), {}};
}

StandinModel::StandinModel(const StandinSettings& settings, const std::vector<MonitorSize>& monitors)
    : settings_(settings)
{
    const int32_t width = settings.width, height = settings.height;
    for (const StandinView& view : settings.views) {
        ViewSamples samples;
        samples.monitor = view.monitor;
        if (view.monitor >= 0 && static_cast<std::size_t>(view.monitor) < monitors.size())
            samples.size = monitors[static_cast<std::size_t>(view.monitor)];
        if (samples.size.width < 2 || samples.size.height < 2)
            continue;
        const std::array<double, 9> m = inverse(view.homography);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const std::array<double, 2> q = unbend(view.bend, width, height, x, y);
                const double w = m[6] * q[0] + m[7] * q[1] + m[8];
                if (!(w > 0.0)) // behind the camera, or at infinity
                    continue;
                const double px = (m[0] * q[0] + m[1] * q[1] + m[2]) / w, py = (m[3] * q[0] + m[4] * q[1] + m[5]) / w;
                int32_t left = 0, top = 0, columns[2], rows[2];
                if (!axisWeights(px, samples.size.width, left, columns) || !axisWeights(py, samples.size.height, top, rows))
                    continue;
                Sample sample{static_cast<uint32_t>(y * width + x),
                              static_cast<uint32_t>(top * samples.size.width + left),
                              {static_cast<uint16_t>(columns[0] * rows[0]), static_cast<uint16_t>(columns[1] * rows[0]),
                               static_cast<uint16_t>(columns[0] * rows[1]), static_cast<uint16_t>(columns[1] * rows[1])}};
                samples.samples.push_back(sample);
            }
        views_.push_back(std::move(samples));
    }
    const std::size_t values = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    sums_.resize(values);
    levels_.resize(values);
}

void StandinModel::addView(const ViewSamples& view, const MonitorPicture& picture)
{
    const uint32_t* pixels = picture.pixels.data();
    const std::size_t below = static_cast<std::size_t>(picture.width);
    int32_t* sums = sums_.data();
    for (const Sample& sample : view.samples) {
        const uint32_t* at = pixels + sample.source;
        const uint32_t a = at[0], b = at[1], c = at[below], d = at[below + 1];
        const int32_t wa = sample.weights[0], wb = sample.weights[1], wc = sample.weights[2], wd = sample.weights[3];
        int32_t* sum = sums + 3 * static_cast<std::size_t>(sample.camera);
        sum[0] += wa * int32_t(a >> 16 & 255) + wb * int32_t(b >> 16 & 255) + wc * int32_t(c >> 16 & 255) +
                  wd * int32_t(d >> 16 & 255);
        sum[1] += wa * int32_t(a >> 8 & 255) + wb * int32_t(b >> 8 & 255) + wc * int32_t(c >> 8 & 255) +
                  wd * int32_t(d >> 8 & 255);
        sum[2] += wa * int32_t(a & 255) + wb * int32_t(b & 255) + wc * int32_t(c & 255) + wd * int32_t(d & 255);
    }
}

void StandinModel::blur()
{
    const double sigma = settings_.blur;
    const auto radius = static_cast<int32_t>(std::ceil(3.0 * sigma));
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    double total = 0.0;
    for (int32_t k = -radius; k <= radius; ++k) {
        kernel[static_cast<std::size_t>(k + radius)] = static_cast<float>(std::exp(-0.5 * k * k / (sigma * sigma)));
        total += kernel[static_cast<std::size_t>(k + radius)];
    }
    for (float& weight : kernel)
        weight = static_cast<float>(weight / total);
    const int32_t width = settings_.width, height = settings_.height;
    scratch_.resize(levels_.size());
    blurRows(levels_.data(), width, height, kernel, line_);
    blurColumns(levels_.data(), scratch_.data(), width, height, kernel);
    levels_.swap(scratch_);
}

void StandinModel::addNoise(uint64_t frameNumber)
{
    const std::vector<float>& quantiles = gaussianQuantiles();
    constexpr uint64_t mask = (uint64_t{1} << kQuantileBits) - 1;
    RandomBits random(frameNumber);
    const auto sigma = static_cast<float>(settings_.noise);
    // Four draws from each 64 random bits, one per pixel, the same on its three channels.
    for (std::size_t pixel = 0; pixel < levels_.size(); pixel += 12) {
        uint64_t bits = random.next();
        for (std::size_t at = pixel; at < pixel + 12 && at < levels_.size(); at += 3, bits >>= 16) {
            const float noise = sigma * quantiles[bits & mask];
            levels_[at] += noise;
            levels_[at + 1] += noise;
            levels_[at + 2] += noise;
        }
    }
}

void StandinModel::render(const std::vector<MonitorPicture>& monitors, uint64_t frameNumber,
                          std::vector<uint32_t>& pixels)
{
    std::fill(sums_.begin(), sums_.end(), 0);
    for (const ViewSamples& view : views_) {
        const auto index = static_cast<std::size_t>(view.monitor);
        if (index >= monitors.size())
            continue;
        const MonitorPicture& picture = monitors[index];
        // A picture of another size (the monitor changed) would be read out of its bounds.
        if (picture.width != view.size.width || picture.height != view.size.height ||
            picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
            continue;
        addView(view, picture);
    }
    const auto gain = static_cast<float>(settings_.gain / kWeightOne), offset = static_cast<float>(settings_.offset);
    for (std::size_t i = 0; i < sums_.size(); ++i)
        levels_[i] = std::clamp(offset + gain * static_cast<float>(sums_[i]), 0.0f, 255.0f);
    if (settings_.blur > 0.0)
        blur();
    if (settings_.noise > 0.0)
        addNoise(frameNumber);
    pixels.resize(sums_.size() / 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const float* level = levels_.data() + 3 * i;
        const auto channel = [](float value) { return static_cast<uint32_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f); };
        pixels[i] = 0xFF000000u | channel(level[0]) << 16 | channel(level[1]) << 8 | channel(level[2]);
    }
}
