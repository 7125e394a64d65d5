// The stand-in camera of the test set-up as plain values: its file "camera-standin.json" read, and the
// picture it would see of the monitors it looks at.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int32_t kLargestStandinSide = 4096;
inline constexpr std::size_t kMostStandinViews = 16;
inline constexpr int32_t kLargestBendGrid = 64;
inline constexpr double kLargestStandinBlur = 20.0;

// A smooth displacement of the camera's picture, in camera pixels: a grid of columns x rows points spread
// evenly from the picture's first pixel to its last, the offsets row by row, interpolated bilinearly
// between them. No bend when it has no offsets.
struct StandinBend {
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<std::array<double, 2>> offsets;
};

// One monitor as the camera sees it: `homography` (row by row) takes a pixel (x, y, 1) of the monitor, in
// its own pixels, to camera pixels; the bend then moves that point by its offset there.
struct StandinView {
    int32_t monitor = 0; // the program's monitor index
    std::array<double, 9> homography{};
    StandinBend bend;
};

// A camera pixel is offset + gain x (the sum of what every view shows there), in grey levels, then blurred
// (a Gaussian, `blur` camera pixels wide) and given noise (a Gaussian, `noise` grey levels wide).
struct StandinSettings {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<StandinView> views;
    double gain = 1.0;
    double offset = 0.0;
    double noise = 0.0;
    double blur = 0.0;
};

// The settings, or nothing and what is wrong with the text (for the log).
struct StandinReading {
    std::optional<StandinSettings> settings;
    std::string problem;
};
StandinReading readStandinSettings(std::string_view text);

struct MonitorSize {
    int32_t width = 0;
    int32_t height = 0;
};

// One monitor's pixels, 0xAARRGGBB row by row from the top (the alpha byte is not read).
struct MonitorPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// The camera's view of the monitors, worked out once: where each camera pixel samples each monitor, with
// bilinear weights in fixed point, so that a frame costs only the sums.
class StandinModel {
public:
    // `monitors` holds every monitor's size by index; a view of a monitor not listed, or smaller than 2 x 2,
    // sees nothing.
    StandinModel(const StandinSettings& settings, const std::vector<MonitorSize>& monitors);

    // The camera's picture (0xAARRGGBB, alpha FF) from the monitors' pictures by index. A view whose monitor
    // picture is missing or has another size than at the start sees nothing. The noise is drawn afresh
    // for every frame number, the same for the same number, and added alike to the three channels.
    void render(const std::vector<MonitorPicture>& monitors, uint64_t frameNumber, std::vector<uint32_t>& pixels);

private:
    // A camera pixel's bilinear sample of a monitor: four neighbours from `source` (top-left) with weights
    // in fixed point summing to one, less at the monitor's edge, where the neighbours outside count as black.
    struct Sample {
        uint32_t camera;
        uint32_t source;
        uint16_t weights[4]; // top-left, top-right, bottom-left, bottom-right
    };
    struct ViewSamples {
        int32_t monitor = 0;
        MonitorSize size;
        std::vector<Sample> samples;
    };

    void addView(const ViewSamples& view, const MonitorPicture& picture);
    void blur();
    void addNoise(uint64_t frameNumber);

    StandinSettings settings_;
    std::vector<ViewSamples> views_;
    std::vector<int32_t> sums_;  // three per camera pixel, grey levels in the weights' fixed point
    std::vector<float> levels_;  // three per camera pixel, in grey levels
    std::vector<float> scratch_; // the blur's second pass
    std::vector<float> line_;    // one row of the blur's first pass, its edges repeated
};
