// The mesh's vertices: the offset field evaluated on a fine grid, column splines first.
#include "warp/mesh_geometry.h"

MeshGeometry buildMeshGeometry(const Mesh& mesh, int32_t cellCuts)
{
    MeshGeometry geometry;
    if (mesh.columns == 2 && mesh.rows == 2)
        return geometry;
    const int32_t across = (mesh.columns - 1) * cellCuts + 1, down = (mesh.rows - 1) * cellCuts + 1;

    // For each fine column, the spline along s of every mesh row: down each fine column only one spline
    // across the rows is left to evaluate per vertex.
    std::vector<float> columnU(static_cast<std::size_t>(across * mesh.rows));
    std::vector<float> columnV(columnU.size());
    float rowU[kLargestMeshSide], rowV[kLargestMeshSide];
    for (int32_t row = 0; row < mesh.rows; ++row) {
        for (int32_t column = 0; column < mesh.columns; ++column) {
            const MeshOffset& offset = mesh.offsets[static_cast<std::size_t>(row * mesh.columns + column)];
            rowU[column] = offset.u;
            rowV[column] = offset.v;
        }
        for (int32_t x = 0; x < across; ++x) {
            const float s = static_cast<float>(x) / static_cast<float>(across - 1);
            columnU[static_cast<std::size_t>(x * mesh.rows + row)] = catmullRom(rowU, mesh.columns, s);
            columnV[static_cast<std::size_t>(x * mesh.rows + row)] = catmullRom(rowV, mesh.columns, s);
        }
    }

    geometry.vertices.resize(static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
    for (int32_t y = 0; y < down; ++y) {
        const float t = static_cast<float>(y) / static_cast<float>(down - 1);
        for (int32_t x = 0; x < across; ++x) {
            const float s = static_cast<float>(x) / static_cast<float>(across - 1);
            const std::size_t column = static_cast<std::size_t>(x * mesh.rows);
            const float u = catmullRom(&columnU[column], mesh.rows, t);
            const float v = catmullRom(&columnV[column], mesh.rows, t);
            geometry.vertices[static_cast<std::size_t>(y * across + x)] =
                WarpVertex{2.0f * (s + u) - 1.0f, 1.0f - 2.0f * (t + v), 0.0f, s, t};
        }
    }

    geometry.indices.reserve(static_cast<std::size_t>((across - 1) * (down - 1)) * 6);
    for (int32_t y = 0; y + 1 < down; ++y)
        for (int32_t x = 0; x + 1 < across; ++x) {
            const uint32_t topLeft = static_cast<uint32_t>(y * across + x), topRight = topLeft + 1;
            const uint32_t bottomLeft = topLeft + static_cast<uint32_t>(across), bottomRight = bottomLeft + 1;
            geometry.indices.insert(geometry.indices.end(),
                                    {topLeft, topRight, bottomLeft, bottomLeft, topRight, bottomRight});
        }
    return geometry;
}
