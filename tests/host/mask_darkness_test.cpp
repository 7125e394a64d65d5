#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "warp/mask_darkness.h"

namespace {

constexpr int32_t kWidth = 240, kHeight = 180;

const MaskValues kSquare{{{-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}, {-0.5f, -0.5f}}, 12.0f, false};
// A pentagram: under even-odd its middle is a hole.
const MaskValues kStar{{{0.05f, 0.8f}, {0.52f, -0.67f}, {-0.71f, 0.23f}, {0.81f, 0.23f}, {-0.42f, -0.67f}}, 6.0f, false};
// Concave, with a repeated point and an edge running back along the previous one.
const MaskValues kConcave{
    {{-0.8f, -0.7f}, {-0.8f, -0.7f}, {0.6f, -0.7f}, {0.2f, -0.7f}, {0.7f, 0.3f}, {0.0f, -0.1f}, {-0.6f, 0.6f}}, 9.0f, false};
const MaskValues kHardQuad{{{-0.7f, -0.2f}, {0.1f, -0.8f}, {0.77f, 0.13f}, {-0.1f, 0.9f}}, 0.0f, false};
const MaskValues kBeyond{{{-3.0f, -3.0f}, {3.5f, -2.7f}, {0.2f, 2000.0f}}, 30.0f, false};
// An arrowhead millions of pixels wide, its notch in the window.
const MaskValues kArrowhead{{{0.0f, 0.0f}, {4e5f, -3e5f}, {0.0f, 5e5f}, {-4e5f, -3e5f}}, 9.0f, false};

MaskValues inverted(MaskValues mask)
{
    mask.invert = true;
    return mask;
}

// The darkness straight from its definition: every pixel against every edge of every mask.
std::vector<uint8_t> bruteForce(const std::vector<MaskValues>& masks)
{
    std::vector<uint8_t> image(kWidth * kHeight);
    for (int32_t row = 0; row < kHeight; ++row)
        for (int32_t column = 0; column < kWidth; ++column) {
            const double x = column + 0.5, y = row + 0.5;
            double darkest = 0.0;
            for (const MaskValues& mask : masks) {
                bool inside = false;
                double nearest = INFINITY;
                for (std::size_t i = 0, j = mask.points.size() - 1; i < mask.points.size(); j = i++) {
                    const double xi = (mask.points[i].x + 1.0) / 2 * kWidth, yi = (1.0 - mask.points[i].y) / 2 * kHeight;
                    const double xj = (mask.points[j].x + 1.0) / 2 * kWidth, yj = (1.0 - mask.points[j].y) / 2 * kHeight;
                    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                        inside = !inside;
                    const double ex = xj - xi, ey = yj - yi, length2 = ex * ex + ey * ey;
                    const double t = length2 > 0 ? std::clamp(((x - xi) * ex + (y - yi) * ey) / length2, 0.0, 1.0) : 0.0;
                    nearest = std::min(nearest, std::hypot(x - xi - t * ex, y - yi - t * ey));
                }
                const double dark = !inside ? 0.0 : mask.feather > 0 ? std::min(nearest / mask.feather, 1.0) : 1.0;
                darkest = std::max(darkest, mask.invert ? 1.0 - dark : dark);
            }
            image[static_cast<std::size_t>(row * kWidth + column)] = static_cast<uint8_t>(std::lround(255 * darkest));
        }
    return image;
}

std::vector<uint8_t> drawn(const std::vector<MaskValues>& masks, PixelBox box = {0, 0, kWidth, kHeight})
{
    std::vector<uint8_t> image(kWidth * kHeight, 7);
    drawMaskDarkness(masks, kWidth, kHeight, box, image.data());
    return image;
}

TEST(MaskDarkness, MatchesTheDefinitionWithinAGreyLevel)
{
    const std::vector<std::vector<MaskValues>> cases = {
        {kSquare}, {kStar}, {kConcave}, {kHardQuad}, {kBeyond}, {kArrowhead}, {inverted(kSquare)}, {inverted(kHardQuad)},
        {kSquare, kStar, inverted(kConcave)}, {kBeyond, kHardQuad, MaskValues{kStar.points, 200.0f, false}}};
    // A strip to a point as far as a float goes: within the window, as the one to a point 1e5 away.
    const auto farTo = [](float x) { return MaskValues{{{0.0f, 0.0f}, {0.6f, -0.2f}, {x, x}}, 9.0f, false}; };
    const std::vector<uint8_t> far = drawn({farTo(1e30f)}), nearer = bruteForce({farTo(1e5f)});
    for (std::size_t i = 0; i < far.size(); ++i)
        ASSERT_LE(std::abs(far[i] - nearer[i]), 1) << "pixel " << i % kWidth << ", " << i / kWidth;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        const std::vector<uint8_t> expected = bruteForce(cases[c]), image = drawn(cases[c]);
        int worst = 0;
        for (std::size_t i = 0; i < image.size(); ++i)
            worst = std::max(worst, std::abs(image[i] - expected[i]));
        EXPECT_LE(worst, 1);
        // A box partly beyond the window: the same inside it, untouched around it.
        const PixelBox box{-20, 30, 130, kHeight + 40};
        const std::vector<uint8_t> part = drawn(cases[c], box);
        for (int32_t i = 0; i < kWidth * kHeight; ++i)
            if (part[i] != (i % kWidth < box.right && i / kWidth >= box.top ? image[i] : 7))
                FAIL() << "pixel " << i % kWidth << ", " << i / kWidth;
    }
}

TEST(MaskDarkness, OddInputsDrawSensibly)
{
    drawMaskDarkness({kSquare}, 0, 0, {0, 0, 10, 10}, nullptr);
    drawMaskDarkness({kSquare}, kWidth, kHeight, {0, 0, kWidth, kHeight}, nullptr);
    EXPECT_EQ(drawn({kSquare}, {kWidth, 0, kWidth + 50, kHeight}), std::vector<uint8_t>(kWidth * kHeight, 7));
    EXPECT_TRUE(changedMaskPixels({}, {kSquare}, 0, kHeight).empty());
    // Invalid masks darken nothing; a point, its three points alike, leaves all light or all dark.
    const MaskValues point{{{0.1f, 0.1f}, {0.1f, 0.1f}, {0.1f, 0.1f}}, 20.0f, false};
    const MaskValues line{{{0.1f, 0.1f}, {0.2f, 0.2f}}, 0.0f, false}, unfinished{{{NAN, 0}, {1, 0}, {0, 1}}, 0.0f, false};
    EXPECT_EQ(drawn({point, line, unfinished}), std::vector<uint8_t>(kWidth * kHeight, 0));
    EXPECT_EQ(drawn({inverted(point)}), std::vector<uint8_t>(kWidth * kHeight, 255));
    // A triangle reaching far beyond any float window covers it all, far from its edges.
    const MaskValues huge{{{-1e30f, -1e30f}, {1e30f, -1e30f}, {0.0f, 1e30f}}, 200.0f, false};
    EXPECT_EQ(drawn({huge}), std::vector<uint8_t>(kWidth * kHeight, 255));
}

TEST(MaskDarkness, RedrawingTheChangedPixelsGivesTheWholeDrawing)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> nudge(-0.15f, 0.15f);
    std::vector<MaskValues> masks{kSquare, kStar, inverted(kConcave), kHardQuad};
    EXPECT_TRUE(changedMaskPixels(masks, masks, kWidth, kHeight).empty());
    std::vector<uint8_t> image = drawn(masks);
    for (int32_t edit = 0; edit < 80; ++edit) {
        std::vector<MaskValues> after = masks;
        MaskValues& mask = after[random() % after.size()];
        CornerPoint& point = mask.points[random() % mask.points.size()];
        point = {point.x + nudge(random), point.y + nudge(random)};
        if (edit % 10 == 3)
            point.x *= 6.0f;
        if (edit % 10 == 7)
            mask.feather = static_cast<float>(random() % 40);
        if (edit % 20 == 9)
            mask.invert = !mask.invert;
        if (edit == 40)
            after.push_back(kBeyond);
        if (edit == 60)
            after.erase(after.begin());
        const PixelBox box = changedMaskPixels(masks, after, kWidth, kHeight);
        drawMaskDarkness(after, kWidth, kHeight, box, image.data());
        ASSERT_EQ(image, drawn(after)) << "edit " << edit;
        masks = after;
    }
    // A point dragged on a small mask redraws a small part of the window, inverted or not.
    const MaskValues small{{{-0.1f, 0.1f}, {0.1f, 0.1f}, {0.1f, -0.1f}, {-0.1f, -0.1f}}, 5.0f, false};
    for (const MaskValues& before : {small, inverted(small)}) {
        MaskValues after = before;
        after.points[0] = {-0.15f, 0.12f};
        const PixelBox box = changedMaskPixels({before}, {after}, kWidth, kHeight);
        EXPECT_LT((box.right - box.left) * (box.bottom - box.top), kWidth * kHeight / 10);
    }
}

} // namespace
