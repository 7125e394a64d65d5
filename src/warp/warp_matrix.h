// WarpMatrix and the few 4x4 operations the drawing needs (the SDK's matrix library is not at hand).
#pragma once

#include <array>

// 16 floats row by row: element (r, c) is m[4r + c]. Applied to the column (x, y, 0, 1); the resulting
// w goes on to the rasteriser's division.
struct WarpMatrix {
    std::array<float, 16> m{};

    float at(int row, int column) const { return m[static_cast<std::size_t>(4 * row + column)]; }
    float& at(int row, int column) { return m[static_cast<std::size_t>(4 * row + column)]; }
    bool operator==(const WarpMatrix&) const = default;
};

WarpMatrix identityMatrix();
// The identity whose fourth row is (x, y, z, 1), like the SDK's translation matrix.
WarpMatrix translationMatrix(float x, float y, float z);
// The diagonal (x, y, z, 1).
WarpMatrix scalingMatrix(float x, float y, float z);
// The ordinary product a x b of the two row-by-row matrices, in that order.
WarpMatrix multiply(const WarpMatrix& a, const WarpMatrix& b);

