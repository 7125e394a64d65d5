// The camera alignment's own vision code on synthetic data: Gray code stripes seen through a slanted
// camera with noise, and a homography fitted through outliers, checked against OpenCV's.
#include <gtest/gtest.h>

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <functional>
#include <random>

#include "align/camera_fit.h"
#include "align/gray_code.h"
#include "align/robust_fit.h"
#include "align/structured_light.h"
#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

TEST(GrayCode, EveryPositionHasItsOwnCodeAndNeighboursDifferInOneStripe)
{
    const int32_t extent = 1920, bits = grayCodeBits(extent);
    EXPECT_EQ(bits, 11);
    EXPECT_EQ(grayCodeBits(2048), 11);
    EXPECT_EQ(grayCodeBits(2049), 12);
    for (int32_t position = 0; position < extent; ++position) {
        uint32_t code = 0;
        int32_t differences = 0;
        for (int32_t bit = 0; bit < bits; ++bit) {
            code = code << 1 | (grayStripeLit(position, bit, bits) ? 1u : 0u);
            if (position > 0)
                differences += grayStripeLit(position, bit, bits) != grayStripeLit(position - 1, bit, bits) ? 1 : 0;
        }
        ASSERT_EQ(positionOfGrayCode(code), position);
        if (position > 0) {
            ASSERT_EQ(differences, 1) << position;
        }
    }
}

// A projector 256 columns wide seen by a 200 x 150 camera through a slant, with gain, offset and noise;
// the left fifth of the camera sees no projector at all.
TEST(GrayDecoder, GivesEachLitCameraPixelTheColumnItSeesAndLeavesTheDarkOnes)
{
    const int width = 200, height = 150, columns = 256, bits = grayCodeBits(columns);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 2.0);
    // The column a camera pixel sees, or -1 outside the projector.
    const auto columnSeen = [&](int x, int y) {
        const double column = (x - 40 + 0.1 * y) * 1.6;
        return x < 40 || column < 0 || column >= columns ? -1 : static_cast<int>(column);
    };
    const auto frame = [&](auto lit) {
        std::vector<uint8_t> pixels(static_cast<std::size_t>(width * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int column = columnSeen(x, y);
                const double light = 20.0 + (column >= 0 && lit(column) ? 0.6 * 255.0 : 0.0) + noise(random);
                pixels[static_cast<std::size_t>(y * width + x)] = static_cast<uint8_t>(std::clamp(light, 0.0, 255.0));
            }
        return pixels;
    };
    GrayDecoder decoder(static_cast<std::size_t>(width * height), bits, 40);
    decoder.takeBlackAndWhite(frame([](int) { return false; }), frame([](int) { return true; }));
    EXPECT_EQ(decoder.positions()[0], -1) << "not every pattern taken yet";
    for (int bit = 0; bit < bits; ++bit)
        decoder.takeStripes(bit, frame([&](int c) { return grayStripeLit(c, bit, bits); }),
                            frame([&](int c) { return !grayStripeLit(c, bit, bits); }));
    const std::vector<int32_t> positions = decoder.positions();
    int decoded = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int32_t found = positions[static_cast<std::size_t>(y * width + x)];
            ASSERT_EQ(found, columnSeen(x, y)) << x << "," << y;
            decoded += found >= 0 ? 1 : 0;
        }
    EXPECT_GT(decoded, 15000);
}

// A camera's view of a wall at a slant: 400 correspondences, 30 % of them wrong, the rest off by a
// little noise. The fit finds the right ones, and agrees with OpenCV's on the same data.
TEST(RobustFit, FindsTheHomographyThroughOutliersAsOpenCvDoes)
{
    const Homography truth{1.2, 0.15, 40.0, -0.05, 0.95, 22.0, 0.0004, -0.0002, 1.0};
    std::mt19937 random(3);
    std::uniform_real_distribution<double> place(0.0, 1000.0);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<Correspondence> correspondences;
    std::vector<cv::Point2d> from, to;
    for (int i = 0; i < 400; ++i) {
        const PlanePoint p{place(random), place(random) * 0.6};
        PlanePoint q = mapPoint(truth, p);
        if (i % 10 < 3)
            q = {place(random), place(random)};
        else
            q = {q.x + noise(random), q.y + noise(random)};
        correspondences.push_back({p, q});
        from.emplace_back(p.x, p.y);
        to.emplace_back(q.x, q.y);
    }
    const auto fit = fitHomographyRobustly(correspondences, 2.0);
    ASSERT_TRUE(fit);
    EXPECT_GE(fit->inliers.size(), 275u);
    EXPECT_LE(fit->inliers.size(), 285u);
    EXPECT_LT(fit->rmsError, 0.6);
    const cv::Mat reference = cv::findHomography(from, to, cv::RANSAC, 2.0);
    for (const PlanePoint corner : {PlanePoint{0, 0}, PlanePoint{1000, 0}, PlanePoint{0, 600}, PlanePoint{1000, 600}}) {
        const PlanePoint ours = mapPoint(fit->homography, corner), exact = mapPoint(truth, corner);
        std::vector<cv::Point2d> in{{corner.x, corner.y}}, out;
        cv::perspectiveTransform(in, out, reference);
        EXPECT_LT(std::hypot(ours.x - exact.x, ours.y - exact.y), 0.5);
        EXPECT_LT(std::hypot(ours.x - out[0].x, ours.y - out[0].y), 0.5);
    }

    // Too few, or all on one line: nothing.
    EXPECT_FALSE(fitHomography({correspondences.begin(), correspondences.begin() + 3}));
    std::vector<Correspondence> line;
    for (int i = 0; i < 10; ++i)
        line.push_back({{i * 10.0, i * 5.0}, {i * 3.0, i * 7.0}});
    EXPECT_FALSE(fitHomography(line));
}

namespace {

// An 800 x 600 projector seen by a 640 x 480 camera at a slant: projector pixels to camera pixels.
const Homography kSlant{0.52, 0.06, 70.0, -0.03, 0.55, 60.0, 0.00002, 0.00004, 1.0};

// A smooth bulge of the wall, in camera pixels, added after the homography.
PlanePoint bulge(PlanePoint camera)
{
    const double s = camera.x / 640.0, t = camera.y / 480.0;
    return {6.0 * std::sin(3.1416 * s) * std::sin(3.1416 * t), 4.0 * std::sin(3.1416 * s)};
}

// The camera point where the output shows its picture point (s, t): mesh, keystone, then the light's way
// to the camera.
PlanePoint cameraPointShown(const SurfaceValues& surface, PicturePoint point, const Homography& light,
                            const std::function<PlanePoint(PlanePoint)>& wall)
{
    const MeshOffset offset = offsetAt(surface.mesh, point);
    const auto shown = warpPicturePoint(solveWarp(surface.corners), {point.s + offset.u, point.t + offset.v});
    const PlanePoint projector{(shown->x + 1.0) / 2.0 * 800.0 - 0.5, (1.0 - shown->y) / 2.0 * 600.0 - 0.5};
    const PlanePoint camera = mapPoint(light, projector);
    const PlanePoint extra = wall(camera);
    return {camera.x + extra.x, camera.y + extra.y};
}

// One correspondence per 8-pixel cell, with a little noise and a few misread cells.
OutputLight cellsSeen(const Homography& light, const std::function<PlanePoint(PlanePoint)>& wall, uint32_t seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.15);
    std::uniform_real_distribution<double> wild(-40.0, 40.0);
    OutputLight seen{800, 600, 8, {}};
    for (int row = 0; row < 75; ++row)
        for (int column = 0; column < 100; ++column) {
            const PlanePoint projector{column * 8 + 3.5, row * 8 + 3.5};
            PlanePoint camera = mapPoint(light, projector);
            const PlanePoint extra = wall(camera);
            camera = {camera.x + extra.x + noise(random), camera.y + extra.y + noise(random)};
            if (random() % 50 == 0)
                camera = {camera.x + wild(random), camera.y + wild(random)};
            seen.points.push_back({projector, camera});
        }
    return seen;
}

const auto kFlatWall = [](PlanePoint) { return PlanePoint{}; };

double distance(PlanePoint a, PlanePoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

// Every light frame through OpenCV's warp into a blurred, noisy camera, decoded cell by cell: each cell's
// camera point is where the homography puts its middle.
TEST(StructuredLight, CellsDecodedFromABlurredNoisyCameraLandWhereTheHomographyPutsThem)
{
    const int cameraWidth = 640, cameraHeight = 480;
    const cv::Matx33d slant(kSlant.data());
    std::mt19937 random(3);
    const auto cameraGrey = [&](const LightPlan& plan, const LightFrame& frame) {
        std::vector<uint32_t> pixels = lightPixels(plan, frame);
        cv::Mat projector(plan.height, plan.width, CV_8UC4, pixels.data()), camera, noise(cameraHeight, cameraWidth, CV_32F);
        cv::warpPerspective(projector, camera, slant, {cameraWidth, cameraHeight}, cv::INTER_LINEAR);
        cv::GaussianBlur(camera, camera, {0, 0}, 1.0);
        cv::Mat grey(cameraHeight, cameraWidth, CV_32F);
        camera.forEach<cv::Vec4b>([&](const cv::Vec4b& p, const int* at) { grey.at<float>(at[0], at[1]) = 12.0f + 0.8f * p[1]; });
        cv::randn(noise, 0.0, 2.0);
        grey += noise;
        cv::Mat bytes;
        grey.convertTo(bytes, CV_8U);
        return std::vector<uint8_t>(bytes.begin<uint8_t>(), bytes.end<uint8_t>());
    };
    const LightPlan probe = planLight(800, 600, 1);
    const auto black = cameraGrey(probe, probe.frames[0]), white = cameraGrey(probe, probe.frames[1]);
    const int32_t block = cellSideFor(800, 600, litPixelCount(black, white, 40));
    EXPECT_EQ(block, 8) << "about 1.9 projector pixels per camera pixel";
    const LightPlan plan = planLight(800, 600, block);
    ASSERT_EQ(plan.frames.size(), 3u + 2u * (7u + 7u));
    EXPECT_NEAR(responseExponent(black, white, cameraGrey(plan, plan.frames[2]), 40), 1.0, 0.05) << "a linear camera";
    const auto pixels = static_cast<std::size_t>(cameraWidth * cameraHeight);
    GrayDecoder columns(pixels, plan.columnBits, 40), rows(pixels, plan.rowBits, 40);
    columns.takeBlackAndWhite(black, white);
    rows.takeBlackAndWhite(black, white);
    for (std::size_t at = 3; at < plan.frames.size(); at += 2) {
        const LightFrame& frame = plan.frames[at];
        (frame.kind == LightKind::Columns ? columns : rows)
            .takeStripes(frame.bit, cameraGrey(plan, frame), cameraGrey(plan, plan.frames[at + 1]));
    }
    const auto found = cellCorrespondences(plan, columns.positions(), rows.positions(), cameraWidth);
    ASSERT_GT(found.size(), 6500u) << "nearly all of the 7,500 cells";
    double worst = 0.0, sum = 0.0;
    for (const Correspondence& c : found) {
        const double d = distance(c.to, mapPoint(kSlant, c.from));
        worst = std::max(worst, d);
        sum += d;
    }
    EXPECT_LT(sum / found.size(), 0.3);
    EXPECT_LT(worst, 1.5);
}

// One projector on a flat wall: the picture's corners land on the target's, through misread cells, and
// no mesh is made; a target beyond the light, or no light, changes nothing.
TEST(CameraFit, ASlantedProjectorsCornersLandOnTheTargetAndAnUnreachableTargetFails)
{
    const CameraQuad target{{{160, 110}, {440, 100}, {160, 320}, {460, 310}}};
    const AlignmentResult result = alignOutputsToTarget({cellsSeen(kSlant, kFlatWall, 1)}, target, {SurfaceValues{}}, 1.0);
    ASSERT_EQ(result.failure, AlignmentFailure::None);
    const AlignedOutput& output = result.outputs[0];
    ASSERT_TRUE(output.aligned);
    EXPECT_EQ(output.surface.mesh, Mesh{});
    EXPECT_EQ(output.surface.source, SourceRect{});
    EXPECT_EQ(output.surface.blend, EdgeBlend{});
    EXPECT_LT(output.remainingError, 0.3);
    EXPECT_GT(output.pointsUsed, 7000);
    for (int corner = 0; corner < 4; ++corner)
        EXPECT_LT(distance(cameraPointShown(output.surface, {float(corner % 2), float(corner / 2)}, kSlant, kFlatWall),
                           target[static_cast<std::size_t>(corner)]),
                  0.2)
            << corner;

    const CameraQuad wide{{{20, 20}, {620, 20}, {20, 460}, {620, 460}}};
    EXPECT_EQ(alignOutputsToTarget({cellsSeen(kSlant, kFlatWall, 1)}, wide, {SurfaceValues{}}, 1.0).failure,
              AlignmentFailure::TargetOutOfReach);
    EXPECT_EQ(alignOutputsToTarget({OutputLight{800, 600, 8, {}}}, target, {SurfaceValues{}}, 1.0).failure,
              AlignmentFailure::TooFewPoints);
}

// A bulging wall: a four-corner warp cannot fit it, so a 9 x 9 mesh does, and points inside the picture
// land where the target puts them.
TEST(CameraFit, ABentWallGetsAMeshThatPutsInnerPointsOnTheTarget)
{
    const CameraQuad target{{{160, 110}, {440, 100}, {160, 320}, {460, 310}}};
    const AlignmentResult result = alignOutputsToTarget({cellsSeen(kSlant, bulge, 2)}, target, {SurfaceValues{}}, 1.0);
    ASSERT_EQ(result.failure, AlignmentFailure::None);
    const AlignedOutput& output = result.outputs[0];
    EXPECT_EQ(output.surface.mesh.columns, kLargestMeshSide);
    EXPECT_LT(output.remainingError, 0.3);
    const auto wanted = fitHomography({{{0, 0}, target[0]}, {{1, 0}, target[1]}, {{0, 1}, target[2]}, {{1, 1}, target[3]}});
    double worst = 0.0;
    for (float t = 0.0f; t <= 1.0f; t += 0.125f)
        for (float s = 0.0f; s <= 1.0f; s += 0.125f)
            worst = std::max(worst, distance(cameraPointShown(output.surface, {s, t}, kSlant, bulge), mapPoint(*wanted, {s, t})));
    EXPECT_LT(worst, 1.0);
}

// Two projectors side by side overlapping: each shows its part of the picture, the parts meet, and across
// the overlap their blends add up to the full light where the camera sees them.
TEST(CameraFit, TwoOverlappingProjectorsShareThePictureAndTheirBlendsAddUp)
{
    const Homography left{0.45, 0.0, 20.0, 0.0, 0.45, 100.0, 0.0, 0.0, 1.0};
    const Homography right{0.45, 0.0, 310.0, 0.0, 0.45, 100.0, 0.0, 0.0, 1.0}; // 360 wide each, 70 shared
    const CameraQuad target{{{40, 120}, {640 - 50, 120}, {40, 350}, {640 - 50, 350}}};
    SurfaceValues kept;
    kept.blend.curve = 3.0f;
    const AlignmentResult result = alignOutputsToTarget({cellsSeen(left, kFlatWall, 3), cellsSeen(right, kFlatWall, 4)},
                                                        target, {kept, kept}, 2.2);
    ASSERT_EQ(result.failure, AlignmentFailure::None);
    const SurfaceValues& a = result.outputs[0].surface;
    const SurfaceValues& b = result.outputs[1].surface;
    EXPECT_NEAR(a.source.left, 0.0f, 1e-6);
    EXPECT_NEAR(b.source.right, 1.0f, 1e-6);
    EXPECT_GT(a.source.right, b.source.left);
    EXPECT_GT(a.blend.right, 0.1f);
    EXPECT_GT(b.blend.left, 0.1f);
    EXPECT_FLOAT_EQ(a.blend.gamma, 2.2f);
    EXPECT_FLOAT_EQ(a.blend.curve, 3.0f) << "what alignment does not set is kept";
    // Each output's light along the picture's middle row, as the camera sees it: the blend through a
    // projector whose response is the measured 2.2.
    const auto lightAlongTheMiddle = [&](const SurfaceValues& surface, const Homography& way) {
        std::vector<std::pair<double, double>> seen;
        for (int step = 0; step <= 4000; ++step) {
            const float s = step / 4000.0f;
            seen.emplace_back(cameraPointShown(surface, {s, 0.5f}, way, kFlatWall).x,
                              std::pow(blendedValue(surface.blend, s, 0.5f, 1.0f), 2.2));
        }
        return seen;
    };
    const auto lightAt = [](const std::vector<std::pair<double, double>>& seen, double x) {
        for (std::size_t at = 1; at < seen.size(); ++at)
            if (seen[at - 1].first <= x && x <= seen[at].first)
                return seen[at].second;
        return 0.0;
    };
    const auto fromLeft = lightAlongTheMiddle(a, left), fromRight = lightAlongTheMiddle(b, right);
    for (double x = 42.0; x <= 588.0; x += 2.0)
        ASSERT_NEAR(lightAt(fromLeft, x) + lightAt(fromRight, x), 1.0, 0.03) << x;
}
