// A homography fitted to point correspondences, robust to outliers: random samples of four (RANSAC),
// then a least-squares fit to the inliers of the best, on plain values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct PlanePoint {
    double x = 0.0;
    double y = 0.0;
};

struct Correspondence {
    PlanePoint from;
    PlanePoint to;
};

// Row by row; (x, y, 1) maps to (h0 x + h1 y + h2, h3 x + h4 y + h5) / (h6 x + h7 y + h8).
using Homography = std::array<double, 9>;

PlanePoint mapPoint(const Homography& homography, PlanePoint point);

// The least-squares homography through four or more correspondences (normalised first, so that pixel
// coordinates keep it well conditioned); nothing when they are degenerate (fewer than four, or collinear).
std::optional<Homography> fitHomography(const std::vector<Correspondence>& correspondences);

struct RobustFit {
    Homography homography{};
    std::vector<std::size_t> inliers; // indices into the correspondences
    double rmsError = 0.0;            // over the inliers, in the target's units
};

// The homography most correspondences agree with within `threshold`, refitted to all of them; nothing when
// no sample of four gives one. `seed` makes the samples repeatable.
std::optional<RobustFit> fitHomographyRobustly(const std::vector<Correspondence>& correspondences, double threshold,
                                               int32_t iterations = 500, uint32_t seed = 1);
