// solveWarp: an 8 x 9 augmented system reduced in place.
#include "warp/solve_warp.h"

#include <cmath>
#include <utility>

namespace {

constexpr int kUnknowns = 8;
constexpr int kColumns = 9; // eight coefficients and the right-hand side
constexpr double kSingularPivot = 1e-9;

// Unit-quad point of each corner, in the order TL, TR, BL, BR.
constexpr double kQuad[4][2] = {{-1.0, 1.0}, {1.0, 1.0}, {-1.0, -1.0}, {1.0, -1.0}};

using System = double[kUnknowns][kColumns];

// Two rows per corner from x' (h6 u + h7 v + 1) = h0 u + h1 v + h2, and likewise for y'.
void buildSystem(const CornerSet& corners, System a)
{
    for (int i = 0; i < 4; ++i) {
        const double u = kQuad[i][0], v = kQuad[i][1];
        const double x = corners[static_cast<std::size_t>(i)].x, y = corners[static_cast<std::size_t>(i)].y;
        double* rowX = a[2 * i];
        double* rowY = a[2 * i + 1];
        const double xs[kColumns] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
        const double ys[kColumns] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
        for (int j = 0; j < kColumns; ++j) {
            rowX[j] = xs[j];
            rowY[j] = ys[j];
        }
    }
}

void reduce(System a)
{
    for (int k = 0; k < kUnknowns; ++k) {
        int pivot = k;
        for (int i = k + 1; i < kUnknowns; ++i)
            if (std::fabs(a[i][k]) > std::fabs(a[pivot][k]))
                pivot = i;
        if (pivot != k)
            for (int j = 0; j < kColumns; ++j)
                std::swap(a[k][j], a[pivot][j]);

        const double d = a[k][k];
        if (!(std::fabs(d) > kSingularPivot)) // also catches NaN
            continue;
        for (int j = k; j < kColumns; ++j)
            a[k][j] /= d;
        for (int i = 0; i < kUnknowns; ++i) {
            if (i == k)
                continue;
            const double f = a[i][k];
            for (int j = k; j < kColumns; ++j)
                a[i][j] -= f * a[k][j];
        }
    }
}

} // namespace

void solveWarp(const CornerSet& corners, WarpMatrix& warp)
{
    System a;
    buildSystem(corners, a);
    reduce(a);
    float h[kUnknowns];
    for (int i = 0; i < kUnknowns; ++i)
        h[i] = static_cast<float>(a[i][8]);

    warp.m = {h[0], h[1], 0.0f, h[2],
              h[3], h[4], 0.0f, h[5],
              0.0f, 0.0f, 1.0f, 0.0f,
              h[6], h[7], 0.0f, 1.0f};
}

WarpMatrix solveWarp(const CornerSet& corners)
{
    WarpMatrix warp;
    solveWarp(corners, warp);
    return warp;
}
