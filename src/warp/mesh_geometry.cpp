// The mesh's triangles: bands cut by the field's curvature, the field evaluated column splines first.
#include "warp/mesh_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The offset field on a grid of fine positions, row by row: for each fine column the spline along s of
// every mesh row first, so that each grid point costs only one spline across the rows.
std::vector<MeshOffset> fieldOnGrid(const Mesh& mesh, const std::vector<float>& ss, const std::vector<float>& ts)
{
    const std::size_t across = ss.size(), rows = static_cast<std::size_t>(mesh.rows);
    std::vector<float> columnU(across * rows), columnV(across * rows);
    for (std::size_t x = 0; x < across; ++x) {
        const SplineWeights weights = splineWeights(mesh.columns, ss[x]);
        for (std::size_t row = 0; row < rows; ++row) {
            float u = 0.0f, v = 0.0f;
            for (int32_t i = 0; i < weights.used; ++i) {
                const MeshOffset& offset =
                    mesh.offsets[row * static_cast<std::size_t>(mesh.columns) + static_cast<std::size_t>(weights.first + i)];
                u += weights.weight[i] * offset.u;
                v += weights.weight[i] * offset.v;
            }
            columnU[x * rows + row] = u;
            columnV[x * rows + row] = v;
        }
    }
    std::vector<MeshOffset> field(across * ts.size());
    for (std::size_t y = 0; y < ts.size(); ++y) {
        const SplineWeights weights = splineWeights(mesh.rows, ts[y]);
        for (std::size_t x = 0; x < across; ++x) {
            const float* u = &columnU[x * rows + static_cast<std::size_t>(weights.first)];
            const float* v = &columnV[x * rows + static_cast<std::size_t>(weights.first)];
            MeshOffset& d = field[y * across + x];
            for (int32_t i = 0; i < weights.used; ++i) {
                d.u += weights.weight[i] * u[i];
                d.v += weights.weight[i] * v[i];
            }
        }
    }
    return field;
}

// Evenly spaced positions from 0 to 1, `count` of them.
std::vector<float> evenPositions(int32_t count)
{
    std::vector<float> positions(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        positions[static_cast<std::size_t>(i)] = static_cast<float>(i) / static_cast<float>(count - 1);
    return positions;
}

constexpr int32_t kSamplesPerBand = 8;

// For each band along s and along t: the cuts that keep a straight piece within the error of the field.
// The field's bend (second differences, the cross term included, in projector pixels per picture unit
// squared) is sampled on a grid of kSamplesPerBand steps a band; a straight piece of length L then
// misses the field by at most L^2 / 8 times the bend, and each direction gets half of the error.
void cutBands(const Mesh& mesh, std::vector<int32_t>& columnCuts, std::vector<int32_t>& rowCuts)
{
    const int32_t bandsS = mesh.columns - 1, bandsT = mesh.rows - 1;
    const int32_t nx = bandsS * kSamplesPerBand + 1, ny = bandsT * kSamplesPerBand + 1;
    const std::vector<MeshOffset> field = fieldOnGrid(mesh, evenPositions(nx), evenPositions(ny));
    const auto at = [&](int32_t x, int32_t y) { return field[static_cast<std::size_t>(y * nx + x)]; };
    const float hs = 1.0f / static_cast<float>(nx - 1), ht = 1.0f / static_cast<float>(ny - 1);
    const auto pixels = [](float u, float v) { return std::hypot(u * kProjectorWidth, v * kProjectorHeight); };
    std::vector<float> bendS(static_cast<std::size_t>(bandsS), 0.0f), bendT(static_cast<std::size_t>(bandsT), 0.0f);
    for (int32_t y = 1; y + 1 < ny; ++y)
        for (int32_t x = 1; x + 1 < nx; ++x) {
            const MeshOffset c = at(x, y), l = at(x - 1, y), r = at(x + 1, y), u = at(x, y - 1), d = at(x, y + 1);
            const MeshOffset a = at(x + 1, y + 1), b = at(x + 1, y - 1), e = at(x - 1, y + 1), f = at(x - 1, y - 1);
            const float cross = pixels(a.u - b.u - e.u + f.u, a.v - b.v - e.v + f.v) / (4.0f * hs * ht);
            const float alongS = pixels(l.u - 2 * c.u + r.u, l.v - 2 * c.v + r.v) / (hs * hs) + cross;
            const float alongT = pixels(u.u - 2 * c.u + d.u, u.v - 2 * c.v + d.v) / (ht * ht) + cross;
            // A sample on a band's edge counts for the bands on both sides.
            for (int32_t band : {(x - 1) / kSamplesPerBand, x / kSamplesPerBand})
                if (band < bandsS)
                    bendS[static_cast<std::size_t>(band)] = std::max(bendS[static_cast<std::size_t>(band)], alongS);
            for (int32_t band : {(y - 1) / kSamplesPerBand, y / kSamplesPerBand})
                if (band < bandsT)
                    bendT[static_cast<std::size_t>(band)] = std::max(bendT[static_cast<std::size_t>(band)], alongT);
        }
    const auto cutsFor = [](float bend, int32_t bands) {
        const float needed = std::sqrt(bend / (8.0f * kLargestDrawingError / 2.0f)) / static_cast<float>(bands);
        return std::clamp(static_cast<int32_t>(std::ceil(needed)), 1, kMostCutsPerCell);
    };
    columnCuts.resize(static_cast<std::size_t>(bandsS));
    rowCuts.resize(static_cast<std::size_t>(bandsT));
    for (int32_t band = 0; band < bandsS; ++band)
        columnCuts[static_cast<std::size_t>(band)] = cutsFor(bendS[static_cast<std::size_t>(band)], bandsS);
    for (int32_t band = 0; band < bandsT; ++band)
        rowCuts[static_cast<std::size_t>(band)] = cutsFor(bendT[static_cast<std::size_t>(band)], bandsT);
}

// The fine positions along one side: each band split into its cuts.
std::vector<float> finePositions(const std::vector<int32_t>& cuts)
{
    std::vector<float> positions;
    const float bandLength = 1.0f / static_cast<float>(cuts.size());
    for (std::size_t band = 0; band < cuts.size(); ++band)
        for (int32_t cut = 0; cut < cuts[band]; ++cut)
            positions.push_back((static_cast<float>(band) + static_cast<float>(cut) / static_cast<float>(cuts[band])) *
                                bandLength);
    positions.push_back(1.0f);
    return positions;
}

} // namespace

MeshGeometry buildMeshGeometry(const Mesh& mesh)
{
    MeshGeometry geometry;
    buildMeshGeometry(mesh, geometry);
    return geometry;
}

void buildMeshGeometry(const Mesh& mesh, MeshGeometry& geometry)
{
    geometry.vertices.clear();
    geometry.indices.clear();
    geometry.columnCuts.clear();
    geometry.rowCuts.clear();
    if (mesh.columns == 2 && mesh.rows == 2)
        return;
    cutBands(mesh, geometry.columnCuts, geometry.rowCuts);
    const std::vector<float> ss = finePositions(geometry.columnCuts), ts = finePositions(geometry.rowCuts);
    const std::vector<MeshOffset> field = fieldOnGrid(mesh, ss, ts);
    const std::size_t across = ss.size(), down = ts.size();

    geometry.vertices.resize(across * down);
    for (std::size_t y = 0; y < down; ++y)
        for (std::size_t x = 0; x < across; ++x) {
            const MeshOffset& d = field[y * across + x];
            geometry.vertices[y * across + x] =
                WarpVertex{2.0f * (ss[x] + d.u) - 1.0f, 1.0f - 2.0f * (ts[y] + d.v), 0.0f, ss[x], ts[y]};
        }

    geometry.indices.resize((across - 1) * (down - 1) * 6);
    std::size_t next = 0;
    for (std::size_t y = 0; y + 1 < down; ++y)
        for (std::size_t x = 0; x + 1 < across; ++x) {
            const uint32_t topLeft = static_cast<uint32_t>(y * across + x), topRight = topLeft + 1;
            const uint32_t bottomLeft = topLeft + static_cast<uint32_t>(across), bottomRight = bottomLeft + 1;
            for (uint32_t index : {topLeft, topRight, bottomLeft, bottomLeft, topRight, bottomRight})
                geometry.indices[next++] = index;
        }
}
