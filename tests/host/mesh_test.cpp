// The warp model: the mesh's spline, its size changes, the keystone's inverse, the triangles that draw it,
// and the edge blend with the part of the picture an output shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "warp/color_match.h"
#include "warp/edge_blend.h"
#include "warp/mesh.h"
#include "warp/mesh_geometry.h"
#include "warp/picture_warp.h"
#include "warp/solve_warp.h"
#include "warp/source_rect.h"

namespace {

Mesh randomMesh(int32_t columns, int32_t rows, float reach, std::mt19937& random)
{
    std::uniform_real_distribution<float> offset(-reach, reach);
    Mesh mesh = resizedMesh(Mesh{}, columns, rows);
    for (int32_t point = 0; point < mesh.pointCount(); ++point)
        if (cornerOfPoint(mesh, point) == -1)
            mesh.offsets[static_cast<std::size_t>(point)] = {offset(random), offset(random)};
    return mesh;
}

const CornerSet kKeystone{{{-0.8f, 0.9f}, {0.7f, 0.6f}, {-0.9f, -0.7f}, {0.95f, -0.95f}}};

} // namespace

TEST(MeshSpline, TwoValuesAreTheStraightLineAndControlPointsAreMet)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int trial = 0; trial < 50; ++trial) {
        const float two[2] = {value(random), value(random)};
        for (float x = 0.0f; x <= 1.0f; x += 0.05f)
            EXPECT_NEAR(catmullRom(two, 2, x), two[0] + (two[1] - two[0]) * x, 1e-6f);
        float many[kLargestMeshSide];
        for (int32_t count = 2; count <= kLargestMeshSide; ++count) {
            for (int32_t i = 0; i < count; ++i)
                many[i] = value(random);
            for (int32_t i = 0; i < count; ++i)
                EXPECT_NEAR(catmullRom(many, count, static_cast<float>(i) / static_cast<float>(count - 1)), many[i], 1e-5f)
                    << count << " values, point " << i;
        }
    }
}

TEST(MeshSpline, FieldMeetsEveryPointAndAKeystoneOnlyMeshBendsNothing)
{
    std::mt19937 random(11);
    const Mesh mesh = randomMesh(5, 4, 0.1f, random);
    for (int32_t point = 0; point < mesh.pointCount(); ++point) {
        const MeshOffset at = offsetAt(mesh, restPosition(mesh, point));
        EXPECT_NEAR(at.u, mesh.offsets[static_cast<std::size_t>(point)].u, 1e-5f) << point;
        EXPECT_NEAR(at.v, mesh.offsets[static_cast<std::size_t>(point)].v, 1e-5f) << point;
    }
    EXPECT_EQ(offsetAt(Mesh{}, {0.3f, 0.7f}), MeshOffset{});
    EXPECT_TRUE(buildMeshGeometry(Mesh{}).vertices.empty()) << "the keystone's own quad draws a 2 x 2 mesh";
}

TEST(MeshSize, ResizingKeepsTheShapeAndTheCornersStayAtRest)
{
    std::mt19937 random(3);
    const Mesh coarse = randomMesh(3, 3, 0.1f, random);
    const Mesh fine = resizedMesh(coarse, 5, 5);
    ASSERT_EQ(fine.pointCount(), 25);
    for (int32_t corner = 0; corner < 4; ++corner)
        EXPECT_EQ(fine.offsets[static_cast<std::size_t>(pointOfCorner(fine, corner))], MeshOffset{});
    for (float s = 0.0f; s <= 1.0f; s += 0.125f)
        for (float t = 0.0f; t <= 1.0f; t += 0.125f) {
            const MeshOffset a = offsetAt(coarse, {s, t}), b = offsetAt(fine, {s, t});
            EXPECT_NEAR(a.u, b.u, 0.01f) << s << ", " << t;
            EXPECT_NEAR(a.v, b.v, 0.01f) << s << ", " << t;
        }
    // The coarse points are among the fine ones, so going back gives the same mesh.
    const Mesh back = resizedMesh(fine, 3, 3);
    for (int32_t point = 0; point < 9; ++point) {
        EXPECT_NEAR(back.offsets[static_cast<std::size_t>(point)].u, coarse.offsets[static_cast<std::size_t>(point)].u, 1e-5f);
        EXPECT_NEAR(back.offsets[static_cast<std::size_t>(point)].v, coarse.offsets[static_cast<std::size_t>(point)].v, 1e-5f);
    }
    EXPECT_EQ(resizedMesh(coarse, 1, 12).columns, 2);
    EXPECT_EQ(resizedMesh(coarse, 1, 12).rows, 9);
    EXPECT_EQ(zeroedMesh(fine), resizedMesh(Mesh{}, 5, 5));
}

TEST(PictureWarp, TheInverseFindsThePictureUnderTheCursorAndNothingBeyondTheHorizon)
{
    const WarpMatrix warp = solveWarp(kKeystone);
    EXPECT_NEAR(warpPicturePoint(warp, {0.0f, 0.0f})->x, kKeystone[0].x, 1e-5f);
    EXPECT_NEAR(warpPicturePoint(warp, {1.0f, 1.0f})->y, kKeystone[3].y, 1e-5f);
    for (float s = -0.25f; s <= 1.25f; s += 0.125f)
        for (float t = -0.25f; t <= 1.25f; t += 0.125f) {
            const auto shown = warpPicturePoint(warp, {s, t});
            ASSERT_TRUE(shown);
            const auto back = picturePointAt(warp, *shown);
            ASSERT_TRUE(back) << s << ", " << t;
            EXPECT_NEAR(back->s, s, 1e-4f);
            EXPECT_NEAR(back->t, t, 1e-4f);
        }
    // A strong keystone puts the horizon on screen: the picture's far side shrinks to a line at x = 1/a,
    // and a cursor past that line shows no point of the picture.
    const CornerSet steep{{{-1.0f, 1.0f}, {0.2f, 0.3f}, {-1.0f, -1.0f}, {0.2f, -0.3f}}};
    const WarpMatrix steepWarp = solveWarp(steep);
    EXPECT_FALSE(picturePointAt(steepWarp, {0.9f, 0.0f}));
    EXPECT_TRUE(picturePointAt(steepWarp, {0.0f, 0.0f}));
}

// Every picture point drawn through the triangles lands within half a pixel of where the model puts it,
// on a 1920 x 1080 projector that the picture fills, for strongly bent meshes of each size: points moved
// at random by up to half a cell, and a smooth bow.
TEST(MeshGeometryAccuracy, DrawnPointsLandWithinHalfAPixelOfTheModel)
{
    std::mt19937 random(5);
    std::vector<Mesh> meshes;
    for (const auto& [columns, rows] : {std::pair{3, 3}, std::pair{5, 4}, std::pair{9, 9}})
        meshes.push_back(randomMesh(columns, rows, 0.5f / static_cast<float>(columns), random));
    Mesh bow = resizedMesh(Mesh{}, 9, 9);
    for (int32_t point = 0; point < bow.pointCount(); ++point) {
        const PicturePoint rest = restPosition(bow, point);
        if (cornerOfPoint(bow, point) == -1)
            bow.offsets[static_cast<std::size_t>(point)] = {0.0f, 0.05f * std::sin(3.14159f * rest.s)};
    }
    meshes.push_back(bow);
    for (const Mesh& mesh : meshes) {
        const MeshGeometry geometry = buildMeshGeometry(mesh);
        float worst = 0.0f;
        // Inside each triangle the vertex stage interpolates the pre-warp position linearly in (s, t);
        // compare with the model at the same (s, t), in pixels of a projector the picture fills.
        for (std::size_t i = 0; i < geometry.indices.size(); i += 3) {
            const WarpVertex& a = geometry.vertices[geometry.indices[i]];
            const WarpVertex& b = geometry.vertices[geometry.indices[i + 1]];
            const WarpVertex& c = geometry.vertices[geometry.indices[i + 2]];
            for (const auto& [wb, wc] : {std::pair{0.5f, 0.0f}, std::pair{0.0f, 0.5f}, std::pair{0.5f, 0.5f},
                                         std::pair{0.33f, 0.33f}}) {
                const float wa = 1.0f - wb - wc;
                const float s = wa * a.s + wb * b.s + wc * c.s, t = wa * a.t + wb * b.t + wc * c.t;
                const float x = wa * a.x + wb * b.x + wc * c.x, y = wa * a.y + wb * b.y + wc * c.y;
                const MeshOffset d = offsetAt(mesh, {s, t});
                const float dx = ((x + 1.0f) / 2.0f - (s + d.u)) * 1920.0f, dy = ((1.0f - y) / 2.0f - (t + d.v)) * 1080.0f;
                worst = std::max(worst, std::hypot(dx, dy));
            }
        }
        std::printf("mesh %d x %d: %zu triangles, worst distance from the model %.3f px\n", mesh.columns, mesh.rows,
                    geometry.indices.size() / 3, worst);
        EXPECT_LT(worst, 0.5f) << mesh.columns << " x " << mesh.rows;
    }
    // A field that is straight needs no cuts: a 3 x 3 mesh at rest draws 4 cells of 2 triangles.
    EXPECT_EQ(buildMeshGeometry(resizedMesh(Mesh{}, 3, 3)).indices.size(), 4u * 6u);
}

// Two projectors overlap over a band: one blends its right edge, the other its left edge over the same
// width. At each point of the band their light, the blended value raised to gamma, adds to one.
TEST(EdgeBlendRamp, ComplementaryRampsAddToTheFullLightAcrossTheBand)
{
    for (float curve : {1.0f, 1.5f, 2.0f, 3.3f, 4.0f})
        for (float x = 0.0f; x <= 1.0f; x += 1.0f / 64.0f) {
            EXPECT_NEAR(blendRamp(x, curve, 1.0f) + blendRamp(1.0f - x, curve, 1.0f), 1.0f, 1e-5f) << curve << " at " << x;
            for (float gamma : {1.0f, 2.2f, 3.0f}) {
                const float a = blendedValue({.right = 0.2f, .curve = curve, .gamma = gamma}, 0.8f + 0.2f * x, 0.5f, 1.0f);
                const float b = blendedValue({.left = 0.2f, .curve = curve, .gamma = gamma}, 0.2f * x, 0.5f, 1.0f);
                EXPECT_NEAR(std::pow(a, gamma) + std::pow(b, gamma), 1.0f, 1e-4f) << curve << ", " << gamma << " at " << x;
            }
        }
}

TEST(EdgeBlendRamp, OneOutsideTheBandsNoughtAtTheEdgesAndTheBlackLevelOnlyOutside)
{
    EdgeBlend blend{.left = 0.2f, .right = 0.1f, .top = 0.15f, .bottom = 0.25f};
    for (const auto& [s, t] : {std::pair{0.5f, 0.5f}, std::pair{0.2f, 0.15f}, std::pair{0.9f, 0.75f}})
        EXPECT_EQ(blendedValue(blend, s, t, 0.8f), 0.8f) << s << ", " << t;
    for (const auto& [s, t] : {std::pair{0.0f, 0.5f}, std::pair{1.0f, 0.5f}, std::pair{0.5f, 0.0f}, std::pair{0.5f, 1.0f}})
        EXPECT_EQ(blendedValue(blend, s, t, 0.8f), 0.0f) << s << ", " << t;
    // Each band falls toward its own edge.
    EXPECT_LT(blendedValue(blend, 0.1f, 0.5f, 1.0f), blendedValue(blend, 0.15f, 0.5f, 1.0f));
    EXPECT_LT(blendedValue(blend, 0.5f, 0.9f, 1.0f), blendedValue(blend, 0.5f, 0.8f, 1.0f));

    blend.blackLevel = 0.1f;
    EXPECT_NEAR(blendedValue(blend, 0.5f, 0.5f, 0.0f), 0.1f, 1e-6f);
    EXPECT_NEAR(blendedValue(blend, 0.5f, 0.5f, 0.5f), 0.55f, 1e-6f);
    // Inside a ramp the overlap's two blacks already make the level.
    EXPECT_EQ(blendedValue(blend, 0.05f, 0.5f, 0.0f), 0.0f);
    EXPECT_NEAR(blendedValue(blend, 0.5f, 0.95f, 1.0f), 0.9f * blendedValue({.bottom = 0.25f}, 0.5f, 0.95f, 1.0f), 1e-6f);
}

TEST(EdgeBlendRamp, RangesOfTheBlendAndTheSourceRefuseWhatIsNotFinite)
{
    constexpr float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(isEdgeBlend(EdgeBlend{}) && isEdgeBlend({0.5f, 0.5f, 0.5f, 0.5f, 4.0f, 3.0f, 0.2f}) &&
                isEdgeBlend({0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f}));
    // Each member in turn just beyond either end of its range, and not finite.
    float EdgeBlend::*const members[] = {&EdgeBlend::left, &EdgeBlend::right, &EdgeBlend::top, &EdgeBlend::bottom,
                                         &EdgeBlend::curve, &EdgeBlend::gamma, &EdgeBlend::blackLevel};
    const float lowest[] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f}, highest[] = {0.5f, 0.5f, 0.5f, 0.5f, 4.0f, 3.0f, 0.2f};
    for (std::size_t i = 0; i < 7; ++i)
        for (float bad : {std::nextafter(lowest[i], -1.0f), std::nextafter(highest[i], 5.0f), nan, inf, -inf}) {
            EdgeBlend blend;
            blend.*members[i] = bad;
            EXPECT_FALSE(isEdgeBlend(blend)) << "member " << i << " = " << bad;
        }

    EXPECT_TRUE(isSourceRect(SourceRect{}) && isSourceRect({0.5f, 0.0f, 0.5001f, 0.25f}));
    for (const SourceRect& bad : {SourceRect{0.5f, 0.0f, 0.5f, 1.0f}, SourceRect{0.0f, 0.6f, 1.0f, 0.4f},
                                  SourceRect{-0.01f, 0.0f, 1.0f, 1.0f}, SourceRect{0.0f, 0.0f, 1.0f, 1.01f},
                                  SourceRect{nan, 0.0f, 1.0f, 1.0f}, SourceRect{0.0f, 0.0f, 1.0f, nan},
                                  SourceRect{0.0f, 0.0f, inf, 1.0f}, SourceRect{0.0f, -inf, 1.0f, 1.0f}})
        EXPECT_FALSE(isSourceRect(bad)) << bad.left << " " << bad.top << " " << bad.right << " " << bad.bottom;
}

TEST(ColorMatch, DefaultsChangeNothingAndEachValueActsAsTheModelSays)
{
    const ColorMatch none;
    for (float v : {0.0f, 0.2f, 0.5f, 1.0f})
        EXPECT_FLOAT_EQ(matchedValue(none, 1.0f, v), v);
    // Against the model in double precision, over values that clamp below, above and not at all.
    const ColorMatch warm{0.1f, 1.4f, 2.2f, 1.2f, 1.0f, 0.8f};
    for (float gain : {warm.red, warm.blue})
        for (float v : {0.0f, 0.1f, 0.45f, 0.7f, 1.0f}) {
            const double stretched = std::clamp((gain * double(v) - 0.5) * 1.4 + 0.5 + 0.1, 0.0, 1.0);
            EXPECT_NEAR(matchedValue(warm, gain, v), std::pow(stretched, 1.0 / 2.2), 1e-5) << gain << " " << v;
        }
    // No contrast is flat grey at 0.5 + b; a gain of 0 is black, whatever the value.
    EXPECT_FLOAT_EQ(matchedValue(ColorMatch{0.2f, 0.0f}, 1.0f, 0.9f), 0.7f);
    EXPECT_FLOAT_EQ(matchedValue(none, 0.0f, 0.9f), 0.0f);

    EXPECT_TRUE(isColorMatch(none));
    EXPECT_TRUE(isColorMatch(ColorMatch{-1.0f, 2.0f, 0.5f, 0.0f, 2.0f, 2.0f}));
    for (const ColorMatch& refused : {ColorMatch{1.1f}, ColorMatch{0.0f, -0.1f}, ColorMatch{0.0f, 1.0f, 0.4f},
                                      ColorMatch{0.0f, 1.0f, 3.5f}, ColorMatch{0.0f, 1.0f, 1.0f, 2.1f},
                                      ColorMatch{0.0f, 1.0f, 1.0f, 1.0f, std::nanf("")}, ColorMatch{0.0f, 1.0f, 1.0f, 1.0f, 1.0f, -1.0f}})
        EXPECT_FALSE(isColorMatch(refused));
}
