// The mesh's offset field and its size changes.
#include "warp/mesh.h"

#include <algorithm>
#include <cmath>

bool isMeshSide(int64_t count)
{
    return count >= kSmallestMeshSide && count <= kLargestMeshSide;
}

int32_t pointOfCorner(const Mesh& mesh, int32_t corner)
{
    const int32_t column = (corner % 2) * (mesh.columns - 1);
    const int32_t row = (corner / 2) * (mesh.rows - 1);
    return row * mesh.columns + column;
}

int32_t cornerOfPoint(const Mesh& mesh, int32_t point)
{
    for (int32_t corner = 0; corner < 4; ++corner)
        if (pointOfCorner(mesh, corner) == point)
            return corner;
    return -1;
}

PicturePoint restPosition(const Mesh& mesh, int32_t point)
{
    const int32_t column = point % mesh.columns, row = point / mesh.columns;
    return {static_cast<float>(column) / static_cast<float>(mesh.columns - 1),
            static_cast<float>(row) / static_cast<float>(mesh.rows - 1)};
}

SplineWeights splineWeights(int32_t count, float x)
{
    const float scaled = std::clamp(x, 0.0f, 1.0f) * static_cast<float>(count - 1);
    const int32_t k = std::min(static_cast<int32_t>(std::floor(scaled)), count - 2);
    const float tau = scaled - static_cast<float>(k), tau2 = tau * tau, tau3 = tau2 * tau;
    // The spline's basis on the values k - 1 .. k + 2.
    float basis[4] = {0.5f * (-tau + 2.0f * tau2 - tau3), 0.5f * (2.0f - 5.0f * tau2 + 3.0f * tau3),
                      0.5f * (tau + 4.0f * tau2 - 3.0f * tau3), 0.5f * (tau3 - tau2)};
    SplineWeights weights;
    weights.first = std::max(k - 1, 0);
    weights.used = std::min(k + 2, count - 1) - weights.first + 1;
    const auto add = [&](int32_t index, float weight) { weights.weight[index - weights.first] += weight; };
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t index = k - 1 + i;
        // Beyond the ends the values continue in a straight line: P(-1) = 2 P0 - P1, P(n) = 2 P(n-1) - P(n-2).
        if (index < 0) {
            add(0, 2.0f * basis[i]);
            add(1, -basis[i]);
        } else if (index >= count) {
            add(count - 1, 2.0f * basis[i]);
            add(count - 2, -basis[i]);
        } else {
            add(index, basis[i]);
        }
    }
    return weights;
}

float catmullRom(const float* values, int32_t count, float x)
{
    const SplineWeights weights = splineWeights(count, x);
    float value = 0.0f;
    for (int32_t i = 0; i < weights.used; ++i)
        value += weights.weight[i] * values[weights.first + i];
    return value;
}

MeshOffset offsetAt(const Mesh& mesh, PicturePoint point)
{
    // Along each row in s first, then across the rows in t: the spline is linear in its values, so the
    // order does not matter.
    float rowU[kLargestMeshSide], rowV[kLargestMeshSide], columnU[kLargestMeshSide], columnV[kLargestMeshSide];
    for (int32_t row = 0; row < mesh.rows; ++row) {
        for (int32_t column = 0; column < mesh.columns; ++column) {
            const MeshOffset& offset = mesh.offsets[static_cast<std::size_t>(row * mesh.columns + column)];
            rowU[column] = offset.u;
            rowV[column] = offset.v;
        }
        columnU[row] = catmullRom(rowU, mesh.columns, point.s);
        columnV[row] = catmullRom(rowV, mesh.columns, point.s);
    }
    return {catmullRom(columnU, mesh.rows, point.t), catmullRom(columnV, mesh.rows, point.t)};
}

Mesh resizedMesh(const Mesh& mesh, int32_t columns, int32_t rows)
{
    Mesh resized;
    resized.columns = std::clamp(columns, kSmallestMeshSide, kLargestMeshSide);
    resized.rows = std::clamp(rows, kSmallestMeshSide, kLargestMeshSide);
    resized.offsets.assign(static_cast<std::size_t>(resized.pointCount()), MeshOffset{});
    for (int32_t point = 0; point < resized.pointCount(); ++point)
        if (cornerOfPoint(resized, point) == -1)
            resized.offsets[static_cast<std::size_t>(point)] = offsetAt(mesh, restPosition(resized, point));
    return resized;
}

Mesh zeroedMesh(const Mesh& mesh)
{
    Mesh zeroed = mesh;
    std::fill(zeroed.offsets.begin(), zeroed.offsets.end(), MeshOffset{});
    return zeroed;
}
