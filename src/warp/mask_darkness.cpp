// The masks' darkness, row by row. A row's even-odd spans say which pixels are inside; only those within
// the feather of an edge need a distance, and each edge reaches those of a row in one interval (the points
// within the feather of a segment form a convex capsule), so the rest are found fully dark or clear.
#include "warp/mask_darkness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Narrower feathers are hard edges: their squares would vanish in float.
constexpr float kLeastFeather = 1e-3f;

// Window pixels, in double: points far beyond the window keep their edges' slopes exact.
struct Edge {
    double x0, y0, x1, y1;
    double ux, uy; // unit direction; (1, 0) for an edge of no length, which is then just its end discs
    double length;
    double top, bottom; // the rows its feather reaches
};

struct PreparedMask {
    std::array<Edge, kMostMaskPoints> edges;
    int32_t edgeCount = 0;
    float feather = 0.0f; // 0 for a hard edge
    bool invert = false;
    double top = kInfinity, bottom = -kInfinity; // the rows the polygon spans
};

PreparedMask prepare(const MaskValues& mask, int32_t width, int32_t height)
{
    PreparedMask prepared;
    prepared.feather = mask.feather >= kLeastFeather ? mask.feather : 0.0f;
    prepared.invert = mask.invert;
    const double feather = prepared.feather;
    const auto count = static_cast<int32_t>(mask.points.size());
    for (int32_t i = 0; i < count; ++i) {
        const CornerPoint& a = mask.points[static_cast<std::size_t>(i)];
        const CornerPoint& b = mask.points[static_cast<std::size_t>((i + 1) % count)];
        Edge& edge = prepared.edges[static_cast<std::size_t>(i)];
        edge.x0 = (a.x + 1.0) * 0.5 * width;
        edge.y0 = (1.0 - a.y) * 0.5 * height;
        edge.x1 = (b.x + 1.0) * 0.5 * width;
        edge.y1 = (1.0 - b.y) * 0.5 * height;
        const double dx = edge.x1 - edge.x0, dy = edge.y1 - edge.y0;
        edge.length = std::hypot(dx, dy);
        edge.ux = edge.length > 0.0 ? dx / edge.length : 1.0;
        edge.uy = edge.length > 0.0 ? dy / edge.length : 0.0;
        edge.top = std::min(edge.y0, edge.y1) - feather;
        edge.bottom = std::max(edge.y0, edge.y1) + feather;
        prepared.top = std::min(prepared.top, std::min(edge.y0, edge.y1));
        prepared.bottom = std::max(prepared.bottom, std::max(edge.y0, edge.y1));
    }
    prepared.edgeCount = count;
    return prepared;
}

// The first column whose centre lies at or right of x, kept within [lowest, highest].
int32_t columnFrom(double x, int32_t lowest, int32_t highest)
{
    const double column = std::ceil(x - 0.5);
    if (!(column > lowest))
        return lowest;
    return column < highest ? static_cast<int32_t>(column) : highest;
}

// Narrows [from, to] to the x where low <= c0 + c1 x <= high; false when nothing is left.
bool narrow(double c0, double c1, double low, double high, double& from, double& to)
{
    if (c1 == 0.0)
        return c0 >= low && c0 <= high && from <= to;
    double a = (low - c0) / c1, b = (high - c0) / c1;
    if (a > b)
        std::swap(a, b);
    from = std::max(from, a);
    to = std::min(to, b);
    return from <= to;
}

// The part of row y within `feather` of the edge: its two end discs and the band between them.
bool featherReach(const Edge& edge, double feather, double y, double& from, double& to)
{
    from = kInfinity;
    to = -kInfinity;
    const auto disc = [&](double cx, double cy) {
        const double h2 = feather * feather - (y - cy) * (y - cy);
        if (h2 >= 0.0) {
            const double h = std::sqrt(h2);
            from = std::min(from, cx - h);
            to = std::max(to, cx + h);
        }
    };
    disc(edge.x0, edge.y0);
    disc(edge.x1, edge.y1);
    // The band: 0 <= along <= length and |across| <= feather, both linear in x - x0.
    const double dy = y - edge.y0;
    double bandFrom = -kInfinity, bandTo = kInfinity;
    if (narrow(dy * edge.uy, edge.ux, 0.0, edge.length, bandFrom, bandTo) &&
        narrow(dy * edge.ux, -edge.uy, -feather, feather, bandFrom, bandTo)) {
        from = std::min(from, edge.x0 + bandFrom);
        to = std::max(to, edge.x0 + bandTo);
    }
    return from <= to;
}

// nearest[i] = min(nearest[i], squared distance from the centre of column i on row y to the edge).
void takeNearer(const Edge& edge, double y, int32_t from, int32_t to, float* nearest)
{
    const double x = from + 0.5 - edge.x0, dy = y - edge.y0;
    const double along = x * edge.ux + dy * edge.uy;
    // Measured from the nearer end, so that float keeps its precision on edges far longer than the window.
    const double base = along > 0.5 * edge.length ? edge.length : 0.0;
    const float along0 = static_cast<float>(along - base), low = static_cast<float>(-base),
                high = static_cast<float>(edge.length - base);
    const float across0 = static_cast<float>(dy * edge.ux - x * edge.uy);
    const float ux = static_cast<float>(edge.ux), uy = static_cast<float>(edge.uy);
    float* out = nearest + from;
    const int32_t count = to - from;
    for (int32_t k = 0; k < count; ++k) {
        const float step = static_cast<float>(k);
        const float a = along0 + step * ux;
        const float b = across0 - step * uy;
        const float beyond = a - std::min(std::max(a, low), high);
        out[k] = std::min(out[k], b * b + beyond * beyond);
    }
}

struct Columns {
    int32_t from = 0;
    int32_t to = 0;
};

// One row of the box at a time: each mask's darkness into a row of its own, then the darkest into the image.
class RowPainter {
public:
    RowPainter(int32_t left, int32_t right)
        : left_(left), right_(right), darkness_(static_cast<std::size_t>(right)),
          nearest_(static_cast<std::size_t>(right))
    {
    }

    void paint(const PreparedMask& mask, double y, uint8_t* row)
    {
        double crossings[kMostMaskPoints];
        int32_t count = 0;
        if (y >= mask.top && y < mask.bottom) {
            // Half-open in y: a vertex on the row counts for one of its edges where the outline passes
            // through the row, and for none or both where it turns back.
            for (int32_t i = 0; i < mask.edgeCount; ++i) {
                const Edge& edge = mask.edges[static_cast<std::size_t>(i)];
                if ((edge.y0 <= y) != (edge.y1 <= y))
                    crossings[count++] = edge.x0 + (y - edge.y0) * (edge.x1 - edge.x0) / (edge.y1 - edge.y0);
            }
            std::sort(crossings, crossings + count);
        }
        if (count == 0) {
            if (mask.invert)
                std::memset(row + left_, 255, static_cast<std::size_t>(right_ - left_));
            return;
        }
        // Only pixels between the outermost crossings can be inside.
        const Columns inner{columnFrom(crossings[0], left_, right_), columnFrom(crossings[count - 1], left_, right_)};
        const Columns drawn = mask.invert ? Columns{left_, right_} : inner;
        if (drawn.from >= drawn.to)
            return;
        const uint8_t insideValue = mask.invert ? 0 : 255;
        uint8_t* darkness = darkness_.data();
        std::memset(darkness + drawn.from, 255 - insideValue, static_cast<std::size_t>(drawn.to - drawn.from));
        for (int32_t i = 0; i + 1 < count; i += 2) {
            const int32_t from = columnFrom(crossings[i], left_, right_), to = columnFrom(crossings[i + 1], left_, right_);
            if (from < to)
                std::memset(darkness + from, insideValue, static_cast<std::size_t>(to - from));
        }
        if (mask.feather > 0.0f && inner.from < inner.to)
            feather(mask, y, inner);
        for (int32_t i = drawn.from; i < drawn.to; ++i)
            row[i] = std::max(row[i], darkness[i]);
    }

private:
    // Grades the inside pixels within the feather of an edge.
    void feather(const PreparedMask& mask, double y, Columns inner)
    {
        struct Reach {
            Columns columns;
            int32_t edge;
        };
        std::array<Reach, kMostMaskPoints> reaches;
        int32_t count = 0;
        for (int32_t i = 0; i < mask.edgeCount; ++i) {
            const Edge& edge = mask.edges[static_cast<std::size_t>(i)];
            double from = 0.0, to = 0.0;
            if (y < edge.top || y > edge.bottom || !featherReach(edge, mask.feather, y, from, to))
                continue;
            const Columns columns{columnFrom(from, inner.from, inner.to), columnFrom(to, inner.from, inner.to)};
            if (columns.from < columns.to)
                reaches[static_cast<std::size_t>(count++)] = {columns, i};
        }
        if (count == 0)
            return;
        std::sort(reaches.begin(), reaches.begin() + count,
                  [](const Reach& a, const Reach& b) { return a.columns.from < b.columns.from; });
        // The reaches merged, so that each pixel starts at the feather's square once and is graded once.
        std::array<Columns, kMostMaskPoints> merged;
        int32_t mergedCount = 0;
        for (int32_t i = 0; i < count; ++i) {
            const Columns& next = reaches[static_cast<std::size_t>(i)].columns;
            if (mergedCount > 0 && next.from <= merged[static_cast<std::size_t>(mergedCount - 1)].to)
                merged[static_cast<std::size_t>(mergedCount - 1)].to =
                    std::max(merged[static_cast<std::size_t>(mergedCount - 1)].to, next.to);
            else
                merged[static_cast<std::size_t>(mergedCount++)] = next;
        }
        float* nearest = nearest_.data();
        const float featherSquared = mask.feather * mask.feather;
        for (int32_t i = 0; i < mergedCount; ++i)
            std::fill(nearest + merged[static_cast<std::size_t>(i)].from, nearest + merged[static_cast<std::size_t>(i)].to,
                      featherSquared);
        for (int32_t i = 0; i < count; ++i) {
            const Reach& reach = reaches[static_cast<std::size_t>(i)];
            takeNearer(mask.edges[static_cast<std::size_t>(reach.edge)], y, reach.columns.from, reach.columns.to, nearest);
        }
        // Outside pixels keep their value: 0 for a mask (x & 0), 255 inverted (255 | x).
        const float scale = 255.0f / mask.feather;
        uint8_t* darkness = darkness_.data();
        for (int32_t i = 0; i < mergedCount; ++i) {
            const Columns& columns = merged[static_cast<std::size_t>(i)];
            if (mask.invert)
                for (int32_t x = columns.from; x < columns.to; ++x)
                    darkness[x] |= static_cast<uint8_t>(255.5f - std::sqrt(nearest[x]) * scale);
            else
                for (int32_t x = columns.from; x < columns.to; ++x)
                    darkness[x] &= static_cast<uint8_t>(std::sqrt(nearest[x]) * scale + 0.5f);
        }
    }

    int32_t left_;
    int32_t right_;
    std::vector<uint8_t> darkness_; // this mask's, by column
    std::vector<float> nearest_;    // squared distance to the nearest edge, capped at the feather's square
};

PixelBox clippedToWindow(PixelBox box, int32_t width, int32_t height)
{
    return {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, width), std::min(box.bottom, height)};
}

// A box of window pixels, grown point by point.
class PixelBounds {
public:
    void add(const CornerPoint& point, double grow, int32_t width, int32_t height)
    {
        const double x = (point.x + 1.0) * 0.5 * width, y = (1.0 - point.y) * 0.5 * height;
        left_ = std::min(left_, x - grow);
        right_ = std::max(right_, x + grow);
        top_ = std::min(top_, y - grow);
        bottom_ = std::max(bottom_, y + grow);
    }
    PixelBox box(int32_t width, int32_t height) const
    {
        const auto within = [](double value, int32_t highest) {
            return value <= 0.0 ? 0 : value >= highest ? highest : static_cast<int32_t>(value);
        };
        if (!(left_ <= right_))
            return {};
        const PixelBox box{within(std::floor(left_), width), within(std::floor(top_), height),
                           within(std::ceil(right_), width), within(std::ceil(bottom_), height)};
        return box.empty() ? PixelBox{} : box;
    }

private:
    double left_ = kInfinity, top_ = kInfinity, right_ = -kInfinity, bottom_ = -kInfinity;
};

} // namespace

void drawMaskDarkness(const std::vector<MaskValues>& masks, int32_t width, int32_t height, PixelBox box,
                      uint8_t* pixels)
{
    box = clippedToWindow(box, width, height);
    if (pixels == nullptr || box.empty())
        return;
    std::vector<PreparedMask> prepared;
    prepared.reserve(masks.size());
    for (const MaskValues& mask : masks)
        if (isMask(mask))
            prepared.push_back(prepare(mask, width, height));
    RowPainter painter(box.left, box.right);
    for (int32_t y = box.top; y < box.bottom; ++y) {
        uint8_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::memset(row + box.left, 0, static_cast<std::size_t>(box.right - box.left));
        for (const PreparedMask& mask : prepared)
            painter.paint(mask, y + 0.5, row);
    }
}

PixelBox changedMaskPixels(const std::vector<MaskValues>& before, const std::vector<MaskValues>& after,
                           int32_t width, int32_t height)
{
    const PixelBox window{0, 0, std::max(width, 0), std::max(height, 0)};
    if (window.empty())
        return {};
    const auto valid = [](const std::vector<MaskValues>& masks, std::size_t i) {
        return i < masks.size() && isMask(masks[i]) ? &masks[i] : nullptr;
    };
    // Outside the box of the edges that moved, grown by the feather, no distance within the feather changes;
    // and each run of moved edges joins the same two points before and after, so it crosses any row an odd
    // number of times before exactly when it does after: pixels beside the box keep their even-odd count.
    PixelBounds bounds;
    const auto addAll = [&](const MaskValues& mask, double grow) {
        for (const CornerPoint& point : mask.points)
            bounds.add(point, grow, width, height);
    };
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const MaskValues *old = valid(before, i), *now = valid(after, i);
        if (old == nullptr && now == nullptr)
            continue;
        if (old != nullptr && now != nullptr && *old == *now)
            continue;
        // An inverted mask darkens everything outside it.
        if ((old == nullptr || now == nullptr || old->invert != now->invert) &&
            ((old != nullptr && old->invert) || (now != nullptr && now->invert)))
            return window;
        if (old == nullptr || now == nullptr) {
            const MaskValues& present = old != nullptr ? *old : *now;
            addAll(present, 1.0);
            continue;
        }
        const double grow = std::max(old->feather, now->feather) + 1.0;
        if (old->points.size() != now->points.size() || old->feather != now->feather) {
            addAll(*old, grow);
            addAll(*now, grow);
            continue;
        }
        const std::size_t count = old->points.size();
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t k = (j + 1) % count;
            if (old->points[j] == now->points[j] && old->points[k] == now->points[k])
                continue;
            for (const std::size_t point : {j, k}) {
                bounds.add(old->points[point], grow, width, height);
                bounds.add(now->points[point], grow, width, height);
            }
        }
    }
    return bounds.box(width, height);
}
