#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <random>

#include "clip_point.h"
#include "warp/solve_warp.h"

namespace {

constexpr float kQuad[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};

void expectRows(const WarpMatrix& m, const std::array<std::array<float, 4>, 4>& rows, float tolerance)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.at(r, c), rows[r][c], tolerance) << "element (" << r << ", " << c << ")";
}

// Where a unit-quad point lands after the rasteriser's division by w.
CornerPoint project(const WarpMatrix& m, float u, float v)
{
    const ClipPoint p = transformPoint(m, u, v);
    return {p.x / p.w, p.y / p.w};
}

// A convex quad with corners kept apart, so that the homography is well conditioned.
CornerSet randomConvexQuad(std::mt19937& random)
{
    std::uniform_real_distribution<float> jitter(-0.45f, 0.45f);
    std::uniform_real_distribution<float> scale(0.3f, 2.0f);
    std::uniform_real_distribution<float> shift(-1.0f, 1.0f);
    const float s = scale(random), dx = shift(random), dy = shift(random);
    CornerSet corners;
    for (int i = 0; i < 4; ++i)
        corners[static_cast<std::size_t>(i)] = {(kQuad[i][0] + jitter(random)) * s + dx,
                                                (kQuad[i][1] + jitter(random)) * s + dy};
    return corners;
}

// The elimination written out plainly, column by column over the whole 8 x 9 system, as the oracle
// for the solver's compile-time planned version.
WarpMatrix plainElimination(const CornerSet& corners)
{
    double a[8][9];
    for (int i = 0; i < 4; ++i) {
        const double u = kQuad[i][0], v = kQuad[i][1];
        const double x = corners[static_cast<std::size_t>(i)].x, y = corners[static_cast<std::size_t>(i)].y;
        const double rowX[9] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
        const double rowY[9] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
        std::copy(rowX, rowX + 9, a[2 * i]);
        std::copy(rowY, rowY + 9, a[2 * i + 1]);
    }
    for (int k = 0; k < 8; ++k) {
        int p = k;
        for (int i = k + 1; i < 8; ++i)
            if (std::fabs(a[i][k]) > std::fabs(a[p][k]))
                p = i;
        for (int j = 0; j < 9; ++j)
            std::swap(a[k][j], a[p][j]);
        if (std::fabs(a[k][k]) <= 1e-9 || std::isnan(a[k][k]))
            continue;
        const double d = a[k][k];
        for (int j = k; j < 9; ++j)
            a[k][j] /= d;
        for (int i = 0; i < 8; ++i) {
            if (i == k)
                continue;
            const double f = a[i][k];
            for (int j = k; j < 9; ++j)
                a[i][j] -= f * a[k][j];
        }
    }
    WarpMatrix m = identityMatrix();
    const int place[8][2] = {{0, 0}, {0, 1}, {0, 3}, {1, 0}, {1, 1}, {1, 3}, {3, 0}, {3, 1}};
    for (int i = 0; i < 8; ++i)
        m.at(place[i][0], place[i][1]) = static_cast<float>(a[i][8]);
    return m;
}

} // namespace

TEST(SolveWarp, DefaultCornersGiveExactlyTheIdentity)
{
    EXPECT_EQ(solveWarp(kDefaultCorners), identityMatrix());
}

TEST(SolveWarp, HalfSizeQuadGivesAPlainScale)
{
    const CornerSet half{{{-0.5f, 0.5f}, {0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}}};
    EXPECT_EQ(solveWarp(half), scalingMatrix(0.5f, 0.5f, 1.0f));
}

TEST(SolveWarp, ShiftedQuadGivesATranslationToFloatPrecision)
{
    const CornerSet shifted{{{-0.8f, 1.0f}, {1.2f, 1.0f}, {-0.8f, -1.0f}, {1.2f, -1.0f}}};
    WarpMatrix expected = identityMatrix();
    expected.at(0, 3) = 0.200000018f; // the widened float corners are not exactly 0.2 apart from the quad
    EXPECT_EQ(solveWarp(shifted), expected);
}

TEST(SolveWarp, KeystoneWithNarrowTopEdge)
{
    const CornerSet keystone{{{-0.5f, 1.0f}, {0.5f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}}};
    const WarpMatrix m = solveWarp(keystone);
    expectRows(m, {{{2.0f / 3, 0, 0, 0}, {0, 1, 0, 1.0f / 3}, {0, 0, 1, 0}, {0, 1.0f / 3, 0, 1}}}, 1e-7f);
    const CornerPoint topLeft = project(m, -1, 1), bottomRight = project(m, 1, -1);
    EXPECT_NEAR(topLeft.x, -0.5f, 1e-6f);
    EXPECT_NEAR(topLeft.y, 1.0f, 1e-6f);
    EXPECT_NEAR(bottomRight.x, 1.0f, 1e-6f);
    EXPECT_NEAR(bottomRight.y, -1.0f, 1e-6f);
}

TEST(SolveWarp, SwappedSidesGiveAMirror)
{
    const CornerSet mirrored{{{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}};
    WarpMatrix expected = identityMatrix();
    expected.at(0, 0) = -1.0f;
    EXPECT_EQ(solveWarp(mirrored), expected);
}

TEST(SolveWarpDegenerate, AllCornersOnOnePointCollapseOntoIt)
{
    const CornerSet point{{{0, 0}, {0, 0}, {0, 0}, {0, 0}}};
    expectRows(solveWarp(point), {{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}, 0.0f);
}

TEST(SolveWarpDegenerate, TopCornersOnOnePoint)
{
    const CornerSet pinched{{{0, 1}, {0, 1}, {-1, -1}, {1, -1}}};
    expectRows(solveWarp(pinched), {{{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 0, 1, 0}, {0, 1, 0, 1}}}, 1e-7f);
}

TEST(SolveWarpDegenerate, CornersOnOneLineStillGiveAMatrix)
{
    const CornerSet line{{{-1, 0}, {0, 0}, {1, 0}, {2, 0}}};
    const WarpMatrix m = solveWarp(line);
    // The vertical rows collapse onto y = 0: every point of the picture lands on the line.
    for (float u : {-1.0f, 0.0f, 1.0f})
        for (float v : {-1.0f, 0.3f, 1.0f}) {
            const ClipPoint p = transformPoint(m, u, v);
            EXPECT_EQ(p.y, 0.0f);
        }
    EXPECT_EQ(m.at(2, 2), 1.0f);
    EXPECT_EQ(m.at(3, 3), 1.0f);
}

TEST(SolveWarpProperty, EveryQuadCornerLandsOnItsTarget)
{
    std::mt19937 random(7);
    for (int round = 0; round < 5000; ++round) {
        const CornerSet corners = randomConvexQuad(random);
        const WarpMatrix m = solveWarp(corners);
        for (int i = 0; i < 4; ++i) {
            const CornerPoint landed = project(m, kQuad[i][0], kQuad[i][1]);
            ASSERT_NEAR(landed.x, corners[static_cast<std::size_t>(i)].x, 1e-5f) << "round " << round;
            ASSERT_NEAR(landed.y, corners[static_cast<std::size_t>(i)].y, 1e-5f) << "round " << round;
        }
    }
}

TEST(SolveWarpProperty, AgreesWithOpenCvsPerspectiveTransform)
{
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        const CornerSet corners = randomConvexQuad(random);
        cv::Point2f from[4], to[4];
        for (int i = 0; i < 4; ++i) {
            from[i] = {kQuad[i][0], kQuad[i][1]};
            to[i] = {corners[static_cast<std::size_t>(i)].x, corners[static_cast<std::size_t>(i)].y};
        }
        const cv::Mat h = cv::getPerspectiveTransform(from, to);
        const double scale = h.at<double>(2, 2);
        const WarpMatrix m = solveWarp(corners);
        const float ours[8] = {m.at(0, 0), m.at(0, 1), m.at(0, 3), m.at(1, 0),
                               m.at(1, 1), m.at(1, 3), m.at(3, 0), m.at(3, 1)};
        for (int k = 0; k < 8; ++k) {
            const double theirs = h.at<double>(k / 3, k % 3) / scale;
            ASSERT_NEAR(ours[k], theirs, 1e-5 * (1.0 + std::fabs(theirs))) << "h" << k << " round " << round;
        }
    }
}

TEST(SolveWarpProperty, EqualsThePlainEliminationBitForBit)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> anywhere(-4.0f, 4.0f);
    std::uniform_int_distribution<int> pick(0, 3);
    for (int round = 0; round < 20000; ++round) {
        CornerSet corners = round % 2 ? randomConvexQuad(random) : CornerSet{};
        if (round % 2 == 0)
            for (CornerPoint& c : corners)
                c = {anywhere(random), anywhere(random)};
        // Every fourth set is made degenerate: corners shared, or all on one line.
        if (round % 4 == 1)
            corners[static_cast<std::size_t>(pick(random))] = corners[static_cast<std::size_t>(pick(random))];
        if (round % 8 == 3)
            for (CornerPoint& c : corners)
                c.y = corners[0].y;
        // Nearly on one line: pivots fall between 0 and the 1e-9 below which a column is passed over.
        if (round % 8 == 5)
            for (int i = 1; i < 4; ++i)
                corners[static_cast<std::size_t>(i)].y = corners[0].y + 1e-11f * static_cast<float>(pick(random));
        const WarpMatrix ours = solveWarp(corners), plain = plainElimination(corners);
        for (int k = 0; k < 16; ++k)
            ASSERT_EQ(ours.m[static_cast<std::size_t>(k)], plain.m[static_cast<std::size_t>(k)])
                << "element " << k << " round " << round;
    }
}
