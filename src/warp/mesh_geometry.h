// The triangles that draw the picture through a mesh: each cell cut into small quads whose points carry
// the pre-warp position (2(s + du) - 1, 1 - 2(t + dv)) and the texture coordinate (s, t), so the warp
// matrix and the shaders stay those of the keystone.
#pragma once

#include <cstdint>
#include <vector>

#include "warp/mesh.h"

// How far a drawn picture point may be from the model, in pixels of a 1920 x 1080 projector that the
// picture fills. The triangles are straight where the field bends, so each band of cells between two
// mesh columns (rows) is cut as finely as the field's curvature in it needs for this, and no finer: a
// software renderer pays for every triangle.
inline constexpr float kLargestDrawingError = 0.4f;
inline constexpr float kProjectorWidth = 1920.0f;
inline constexpr float kProjectorHeight = 1080.0f;
inline constexpr int32_t kMostCutsPerCell = 32;

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
    std::vector<int32_t> columnCuts;  // how often each band between two mesh columns is cut
    std::vector<int32_t> rowCuts;     // and each band between two mesh rows
};

// Nothing for a 2 x 2 mesh: the keystone's own quad draws it, pixel for pixel as without a mesh. A
// band in which the field is straight is not cut at all.
MeshGeometry buildMeshGeometry(const Mesh& mesh);
// The same into `geometry`, reusing its storage: a drag rebuilds every pass.
void buildMeshGeometry(const Mesh& mesh, MeshGeometry& geometry);
