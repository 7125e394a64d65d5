// The triangles that draw the picture through a mesh: each cell cut into small quads whose points carry
// the pre-warp position (2(s + du) - 1, 1 - 2(t + dv)) and the texture coordinate (s, t), so the warp
// matrix and the shaders stay those of the keystone.
#pragma once

#include <cstdint>
#include <vector>

#include "warp/mesh.h"

// Cut of each cell along s and along t. Measured on a 1920 x 1080 projector with points moved up to half
// a cell: 16 cuts left picture points up to 0.9 px from the model, 24 keep them within 0.41 px (the host
// tests hold it under half a pixel).
inline constexpr int32_t kCellCuts = 24;

// Laid out as the vertex stage reads it: position x, y, z, then texture s, t.
struct WarpVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float s = 0.0f;
    float t = 0.0f;
};

struct MeshGeometry {
    std::vector<WarpVertex> vertices; // row by row from the top left
    std::vector<uint32_t> indices;    // a triangle list, two triangles a small quad
};

// Nothing for a 2 x 2 mesh: the keystone's own quad draws it, pixel for pixel as without a mesh.
MeshGeometry buildMeshGeometry(const Mesh& mesh, int32_t cellCuts = kCellCuts);
