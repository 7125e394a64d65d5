// The mesh warp: points over the picture whose offsets bend it beyond the four-corner keystone.
//
// Picture parameters (s, t) run over [0, 1] x [0, 1]: s from the captured picture's left edge to its
// right, t from its top to its bottom; (s, t) is also the texture coordinate. A mesh of C columns and R
// rows of points (each from 2 to 9) lies over the picture: point (i, j), counted from the top left, rests
// at (i / (C - 1), j / (R - 1)) and carries an offset (u, v) in picture parameters. The offsets of the
// four corner points are always 0: the corners move through the keystone's corners instead. The offset
// field d(s, t) interpolates the points' offsets by a uniform Catmull-Rom spline in s and in t, and the
// picture point (s, t) is shown where the keystone warp H puts (s + du, t + dv). A 2 x 2 mesh bends
// nothing: it is the keystone alone.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int32_t kSmallestMeshSide = 2;
inline constexpr int32_t kLargestMeshSide = 9;

struct PicturePoint {
    float s = 0.0f;
    float t = 0.0f;
};

struct MeshOffset {
    float u = 0.0f;
    float v = 0.0f;
    bool operator==(const MeshOffset&) const = default;
};

// The points row by row from the top left.
struct Mesh {
    int32_t columns = 2;
    int32_t rows = 2;
    std::vector<MeshOffset> offsets = std::vector<MeshOffset>(4);

    int32_t pointCount() const { return columns * rows; }
    bool operator==(const Mesh&) const = default;
};

// Whether a column or row count is one a mesh may have.
bool isMeshSide(int64_t count);

// The point index of keystone corner 0 to 3 (TL, TR, BL, BR); for a 2 x 2 mesh the two numberings agree.
int32_t pointOfCorner(const Mesh& mesh, int32_t corner);
// The keystone corner (0 to 3) that a point index is, or -1 for any other point.
int32_t cornerOfPoint(const Mesh& mesh, int32_t point);
PicturePoint restPosition(const Mesh& mesh, int32_t point);

// The uniform Catmull-Rom spline through count >= 2 values at x in [0, 1], the ends extended linearly;
// with two values it is the straight line between them.
float catmullRom(const float* values, int32_t count, float x);
// The same spline as weights on the values: catmullRom is the sum of weight[i] * values[first + i] for
// i below `used`. The same x gives the same weights for every set of values, so a grid evaluates them once
// per row and once per column.
struct SplineWeights {
    int32_t first = 0;
    int32_t used = 0;
    float weight[4] = {};
};
SplineWeights splineWeights(int32_t count, float x);
// The offset field d at a picture point.
MeshOffset offsetAt(const Mesh& mesh, PicturePoint point);

// A mesh of another size that keeps the shape: each new point takes the old field's value at its rest
// position, the corners 0. Sides outside 2 to 9 are clamped.
Mesh resizedMesh(const Mesh& mesh, int32_t columns, int32_t rows);
// The same size, every offset 0.
Mesh zeroedMesh(const Mesh& mesh);
