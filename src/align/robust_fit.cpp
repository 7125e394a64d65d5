// Direct linear fit with normalisation, and random sample consensus around it.
#include "align/robust_fit.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// A similarity that moves the points' centroid to the origin and their mean distance to sqrt(2).
struct Normalisation {
    double scale = 1.0, cx = 0.0, cy = 0.0;
    PlanePoint apply(PlanePoint p) const { return {(p.x - cx) * scale, (p.y - cy) * scale}; }
};

template <typename Pick>
Normalisation normalisationOf(const std::vector<Correspondence>& points, Pick pick)
{
    Normalisation n;
    for (const Correspondence& c : points) {
        n.cx += pick(c).x;
        n.cy += pick(c).y;
    }
    n.cx /= static_cast<double>(points.size());
    n.cy /= static_cast<double>(points.size());
    double distance = 0.0;
    for (const Correspondence& c : points)
        distance += std::hypot(pick(c).x - n.cx, pick(c).y - n.cy);
    distance /= static_cast<double>(points.size());
    n.scale = distance > 0.0 ? std::sqrt(2.0) / distance : 1.0;
    return n;
}

// Solves the 8 x 8 system in place by Gaussian elimination with partial pivoting; false when singular.
bool solve8(std::array<std::array<double, 9>, 8>& system)
{
    for (int column = 0; column < 8; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 8; ++row)
            if (std::abs(system[row][column]) > std::abs(system[pivot][column]))
                pivot = row;
        if (std::abs(system[pivot][column]) < 1e-12)
            return false;
        std::swap(system[column], system[pivot]);
        for (int row = 0; row < 8; ++row) {
            if (row == column)
                continue;
            const double factor = system[row][column] / system[column][column];
            for (int k = column; k < 9; ++k)
                system[row][k] -= factor * system[column][k];
        }
    }
    for (int row = 0; row < 8; ++row)
        system[row][8] /= system[row][row];
    return true;
}

double squaredError(const Homography& h, const Correspondence& c)
{
    const PlanePoint mapped = mapPoint(h, c.from);
    return (mapped.x - c.to.x) * (mapped.x - c.to.x) + (mapped.y - c.to.y) * (mapped.y - c.to.y);
}

} // namespace

PlanePoint mapPoint(const Homography& h, PlanePoint p)
{
    const double w = h[6] * p.x + h[7] * p.y + h[8];
    return {(h[0] * p.x + h[1] * p.y + h[2]) / w, (h[3] * p.x + h[4] * p.y + h[5]) / w};
}

std::optional<Homography> fitHomography(const std::vector<Correspondence>& correspondences)
{
    if (correspondences.size() < 4)
        return std::nullopt;
    const Normalisation from = normalisationOf(correspondences, [](const Correspondence& c) { return c.from; });
    const Normalisation to = normalisationOf(correspondences, [](const Correspondence& c) { return c.to; });
    // The normal equations of the linear system with h8 = 1, in normalised coordinates.
    std::array<std::array<double, 9>, 8> system{};
    for (const Correspondence& c : correspondences) {
        const PlanePoint p = from.apply(c.from), q = to.apply(c.to);
        const double rows[2][9] = {{p.x, p.y, 1, 0, 0, 0, -q.x * p.x, -q.x * p.y, q.x},
                                   {0, 0, 0, p.x, p.y, 1, -q.y * p.x, -q.y * p.y, q.y}};
        for (const auto& row : rows)
            for (int i = 0; i < 8; ++i)
                for (int j = 0; j < 9; ++j)
                    system[i][j] += row[i] * row[j];
    }
    if (!solve8(system))
        return std::nullopt;
    const Homography normalised{system[0][8], system[1][8], system[2][8], system[3][8], system[4][8],
                                system[5][8], system[6][8], system[7][8], 1.0};
    // Back to pixels: H = T_to^-1 * N * T_from.
    const double s = from.scale, a = -from.cx * from.scale, b = -from.cy * from.scale;
    Homography withFrom{};
    for (int row = 0; row < 3; ++row) {
        const double* n = &normalised[row * 3];
        withFrom[row * 3 + 0] = n[0] * s;
        withFrom[row * 3 + 1] = n[1] * s;
        withFrom[row * 3 + 2] = n[0] * a + n[1] * b + n[2];
    }
    Homography h{};
    const double inverse = 1.0 / to.scale;
    for (int column = 0; column < 3; ++column) {
        h[column] = withFrom[column] * inverse + to.cx * withFrom[6 + column];
        h[3 + column] = withFrom[3 + column] * inverse + to.cy * withFrom[6 + column];
        h[6 + column] = withFrom[6 + column];
    }
    if (!std::all_of(h.begin(), h.end(), [](double v) { return std::isfinite(v); }) || std::abs(h[8]) < 1e-15)
        return std::nullopt;
    for (double& v : h)
        v /= h[8];
    return h;
}

std::optional<RobustFit> fitHomographyRobustly(const std::vector<Correspondence>& correspondences, double threshold,
                                               int32_t iterations, uint32_t seed)
{
    if (correspondences.size() < 4)
        return std::nullopt;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, correspondences.size() - 1);
    const double limit = threshold * threshold;
    std::vector<std::size_t> best;
    for (int32_t round = 0; round < iterations; ++round) {
        std::array<std::size_t, 4> chosen{};
        for (std::size_t i = 0; i < 4; ++i) {
            do
                chosen[i] = pick(random);
            while (std::find(chosen.begin(), chosen.begin() + i, chosen[i]) != chosen.begin() + i);
        }
        std::vector<Correspondence> sample;
        for (std::size_t at : chosen)
            sample.push_back(correspondences[at]);
        const auto candidate = fitHomography(sample);
        if (!candidate)
            continue;
        std::vector<std::size_t> inliers;
        for (std::size_t at = 0; at < correspondences.size(); ++at)
            if (squaredError(*candidate, correspondences[at]) < limit)
                inliers.push_back(at);
        if (inliers.size() > best.size())
            best = std::move(inliers);
    }
    if (best.size() < 4)
        return std::nullopt;
    std::vector<Correspondence> agreeing;
    for (std::size_t at : best)
        agreeing.push_back(correspondences[at]);
    const auto refit = fitHomography(agreeing);
    if (!refit)
        return std::nullopt;
    RobustFit fit{*refit, std::move(best), 0.0};
    double sum = 0.0;
    for (std::size_t at : fit.inliers)
        sum += squaredError(fit.homography, correspondences[at]);
    fit.rmsError = std::sqrt(sum / static_cast<double>(fit.inliers.size()));
    return fit;
}
