// 4x4 helpers on WarpMatrix.
#include "warp/warp_matrix.h"

WarpMatrix identityMatrix()
{
    return scalingMatrix(1.0f, 1.0f, 1.0f);
}

WarpMatrix translationMatrix(float x, float y, float z)
{
    WarpMatrix matrix = identityMatrix();
    matrix.at(3, 0) = x;
    matrix.at(3, 1) = y;
    matrix.at(3, 2) = z;
    return matrix;
}

WarpMatrix scalingMatrix(float x, float y, float z)
{
    WarpMatrix matrix;
    matrix.at(0, 0) = x;
    matrix.at(1, 1) = y;
    matrix.at(2, 2) = z;
    matrix.at(3, 3) = 1.0f;
    return matrix;
}

WarpMatrix multiply(const WarpMatrix& a, const WarpMatrix& b)
{
    WarpMatrix product;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.at(row, k) * b.at(k, column);
            product.at(row, column) = sum;
        }
    return product;
}

