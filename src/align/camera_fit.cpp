// Fitting the outputs to the target.
#include "align/camera_fit.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

namespace {

constexpr double kInlierDistance = 2.0; // camera pixels
constexpr std::size_t kFewestPoints = 12;
// A point further than this from its neighbours' residual is a misread, not the wall's shape.
constexpr double kOutlierDistance = 2.0;
constexpr int32_t kFieldRadius = 3; // cells around a point whose residuals give the field there
constexpr int32_t kWidestFieldRadius = 12;
constexpr int32_t kEdgeSamples = 9;
constexpr int32_t kCoverageSamples = 21;
constexpr double kSmallestShare = 0.02; // of the picture's side, for an output to take part

std::optional<Homography> inverted(const Homography& h)
{
    const double a = h[4] * h[8] - h[5] * h[7], b = h[5] * h[6] - h[3] * h[8], c = h[3] * h[7] - h[4] * h[6];
    const double determinant = h[0] * a + h[1] * b + h[2] * c;
    if (!std::isfinite(determinant) || std::abs(determinant) < 1e-300)
        return std::nullopt;
    return Homography{a / determinant,
                      (h[2] * h[7] - h[1] * h[8]) / determinant,
                      (h[1] * h[5] - h[2] * h[4]) / determinant,
                      b / determinant,
                      (h[0] * h[8] - h[2] * h[6]) / determinant,
                      (h[2] * h[3] - h[0] * h[5]) / determinant,
                      c / determinant,
                      (h[1] * h[6] - h[0] * h[7]) / determinant,
                      (h[0] * h[4] - h[1] * h[3]) / determinant};
}

PlanePoint minus(PlanePoint a, PlanePoint b)
{
    return {a.x - b.x, a.y - b.y};
}

double length(PlanePoint a)
{
    return std::hypot(a.x, a.y);
}

double median(std::vector<double> values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One output's light as the camera sees it: G, and on a wall that is not flat the field of what G leaves,
// kept per code cell.
class LightModel {
public:
    bool fit(const OutputLight& light)
    {
        const auto robust = fitHomographyRobustly(light.points, kInlierDistance);
        if (!robust || robust->inliers.size() < kFewestPoints)
            return false;
        const auto back = inverted(robust->homography);
        if (!back)
            return false;
        toCamera_ = robust->homography;
        fromCamera_ = *back;
        block_ = std::max(light.block, 1);
        across_ = (light.width + block_ - 1) / block_;
        down_ = (light.height + block_ - 1) / block_;
        cells_.assign(static_cast<std::size_t>(across_) * static_cast<std::size_t>(down_), Cell{});
        for (const Correspondence& point : light.points) {
            const auto column = static_cast<int32_t>(point.from.x / block_), row = static_cast<int32_t>(point.from.y / block_);
            if (column < 0 || row < 0 || column >= across_ || row >= down_)
                continue;
            cells_[index(column, row)] = {point.from, minus(point.to, mapPoint(toCamera_, point.from)), true};
        }
        dropMisreads();
        double squares = 0.0;
        used_ = 0;
        for (const Cell& cell : cells_)
            if (cell.used) {
                squares += cell.residual.x * cell.residual.x + cell.residual.y * cell.residual.y;
                ++used_;
            }
        if (used_ < static_cast<int32_t>(kFewestPoints))
            return false;
        error_ = std::sqrt(squares / used_);
        bent_ = error_ > kMeshNeededError;
        if (bent_) {
            squares = 0.0;
            for (const Cell& cell : cells_)
                if (cell.used) {
                    const PlanePoint left = minus(cell.residual, residualAt(cell.projector));
                    squares += left.x * left.x + left.y * left.y;
                }
            error_ = std::sqrt(squares / used_);
        }
        return true;
    }

    bool bent() const { return bent_; }
    int32_t pointsUsed() const { return used_; }
    double remainingError() const { return error_; }

    PlanePoint cameraPointOf(PlanePoint projector) const
    {
        PlanePoint camera = mapPoint(toCamera_, projector);
        if (bent_) {
            const PlanePoint residual = residualAt(projector);
            camera = {camera.x + residual.x, camera.y + residual.y};
        }
        return camera;
    }

    // The projector point the camera sees at `camera`: G's inverse, then on a bent wall corrected until the
    // field agrees.
    PlanePoint projectorPointAt(PlanePoint camera) const
    {
        PlanePoint projector = mapPoint(fromCamera_, camera);
        if (bent_)
            for (int32_t round = 0; round < 8; ++round) {
                const PlanePoint residual = residualAt(projector);
                projector = mapPoint(fromCamera_, {camera.x - residual.x, camera.y - residual.y});
            }
        return projector;
    }

private:
    struct Cell {
        PlanePoint projector;
        PlanePoint residual;
        bool used = false;
    };

    std::size_t index(int32_t column, int32_t row) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(across_) + static_cast<std::size_t>(column);
    }

    // A cell whose residual differs from its neighbours' median by more than kOutlierDistance was misread.
    void dropMisreads()
    {
        std::vector<bool> misread(cells_.size(), false);
        for (int32_t row = 0; row < down_; ++row)
            for (int32_t column = 0; column < across_; ++column) {
                const Cell& cell = cells_[index(column, row)];
                if (!cell.used)
                    continue;
                std::vector<double> xs, ys;
                for (int32_t dy = -1; dy <= 1; ++dy)
                    for (int32_t dx = -1; dx <= 1; ++dx) {
                        const int32_t c = column + dx, r = row + dy;
                        if ((dx || dy) && c >= 0 && r >= 0 && c < across_ && r < down_ && cells_[index(c, r)].used) {
                            xs.push_back(cells_[index(c, r)].residual.x);
                            ys.push_back(cells_[index(c, r)].residual.y);
                        }
                    }
                misread[index(column, row)] =
                    xs.size() < 2 || length({cell.residual.x - median(xs), cell.residual.y - median(ys)}) > kOutlierDistance;
            }
        for (std::size_t at = 0; at < cells_.size(); ++at)
            cells_[at].used = cells_[at].used && !misread[at];
    }

    // The field at a projector point: a plane through the residuals of the cells around it, by least
    // squares, so that a point near the light's edge, with neighbours on one side only, is not pulled
    // towards them.
    PlanePoint residualAt(PlanePoint projector) const
    {
        const auto centreColumn = static_cast<int32_t>(std::lround(projector.x / block_));
        const auto centreRow = static_cast<int32_t>(std::lround(projector.y / block_));
        for (int32_t radius = kFieldRadius; radius <= kWidestFieldRadius; radius *= 2) {
            // Normal equations of r = a + b dx + c dy, dx and dy in cells.
            double m[3][3] = {}, vx[3] = {}, vy[3] = {};
            int32_t count = 0;
            for (int32_t row = std::max(centreRow - radius, 0); row <= std::min(centreRow + radius, down_ - 1); ++row)
                for (int32_t column = std::max(centreColumn - radius, 0); column <= std::min(centreColumn + radius, across_ - 1); ++column) {
                    const Cell& cell = cells_[index(column, row)];
                    if (!cell.used)
                        continue;
                    const double basis[3] = {1.0, (cell.projector.x - projector.x) / block_,
                                             (cell.projector.y - projector.y) / block_};
                    for (int32_t i = 0; i < 3; ++i) {
                        for (int32_t j = 0; j < 3; ++j)
                            m[i][j] += basis[i] * basis[j];
                        vx[i] += basis[i] * cell.residual.x;
                        vy[i] += basis[i] * cell.residual.y;
                    }
                    ++count;
                }
            if (count < 6)
                continue;
            const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
            if (std::abs(det) < 1e-9)
                continue;
            // Only the constant term is wanted: Cramer's rule for it.
            const auto constant = [&](const double* v) {
                return (v[0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (v[1] * m[2][2] - m[1][2] * v[2]) +
                        m[0][2] * (v[1] * m[2][1] - m[1][1] * v[2])) /
                       det;
            };
            return {constant(vx), constant(vy)};
        }
        return {};
    }

    Homography toCamera_{};
    Homography fromCamera_{};
    int32_t block_ = 1, across_ = 0, down_ = 0;
    std::vector<Cell> cells_;
    bool bent_ = false;
    int32_t used_ = 0;
    double error_ = 0.0;
};

struct PictureRect {
    double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
    bool holds(double s, double t) const
    {
        constexpr double slack = 1e-9;
        return s >= left - slack && s <= right + slack && t >= top - slack && t <= bottom + slack;
    }
};

// The widest upright rectangle of the picture inside the output's light: its edges sampled through the
// model into the picture's points, each side as far in as its furthest sample.
PictureRect pictureInsideLight(const LightModel& model, const OutputLight& light, const Homography& cameraToPicture)
{
    const double right = light.width - 1.0, bottom = light.height - 1.0;
    PictureRect rect{-1e9, -1e9, 1e9, 1e9};
    for (int32_t at = 0; at < kEdgeSamples; ++at) {
        const double f = static_cast<double>(at) / (kEdgeSamples - 1);
        const auto picture = [&](double x, double y) { return mapPoint(cameraToPicture, model.cameraPointOf({x, y})); };
        rect.left = std::max(rect.left, picture(0.0, f * bottom).x);
        rect.right = std::min(rect.right, picture(right, f * bottom).x);
        rect.top = std::max(rect.top, picture(f * right, 0.0).y);
        rect.bottom = std::min(rect.bottom, picture(f * right, bottom).y);
    }
    rect.left = std::max(rect.left, 0.0);
    rect.top = std::max(rect.top, 0.0);
    rect.right = std::min(rect.right, 1.0);
    rect.bottom = std::min(rect.bottom, 1.0);
    return rect;
}

struct Overlaps {
    double left = 0.0, right = 0.0, top = 0.0, bottom = 0.0; // in the picture's units
};

// Neighbours side by side share their overlap as a blend band each, one above the other likewise; a band
// wider than half of either output is narrowed about its middle.
void shareOverlaps(std::vector<PictureRect>& rects, std::vector<Overlaps>& overlaps, const std::vector<std::size_t>& taking)
{
    for (std::size_t i = 0; i < taking.size(); ++i)
        for (std::size_t j = i + 1; j < taking.size(); ++j) {
            PictureRect& a = rects[taking[i]];
            PictureRect& b = rects[taking[j]];
            const double across = std::min(a.right, b.right) - std::max(a.left, b.left);
            const double down = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
            if (across <= 0.0 || down <= 0.0)
                continue;
            const double dx = (b.left + b.right - a.left - a.right) / 2, dy = (b.top + b.bottom - a.top - a.bottom) / 2;
            const bool sideBySide = std::abs(dx) >= std::abs(dy);
            const std::size_t first = (sideBySide ? dx : dy) >= 0.0 ? taking[i] : taking[j];
            const std::size_t second = first == taking[i] ? taking[j] : taking[i];
            PictureRect& before = rects[first];
            PictureRect& after = rects[second];
            double& end = sideBySide ? before.right : before.bottom;
            double& start = sideBySide ? after.left : after.top;
            double band = end - start;
            if (band <= 0.0)
                continue;
            const double widest = kLargestBlendWidth * std::min(sideBySide ? before.right - before.left : before.bottom - before.top,
                                                                sideBySide ? after.right - after.left : after.bottom - after.top);
            if (band > widest) {
                const double middle = (end + start) / 2;
                end = middle + widest / 2;
                start = middle - widest / 2;
                band = widest;
            }
            (sideBySide ? overlaps[first].right : overlaps[first].bottom) = band;
            (sideBySide ? overlaps[second].left : overlaps[second].top) = band;
        }
}

CornerPoint deviceCoordinates(PlanePoint projector, const OutputLight& light)
{
    return {static_cast<float>(2.0 * (projector.x + 0.5) / light.width - 1.0),
            static_cast<float>(1.0 - 2.0 * (projector.y + 0.5) / light.height)};
}

// The output's first surface showing `rect` of the picture where the target wants it.
SurfaceValues alignedSurface(const LightModel& model, const OutputLight& light, const Homography& pictureToCamera,
                             const PictureRect& rect, const Overlaps& overlap, SurfaceValues surface, double exponent)
{
    const double width = rect.right - rect.left, height = rect.bottom - rect.top;
    const auto shownAt = [&](PicturePoint own) {
        const PlanePoint picture{rect.left + own.s * width, rect.top + own.t * height};
        return deviceCoordinates(model.projectorPointAt(mapPoint(pictureToCamera, picture)), light);
    };
    for (int32_t corner = 0; corner < 4; ++corner)
        surface.corners[static_cast<std::size_t>(corner)] = shownAt({static_cast<float>(corner % 2), static_cast<float>(corner / 2)});
    surface.mesh = Mesh{};
    if (model.bent()) {
        surface.mesh = resizedMesh(Mesh{}, kLargestMeshSide, kLargestMeshSide);
        const WarpMatrix warp = solveWarp(surface.corners);
        for (int32_t point = 0; point < surface.mesh.pointCount(); ++point) {
            if (cornerOfPoint(surface.mesh, point) != -1)
                continue;
            const PicturePoint rest = restPosition(surface.mesh, point);
            if (const auto shown = picturePointAt(warp, shownAt(rest)))
                surface.mesh.offsets[static_cast<std::size_t>(point)] = {shown->s - rest.s, shown->t - rest.t};
        }
    }
    surface.source = {static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
                      static_cast<float>(rect.bottom)};
    surface.blend.left = static_cast<float>(overlap.left / width);
    surface.blend.right = static_cast<float>(overlap.right / width);
    surface.blend.top = static_cast<float>(overlap.top / height);
    surface.blend.bottom = static_cast<float>(overlap.bottom / height);
    if (overlap.left + overlap.right + overlap.top + overlap.bottom > 0.0 && exponent > 0.0)
        surface.blend.gamma = static_cast<float>(std::clamp(exponent, double(kSmallestBlendGamma), double(kLargestBlendGamma)));
    return surface;
}

} // namespace

CameraQuad middleHalfOf(int32_t cameraWidth, int32_t cameraHeight)
{
    const double left = cameraWidth / 4.0, right = cameraWidth * 3.0 / 4.0;
    const double top = cameraHeight / 4.0, bottom = cameraHeight * 3.0 / 4.0;
    return {{{left, top}, {right, top}, {left, bottom}, {right, bottom}}};
}

AlignmentResult alignOutputsToTarget(const std::vector<OutputLight>& lights, const CameraQuad& target,
                                     const std::vector<SurfaceValues>& current, double responseExponent)
{
    AlignmentResult result;
    result.outputs.resize(lights.size());
    const auto pictureToCamera = fitHomography({{{0, 0}, target[0]}, {{1, 0}, target[1]}, {{0, 1}, target[2]}, {{1, 1}, target[3]}});
    const auto cameraToPicture = pictureToCamera ? inverted(*pictureToCamera) : std::nullopt;
    if (!cameraToPicture) {
        result.failure = AlignmentFailure::TargetOutOfReach;
        return result;
    }
    std::vector<LightModel> models(lights.size());
    std::vector<PictureRect> rects(lights.size());
    std::vector<std::size_t> taking;
    bool anySeen = false;
    for (std::size_t at = 0; at < lights.size(); ++at) {
        if (!models[at].fit(lights[at]))
            continue;
        anySeen = true;
        rects[at] = pictureInsideLight(models[at], lights[at], *cameraToPicture);
        if (rects[at].right - rects[at].left > kSmallestShare && rects[at].bottom - rects[at].top > kSmallestShare)
            taking.push_back(at);
    }
    if (!anySeen) {
        result.failure = AlignmentFailure::TooFewPoints;
        return result;
    }
    // Every part of the picture must fall in some output's light.
    for (int32_t row = 0; row < kCoverageSamples; ++row)
        for (int32_t column = 0; column < kCoverageSamples; ++column) {
            const double s = static_cast<double>(column) / (kCoverageSamples - 1), t = static_cast<double>(row) / (kCoverageSamples - 1);
            if (std::none_of(taking.begin(), taking.end(), [&](std::size_t at) { return rects[at].holds(s, t); })) {
                result.failure = AlignmentFailure::TargetOutOfReach;
                return result;
            }
        }
    std::vector<Overlaps> overlaps(lights.size());
    shareOverlaps(rects, overlaps, taking);
    for (std::size_t at : taking) {
        AlignedOutput& output = result.outputs[at];
        output.aligned = true;
        output.surface = alignedSurface(models[at], lights[at], *pictureToCamera, rects[at], overlaps[at],
                                        at < current.size() ? current[at] : SurfaceValues{}, responseExponent);
        output.pointsUsed = models[at].pointsUsed();
        output.remainingError = models[at].remainingError();
    }
    return result;
}
