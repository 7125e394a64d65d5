// solveWarp: Gauss-Jordan elimination of the 8 x 9 system that the four correspondences give.
//
// Columns 0 to 5 of the system hold only the unit quad's constants, so the pivot rows, divisors and
// factors that the elimination meets in those columns are the same for every call. They are worked
// out once, at compile time, by running the very same elimination on the constant columns; a call then
// applies exactly those operations, in the same order, to the three columns that hold the corners
// (6, 7 and the right-hand side), and eliminates columns 6 and 7 in full. Every value computed is the
// one the plain elimination computes; operations that would subtract a zero product are left out.
#include "warp/solve_warp.h"

#include <cmath>
#include <utility>

namespace {

constexpr int kUnknowns = 8;
constexpr int kConstantColumns = 6;
constexpr int kDataColumns = 3; // columns 6, 7 and the right-hand side
constexpr double kSingularPivot = 1e-9;

// Unit-quad point of each corner, in the order TL, TR, BL, BR.
constexpr double kQuad[4][2] = {{-1.0, 1.0}, {1.0, 1.0}, {-1.0, -1.0}, {1.0, -1.0}};

constexpr double magnitude(double x)
{
    return x < 0.0 ? -x : x;
}

// What the elimination does in one constant column k: the divisor of row k and the factor of every
// other row. Rows are named by where they are stored: exchanging two rows only exchanges their names
// in `storedAt`, so no value moves.
struct ColumnStep {
    int storedAt[kUnknowns] = {};
    double divisor = 1.0;
    double factor[kUnknowns] = {};
};

struct Plan {
    ColumnStep steps[kConstantColumns];
    int storedAt[kUnknowns] = {}; // after the constant columns
};

// Rows 2i and 2i + 1 of corner i: (u, v, 1, 0, 0, 0) and (0, 0, 0, u, v, 1).
constexpr Plan makePlan()
{
    double a[kUnknowns][kConstantColumns] = {};
    for (int i = 0; i < 4; ++i) {
        const double u = kQuad[i][0], v = kQuad[i][1];
        a[2 * i][0] = u, a[2 * i][1] = v, a[2 * i][2] = 1.0;
        a[2 * i + 1][3] = u, a[2 * i + 1][4] = v, a[2 * i + 1][5] = 1.0;
    }
    Plan plan;
    int storedAt[kUnknowns] = {0, 1, 2, 3, 4, 5, 6, 7};
    for (int k = 0; k < kConstantColumns; ++k) {
        ColumnStep& step = plan.steps[k];
        int pivot = k;
        for (int i = k + 1; i < kUnknowns; ++i)
            if (magnitude(a[i][k]) > magnitude(a[pivot][k]))
                pivot = i;
        for (int j = 0; j < kConstantColumns; ++j) {
            const double t = a[k][j];
            a[k][j] = a[pivot][j];
            a[pivot][j] = t;
        }
        const int t = storedAt[k];
        storedAt[k] = storedAt[pivot];
        storedAt[pivot] = t;
        for (int i = 0; i < kUnknowns; ++i)
            step.storedAt[i] = storedAt[i];
        step.divisor = a[k][k];
        for (int j = k; j < kConstantColumns; ++j)
            a[k][j] /= step.divisor;
        for (int i = 0; i < kUnknowns; ++i) {
            if (i == k)
                continue;
            step.factor[i] = a[i][k];
            for (int j = k; j < kConstantColumns; ++j)
                a[i][j] -= step.factor[i] * a[k][j];
        }
    }
    for (int i = 0; i < kUnknowns; ++i)
        plan.storedAt[i] = storedAt[i];
    return plan;
}

constexpr Plan kPlan = makePlan();

// The unit quad always gives proper pivots in its constant columns, so none of them is passed over.
constexpr bool noConstantColumnIsSingular()
{
    for (const ColumnStep& step : kPlan.steps)
        if (!(magnitude(step.divisor) > kSingularPivot))
            return false;
    return true;
}
static_assert(noConstantColumnIsSingular());

using DataRows = double[kUnknowns][kDataColumns];

// One constant column, unrolled at compile time: rows whose factor is zero are not touched at all.
template <int K, int I>
inline void eliminateConstantRow(DataRows d)
{
    constexpr ColumnStep step = kPlan.steps[K];
    constexpr double factor = step.factor[I];
    if constexpr (I != K && factor != 0.0)
        for (int j = 0; j < kDataColumns; ++j)
            d[step.storedAt[I]][j] -= factor * d[step.storedAt[K]][j];
}

template <int K, int... I>
inline void applyConstantStep(DataRows d, std::integer_sequence<int, I...>)
{
    constexpr ColumnStep step = kPlan.steps[K];
    if constexpr (step.divisor != 1.0)
        for (int j = 0; j < kDataColumns; ++j)
            d[step.storedAt[K]][j] /= step.divisor;
    (eliminateConstantRow<K, I>(d), ...);
}

template <int... K>
inline void applyConstantSteps(DataRows d, std::integer_sequence<int, K...>)
{
    (applyConstantStep<K>(d, std::make_integer_sequence<int, kUnknowns>{}), ...);
}

// Columns 6 and 7 depend on the corners: pivot (the upper row on ties), pass over a pivot of at most
// 1e-9 or not a number, normalise, eliminate above and below. The row exchange is done by selection
// rather than by a branch, which the corners would make unpredictable.
template <int K, int I>
inline void eliminateDataRow(DataRows d)
{
    constexpr int column = K - kConstantColumns;
    constexpr int row = kPlan.storedAt[I], pivotRow = kPlan.storedAt[K];
    if constexpr (I != K) {
        const double factor = d[row][column];
        for (int j = column + 1; j < kDataColumns; ++j)
            d[row][j] -= factor * d[pivotRow][j];
    }
}

template <int K, int... I>
inline void eliminateDataColumn(DataRows d, std::integer_sequence<int, I...>)
{
    static_assert(K + 2 >= kUnknowns, "exchange by selection equals the pivot search only with one row below");
    constexpr int column = K - kConstantColumns;
    constexpr int pivotRow = kPlan.storedAt[K];
    if constexpr (K + 1 < kUnknowns) {
        constexpr int below = kPlan.storedAt[K + 1];
        const bool lower = std::fabs(d[below][column]) > std::fabs(d[pivotRow][column]);
        for (int j = 0; j < kDataColumns; ++j) {
            const double upper = d[pivotRow][j], other = d[below][j];
            d[pivotRow][j] = lower ? other : upper;
            d[below][j] = lower ? upper : other;
        }
    }
    const double divisor = d[pivotRow][column];
    if (!(std::fabs(divisor) > kSingularPivot))
        return;
    // The pivot column itself becomes 1 and 0 and is never read again: only the columns after it are
    // computed.
    for (int j = column + 1; j < kDataColumns; ++j)
        d[pivotRow][j] /= divisor;
    (eliminateDataRow<K, I>(d), ...);
}

} // namespace

void solveWarp(const CornerSet& corners, WarpMatrix& warp)
{
    // Columns 6, 7 and 8 of rows 2i and 2i + 1: (-u x, -v x, x) and (-u y, -v y, y).
    DataRows d;
    for (int i = 0; i < 4; ++i) {
        const double u = kQuad[i][0], v = kQuad[i][1];
        const double x = corners[static_cast<std::size_t>(i)].x, y = corners[static_cast<std::size_t>(i)].y;
        d[2 * i][0] = -u * x, d[2 * i][1] = -v * x, d[2 * i][2] = x;
        d[2 * i + 1][0] = -u * y, d[2 * i + 1][1] = -v * y, d[2 * i + 1][2] = y;
    }
    applyConstantSteps(d, std::make_integer_sequence<int, kConstantColumns>{});
    eliminateDataColumn<6>(d, std::make_integer_sequence<int, kUnknowns>{});
    eliminateDataColumn<7>(d, std::make_integer_sequence<int, kUnknowns>{});

    float h[kUnknowns];
    for (int i = 0; i < kUnknowns; ++i)
        h[i] = static_cast<float>(d[kPlan.storedAt[i]][2]);
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
