// solveWarp against OpenCV's getPerspectiveTransform on the same random quads.
#include <benchmark/benchmark.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

#include "table_row.h"
#include "warp/mesh_geometry.h"
#include "warp/solve_warp.h"

namespace {

std::vector<CornerSet> randomQuads()
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> jitter(-0.4f, 0.4f);
    std::vector<CornerSet> quads(1024);
    for (CornerSet& quad : quads)
        quad = {{{-1 + jitter(random), 1 + jitter(random)},
                 {1 + jitter(random), 1 + jitter(random)},
                 {-1 + jitter(random), -1 + jitter(random)},
                 {1 + jitter(random), -1 + jitter(random)}}};
    return quads;
}

const std::vector<CornerSet> kQuads = randomQuads();

void solveWarpOnQuads(benchmark::State& state)
{
    std::size_t i = 0;
    WarpMatrix warp;
    for (auto _ : state) {
        solveWarp(kQuads[i++ & 1023], warp);
        benchmark::DoNotOptimize(warp);
    }
}
BENCHMARK(solveWarpOnQuads);

void openCvPerspectiveTransformOnQuads(benchmark::State& state)
{
    const cv::Point2f unit[4] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    std::size_t i = 0;
    for (auto _ : state) {
        const CornerSet& quad = kQuads[i++ & 1023];
        const cv::Point2f target[4] = {{quad[0].x, quad[0].y}, {quad[1].x, quad[1].y},
                                       {quad[2].x, quad[2].y}, {quad[3].x, quad[3].y}};
        cv::Mat h = cv::getPerspectiveTransform(unit, target);
        benchmark::DoNotOptimize(h.data);
    }
}
BENCHMARK(openCvPerspectiveTransformOnQuads);

// What an edit of a 9 x 9 mesh costs before the next pass can draw it: a smooth bow, as on a curved
// screen, and every point moved at random by up to half a cell, which needs the most triangles.
Mesh nineByNine(bool wild)
{
    Mesh mesh = resizedMesh(Mesh{}, 9, 9);
    std::mt19937 random(9);
    std::uniform_real_distribution<float> offset(-0.06f, 0.06f);
    for (int32_t point = 0; point < mesh.pointCount(); ++point) {
        const PicturePoint rest = restPosition(mesh, point);
        if (cornerOfPoint(mesh, point) == -1)
            mesh.offsets[static_cast<std::size_t>(point)] =
                wild ? MeshOffset{offset(random), offset(random)}
                     : MeshOffset{0.02f * std::sin(3.14159f * rest.t), 0.05f * std::sin(3.14159f * rest.s)};
    }
    return mesh;
}

void rebuildNineByNineMesh(benchmark::State& state)
{
    const Mesh mesh = nineByNine(state.range(0) != 0);
    MeshGeometry geometry;
    for (auto _ : state) {
        buildMeshGeometry(mesh, geometry);
        benchmark::DoNotOptimize(geometry.vertices.data());
    }
}
BENCHMARK(rebuildNineByNineMesh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The console table, then one line with the ratio the target is about.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double ours = nanoseconds_["solveWarpOnQuads"], theirs = nanoseconds_["openCvPerspectiveTransformOnQuads"];
        if (ours > 0) {
            std::printf("solveWarp: %.1f ns, OpenCV getPerspectiveTransform: %.1f ns, ours is %.1fx faster "
                        "(target: at least 10x)\n",
                        ours, theirs, theirs / ours);
            printTableRow("solveWarp against OpenCV getPerspectiveTransform, same random quads",
                          "native, one core, no Wine", "at least 10x faster", "%.0f ns against %.0f ns: %.1fx", ours,
                          theirs, theirs / ours);
        }
        // Reported in microseconds.
        const double bowed = nanoseconds_["rebuildNineByNineMesh/0"] / 1000.0, wild = nanoseconds_["rebuildNineByNineMesh/1"] / 1000.0;
        if (bowed > 0) {
            std::printf("rebuilding a 9 x 9 mesh's vertex data: bowed %.3f ms, every point moved at random %.3f ms "
                        "(target: at most 1 ms)\n",
                        bowed, wild);
            printTableRow("Rebuilding the vertex data of a 9 x 9 mesh after an edit", "native, one core, no Wine",
                          "at most 1 ms", "%.3f ms bowed; %.3f ms with every point moved at random", bowed, wild);
        }
    }

private:
    std::map<std::string, double> nanoseconds_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
