// The masks' darkness: drawn whole, as when an output's masks are loaded, and redrawn where one dragged
// point changes it, as on every move of the pointer while the operator drags.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "table_row.h"
#include "warp/mask_darkness.h"

namespace {

// The most masks an output holds, each of the most points: wavy rings, concave, spread over the window.
std::vector<MaskValues> mostMasks()
{
    std::vector<MaskValues> masks;
    for (int32_t m = 0; m < kMostMasks; ++m) {
        MaskValues mask{{}, 50.0f, false};
        const float cx = -0.75f + 0.5f * static_cast<float>(m % 4), cy = m < 4 ? 0.5f : -0.5f;
        for (int32_t p = 0; p < kMostMaskPoints; ++p) {
            const float angle = 6.2831853f * static_cast<float>(p) / kMostMaskPoints;
            const float radius = 0.22f * (1.0f + 0.25f * std::sin(5.0f * angle + static_cast<float>(m)));
            mask.points.push_back({cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
        }
        masks.push_back(mask);
    }
    return masks;
}

const std::vector<MaskValues> kMasks = mostMasks();

void drawAllMasks(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0)), height = static_cast<int32_t>(state.range(1));
    std::vector<uint8_t> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (auto _ : state) {
        drawMaskDarkness(kMasks, width, height, {0, 0, width, height}, image.data());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(drawAllMasks)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// Every point of every mask in turn, moved as far as one pointer move drags it.
void redrawOneMovedPoint(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0)), height = static_cast<int32_t>(state.range(1));
    std::vector<uint8_t> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::vector<std::vector<MaskValues>> moves;
    for (int32_t m = 0; m < kMostMasks; ++m)
        for (int32_t p = 0; p < kMostMaskPoints; ++p) {
            moves.push_back(kMasks);
            CornerPoint& point = moves.back()[static_cast<std::size_t>(m)].points[static_cast<std::size_t>(p)];
            point = {point.x + 0.01f, point.y - 0.01f};
        }
    std::size_t i = 0;
    double pixels = 0;
    for (auto _ : state) {
        const std::vector<MaskValues>& after = moves[i++ % moves.size()];
        const PixelBox box = changedMaskPixels(kMasks, after, width, height);
        drawMaskDarkness(after, width, height, box, image.data());
        pixels += static_cast<double>(box.right - box.left) * (box.bottom - box.top);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.counters["box_pixels"] = benchmark::Counter(pixels / static_cast<double>(state.iterations()));
}
BENCHMARK(redrawOneMovedPoint)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// The console table, uncoloured since scripts/bench keeps it, then one line a figure.
class MaskReporter : public benchmark::ConsoleReporter {
public:
    MaskReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            // In each benchmark's own unit.
            milliseconds_[run.benchmark_name()] =
                run.GetAdjustedCPUTime() / (run.time_unit == benchmark::kMicrosecond ? 1e3 : 1.0);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double small = milliseconds_["drawAllMasks/800/600"], large = milliseconds_["drawAllMasks/1920/1080"];
        if (small > 0) {
            std::printf("8 masks of 32 points, feather 50, drawn whole: %.2f ms at 800 x 600, %.2f ms at 1920 x 1080 "
                        "(target: at most 5 ms)\n",
                        small, large);
            printTableRow("Darkness of 8 masks of 32 points, feather 50, drawn whole", "native, one core, no Wine",
                          "at most 5 ms", "%.2f ms at 800 x 600; %.2f ms at 1920 x 1080", small, large);
        }
        const double moveSmall = milliseconds_["redrawOneMovedPoint/800/600"],
                     moveLarge = milliseconds_["redrawOneMovedPoint/1920/1080"];
        if (moveSmall > 0) {
            std::printf("one point moved, its changed box redrawn: %.3f ms at 800 x 600, %.3f ms at 1920 x 1080 "
                        "(target: at most 0.5 ms)\n",
                        moveSmall, moveLarge);
            printTableRow("Darkness redrawn where one dragged point of those masks changes it",
                          "native, one core, no Wine", "at most 0.5 ms", "%.3f ms at 800 x 600; %.3f ms at 1920 x 1080",
                          moveSmall, moveLarge);
        }
    }

private:
    std::map<std::string, double> milliseconds_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    MaskReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
