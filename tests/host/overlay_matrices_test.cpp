#include <gtest/gtest.h>

#include "clip_point.h"
#include "render/overlay_matrices.h"
#include "render/shader_texts.h"
#include "warp/solve_warp.h"
#include "warp/corner_point.h"

#include <algorithm>
#include <tuple>

namespace {

CornerPoint landing(const WarpMatrix& m, float u, float v)
{
    const ClipPoint p = transformPoint(m, u, v);
    return {p.x / p.w, p.y / p.w};
}

struct Span {
    float low, high;
};

// The horizontal and vertical extent of the quad drawn through a matrix.
std::pair<Span, Span> extentOf(const WarpMatrix& m)
{
    const CornerPoint a = landing(m, -1, -1), b = landing(m, 1, 1);
    return {{std::min(a.x, b.x), std::max(a.x, b.x)}, {std::min(a.y, b.y), std::max(a.y, b.y)}};
}

} // namespace

TEST(MatrixProduct, FollowsRowByRowStorageInTheGivenOrder)
{
    // (T x S): scaling after a translation in the fourth row scales the translation too.
    const WarpMatrix ts = multiply(translationMatrix(2, 3, 0), scalingMatrix(10, 100, 1));
    EXPECT_EQ(ts.at(3, 0), 20.0f);
    EXPECT_EQ(ts.at(3, 1), 300.0f);
    const WarpMatrix st = multiply(scalingMatrix(10, 100, 1), translationMatrix(2, 3, 0));
    EXPECT_EQ(st.at(3, 0), 2.0f);
}

TEST(LogoMatrix, SitsSmallNearTheCentreOfA16By9Area)
{
    const WarpMatrix l = logoMatrix(identityMatrix(), 1920, 1080);
    const CornerPoint topLeft = landing(l, -1, 1), bottomLeft = landing(l, -1, -1);
    const CornerPoint topRight = landing(l, 1, 1), bottomRight = landing(l, 1, -1);
    EXPECT_NEAR(topLeft.x, -0.1542f, 1e-4f);
    EXPECT_NEAR(bottomLeft.x, -0.1542f, 1e-4f);
    EXPECT_NEAR(topRight.x, 0.1643f, 1e-4f);
    EXPECT_NEAR(bottomRight.x, 0.1643f, 1e-4f);
    EXPECT_NEAR(topLeft.y, 0.1066f, 1e-4f);
    EXPECT_NEAR(bottomLeft.y, -0.1066f, 1e-4f);
    EXPECT_NEAR(topRight.y, 0.1136f, 1e-4f);
    EXPECT_NEAR(bottomRight.y, -0.1136f, 1e-4f);
}

TEST(LogoMatrix, RowsFollowTheWarp)
{
    WarpMatrix w;
    for (int i = 0; i < 16; ++i)
        w.m[static_cast<std::size_t>(i)] = static_cast<float>(i + 1);
    const WarpMatrix l = logoMatrix(w, 800, 600);
    const float s = 0.28285715f / (800.0f / 600.0f);
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(l.at(0, c), s * w.at(0, c));
        EXPECT_FLOAT_EQ(l.at(1, c), 0.11f * w.at(1, c));
        EXPECT_FLOAT_EQ(l.at(2, c), w.at(2, c));
        EXPECT_FLOAT_EQ(l.at(3, c), w.at(3, c) - 0.2f * s * w.at(0, c));
    }
}

struct HandleCase {
    int index;
    Span horizontalX; // relative to the corner
    Span verticalY;
};

class CornerHandle : public testing::TestWithParam<HandleCase> {};

TEST_P(CornerHandle, BarsCrossAtTheCornerAndReachInward)
{
    const HandleCase& c = GetParam();
    const float x = 0.25f, y = -0.5f;
    const HandleBars bars = cornerHandleBars(x, y, c.index);
    const auto [hx, hy] = extentOf(bars.horizontal);
    EXPECT_NEAR(hx.low, x + c.horizontalX.low, 1e-6f);
    EXPECT_NEAR(hx.high, x + c.horizontalX.high, 1e-6f);
    EXPECT_NEAR(hy.low, y - 0.002f, 1e-6f);
    EXPECT_NEAR(hy.high, y + 0.002f, 1e-6f);
    const auto [vx, vy] = extentOf(bars.vertical);
    EXPECT_NEAR(vx.low, x - 0.002f, 1e-6f);
    EXPECT_NEAR(vx.high, x + 0.002f, 1e-6f);
    EXPECT_NEAR(vy.low, y + c.verticalY.low, 1e-6f);
    EXPECT_NEAR(vy.high, y + c.verticalY.high, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(AllCorners, CornerHandle,
                         testing::Values(HandleCase{0, {-0.015f, 0.045f}, {-0.045f, 0.015f}},
                                         HandleCase{1, {-0.045f, 0.015f}, {-0.045f, 0.015f}},
                                         HandleCase{2, {-0.015f, 0.045f}, {-0.015f, 0.045f}},
                                         HandleCase{3, {-0.045f, 0.015f}, {-0.015f, 0.045f}}));

// The texts keep w for the rasteriser, sample the look's part of the picture, and use nothing Wine's
// shader compiler refuses (it fails the whole shader, and everything is then drawn white).
TEST(ShaderTexts, KeepWSampleTheLooksPartAndUseOnlyWhatWinesCompilerTakes)
{
    EXPECT_EQ(kWarpVertexShader.size(), 341u);
    EXPECT_NE(kWarpVertexShader.find("row_major float4x4 warp"), std::string_view::npos);
    EXPECT_NE(kWarpVertexShader.find("o.pos = float4(p.x, p.y, 0.0f, p.w);"), std::string_view::npos);
    for (const std::string_view text :
         {kSamplePixelShader, kBlendPixelShader, kMaskedSamplePixelShader, kMaskedBlendPixelShader}) {
        EXPECT_NE(text.find("t.Sample(s, source.xy + tex * source.zw)"), std::string_view::npos) << text;
        for (const char* refused : {"?", "step(", "lerp(", "saturate(", "if ("})
            EXPECT_EQ(text.find(refused), std::string_view::npos) << refused << " in " << text;
    }
}

TEST(PointerMatrix, PutsTheQuadOnItsPictureRectangleWhereTheWarpShowsIt)
{
    const WarpMatrix warp = solveWarp({{{-0.6f, 0.8f}, {0.7f, 0.9f}, {-0.9f, -0.7f}, {0.8f, -0.9f}}});
    const float s0 = 0.3f, t0 = 0.6f, s1 = 0.34f, t1 = 0.65f;
    const WarpMatrix pointer = pointerMatrix(warp, s0, t0, s1, t1);
    // Quad top-left (-1, 1) is the rectangle's top-left (s0, t0); bottom-right (1, -1) is (s1, t1).
    const auto shown = [&](float s, float t) { return landing(warp, 2 * s - 1, 1 - 2 * t); };
    for (const auto& [u, v, s, t] : {std::tuple{-1.0f, 1.0f, s0, t0}, std::tuple{1.0f, -1.0f, s1, t1},
                                     std::tuple{1.0f, 1.0f, s1, t0}}) {
        EXPECT_NEAR(landing(pointer, u, v).x, shown(s, t).x, 1e-5f);
        EXPECT_NEAR(landing(pointer, u, v).y, shown(s, t).y, 1e-5f);
    }
}
