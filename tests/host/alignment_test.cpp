// The camera alignment's own vision code on synthetic data: Gray code stripes seen through a slanted
// camera with noise, and a homography fitted through outliers, checked against OpenCV's.
#include <gtest/gtest.h>

#include <opencv2/calib3d.hpp>

#include <random>

#include "align/gray_code.h"
#include "align/robust_fit.h"

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
