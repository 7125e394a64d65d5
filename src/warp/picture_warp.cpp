// H and H^-1 through the rows and columns of the matrix that act on (x, y, w) of the quad point.
#include "warp/picture_warp.h"

#include <cmath>

namespace {

// The plane part of the warp: rows 0, 1 and 3, columns 0, 1 and 3 (z is always 0).
double planeEntry(const WarpMatrix& warp, int row, int column)
{
    const int rows[3] = {0, 1, 3}, columns[3] = {0, 1, 3};
    return static_cast<double>(warp.at(rows[row], columns[column]));
}

} // namespace

std::optional<CornerPoint> warpPicturePoint(const WarpMatrix& warp, PicturePoint point)
{
    const double qx = 2.0 * point.s - 1.0, qy = 1.0 - 2.0 * point.t;
    double clip[3];
    for (int row = 0; row < 3; ++row)
        clip[row] = planeEntry(warp, row, 0) * qx + planeEntry(warp, row, 1) * qy + planeEntry(warp, row, 2);
    if (!(clip[2] > 0.0))
        return std::nullopt;
    return CornerPoint{static_cast<float>(clip[0] / clip[2]), static_cast<float>(clip[1] / clip[2])};
}

std::optional<PicturePoint> picturePointAt(const WarpMatrix& warp, CornerPoint position)
{
    // The inverse of the 3x3 plane matrix by its adjugate; the determinant's scale cancels in the division.
    const auto m = [&](int r, int c) { return planeEntry(warp, r, c); };
    const double inverse[3][3] = {
        {m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1), m(0, 2) * m(2, 1) - m(0, 1) * m(2, 2), m(0, 1) * m(1, 2) - m(0, 2) * m(1, 1)},
        {m(1, 2) * m(2, 0) - m(1, 0) * m(2, 2), m(0, 0) * m(2, 2) - m(0, 2) * m(2, 0), m(0, 2) * m(1, 0) - m(0, 0) * m(1, 2)},
        {m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0), m(0, 1) * m(2, 0) - m(0, 0) * m(2, 1), m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0)},
    };
    const double x = position.x, y = position.y;
    double quad[3];
    for (int row = 0; row < 3; ++row)
        quad[row] = inverse[row][0] * x + inverse[row][1] * y + inverse[row][2];
    if (!std::isfinite(quad[0] / quad[2]) || !std::isfinite(quad[1] / quad[2]))
        return std::nullopt;
    const double qx = quad[0] / quad[2], qy = quad[1] / quad[2];
    // The screen point is also the image of a point behind the horizon (all of x, y and w negated).
    const double w = m(2, 0) * qx + m(2, 1) * qy + m(2, 2);
    if (!(w > 0.0))
        return std::nullopt;
    return PicturePoint{static_cast<float>((qx + 1.0) / 2.0), static_cast<float>((1.0 - qy) / 2.0)};
}

std::optional<CornerPoint> meshPointPosition(const WarpMatrix& warp, const Mesh& mesh, int32_t point)
{
    const PicturePoint rest = restPosition(mesh, point);
    const MeshOffset& offset = mesh.offsets[static_cast<std::size_t>(point)];
    return warpPicturePoint(warp, {rest.s + offset.u, rest.t + offset.v});
}
