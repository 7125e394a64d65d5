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

float catmullRom(const float* values, int32_t count, float x)
{
    const float scaled = std::clamp(x, 0.0f, 1.0f) * static_cast<float>(count - 1);
    const int32_t k = std::min(static_cast<int32_t>(std::floor(scaled)), count - 2);
    const float tau = scaled - static_cast<float>(k);
    // Beyond the ends the values continue in a straight line.
    const auto at = [&](int32_t i) {
        if (i < 0)
            return 2.0f * values[0] - values[1];
        if (i >= count)
            return 2.0f * values[count - 1] - values[count - 2];
        return values[i];
    };
    const float p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
    return 0.5f * (2.0f * p1 + (p2 - p0) * tau + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * tau * tau +
                   (3.0f * p1 - p0 - 3.0f * p2 + p3) * tau * tau * tau);
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
