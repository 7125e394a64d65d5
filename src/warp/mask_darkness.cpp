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

// Window pixels, in double. Whatever is measured along an edge is measured from its end nearer to the
// pixels concerned: from a point far beyond the window, a pixel's offset would be lost in rounding.
struct Edge {
    double x0, y0, x1, y1;
    double ux, uy; // unit direction; (1, 0) for an edge of no length, which is then just its end discs
    double length;
    double xPerY; // 0 for a level edge, which crosses no row
    double top, bottom; // the rows its feather reaches
};

// An end of an edge as the origin, and the span of `along` (from that end, towards the other) on the edge.
struct EdgeOrigin {
    double x, y;
    double low, high;
};

EdgeOrigin originAt(const Edge& edge, bool second)
{
    return second ? EdgeOrigin{edge.x1, edge.y1, -edge.length, 0.0} : EdgeOrigin{edge.x0, edge.y0, 0.0, edge.length};
}

// The end nearer to row y.
EdgeOrigin originNearRow(const Edge& edge, double y)
{
    return originAt(edge, std::abs(y - edge.y1) < std::abs(y - edge.y0));
}

struct PreparedMask {
    std::array<Edge, kMostMaskPoints> edges;
    int32_t edgeCount = 0;
    float feather = 0.0f; // 0 for a hard edge
    bool invert = false;
    double left = kInfinity, top = kInfinity, right = -kInfinity, bottom = -kInfinity; // the polygon's bounds
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
        edge.xPerY = dy != 0.0 ? dx / dy : 0.0;
        edge.top = std::min(edge.y0, edge.y1) - feather;
        edge.bottom = std::max(edge.y0, edge.y1) + feather;
        prepared.left = std::min(prepared.left, edge.x0);
        prepared.right = std::max(prepared.right, edge.x0);
        prepared.top = std::min(prepared.top, edge.y0);
        prepared.bottom = std::max(prepared.bottom, edge.y0);
    }
    prepared.edgeCount = count;
    return prepared;
}

// The first column whose centre lies at or right of x, kept within [lowest, highest] (lowest >= 0).
int32_t columnFrom(double x, int32_t lowest, int32_t highest)
{
    const double centre = x - 0.5;
    if (!(centre > lowest))
        return lowest;
    if (!(centre < highest))
        return highest;
    // Positive here, so truncating is flooring; std::ceil would be a call without SSE4.1.
    const auto column = static_cast<int32_t>(centre);
    return column < centre ? column + 1 : column;
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
    // The band: along within the edge and |across| <= feather, both linear in x - origin.x.
    const EdgeOrigin origin = originNearRow(edge, y);
    const double dy = y - origin.y;
    double bandFrom = -kInfinity, bandTo = kInfinity;
    if (narrow(dy * edge.uy, edge.ux, origin.low, origin.high, bandFrom, bandTo) &&
        narrow(dy * edge.ux, -edge.uy, -feather, feather, bandFrom, bandTo)) {
        from = std::min(from, origin.x + bandFrom);
        to = std::max(to, origin.x + bandTo);
    }
    return from <= to;
}

// nearest[i] = min(nearest[i], squared distance from the centre of column i on row y to the edge), for i
// in [from, to). Each pixel's figure is computed from `anchor`, a column fixed by the edge and the row
// alone, so that redrawing part of the window gives exactly what drawing all of it does.
void takeNearer(const Edge& edge, double y, int32_t anchor, int32_t from, int32_t to, float* nearest)
{
    const double ax = anchor + 0.5;
    const auto squared = [&](double x0, double y0) { return (ax - x0) * (ax - x0) + (y - y0) * (y - y0); };
    const EdgeOrigin origin = originAt(edge, squared(edge.x1, edge.y1) < squared(edge.x0, edge.y0));
    const double x = ax - origin.x, dy = y - origin.y;
    const float along0 = static_cast<float>(x * edge.ux + dy * edge.uy);
    const float across0 = static_cast<float>(dy * edge.ux - x * edge.uy);
    const float low = static_cast<float>(origin.low), high = static_cast<float>(origin.high);
    const float ux = static_cast<float>(edge.ux), uy = static_cast<float>(edge.uy);
    for (int32_t i = from; i < to; ++i) {
        const float step = static_cast<float>(i - anchor);
        const float a = along0 + step * ux;
        const float b = across0 - step * uy;
        const float beyond = a - std::min(std::max(a, low), high);
        nearest[i] = std::min(nearest[i], b * b + beyond * beyond);
    }
}

struct Columns {
    int32_t from = 0;
    int32_t to = 0;
};

// Calls work(from, to) for each part of `range` within one of the sorted, disjoint `spans`.
template <typename Work>
void withinSpans(Columns range, const Columns* spans, int32_t spanCount, Work&& work)
{
    for (int32_t i = 0; i < spanCount && spans[i].from < range.to; ++i) {
        const int32_t from = std::max(range.from, spans[i].from), to = std::min(range.to, spans[i].to);
        if (from < to)
            work(from, to);
    }
}

// One row of the box at a time: each mask's darkness into a row of its own, then the darkest into the image.
class RowPainter {
public:
    RowPainter(int32_t width, int32_t left, int32_t right)
        : width_(width), left_(left), right_(right), darkness_(static_cast<std::size_t>(right)),
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
                if ((edge.y0 <= y) != (edge.y1 <= y)) {
                    const EdgeOrigin origin = originNearRow(edge, y);
                    crossings[count++] = origin.x + (y - origin.y) * edge.xPerY;
                }
            }
            std::sort(crossings, crossings + count);
        }
        std::array<Columns, kMostMaskPoints / 2> spans;
        int32_t spanCount = 0;
        for (int32_t i = 0; i + 1 < count; i += 2) {
            const Columns span{columnFrom(crossings[i], left_, right_), columnFrom(crossings[i + 1], left_, right_)};
            if (span.from < span.to)
                spans[static_cast<std::size_t>(spanCount++)] = span;
        }
        if (spanCount == 0) {
            if (mask.invert)
                std::memset(row + left_, 255, static_cast<std::size_t>(right_ - left_));
            return;
        }
        // A mask darkens nothing beyond its outermost spans.
        const Columns drawn = mask.invert ? Columns{left_, right_} : Columns{spans[0].from, spans[spanCount - 1].to};
        const uint8_t insideValue = mask.invert ? 0 : 255;
        uint8_t* darkness = darkness_.data();
        std::memset(darkness + drawn.from, 255 - insideValue, static_cast<std::size_t>(drawn.to - drawn.from));
        for (int32_t i = 0; i < spanCount; ++i)
            std::memset(darkness + spans[static_cast<std::size_t>(i)].from, insideValue,
                        static_cast<std::size_t>(spans[static_cast<std::size_t>(i)].to - spans[static_cast<std::size_t>(i)].from));
        if (mask.feather > 0.0f)
            feather(mask, y, spans.data(), spanCount);
        for (int32_t i = drawn.from; i < drawn.to; ++i)
            row[i] = std::max(row[i], darkness[i]);
    }

private:
    // Grades the inside pixels within the feather of an edge.
    void feather(const PreparedMask& mask, double y, const Columns* spans, int32_t spanCount)
    {
        struct Reach {
            Columns columns;
            int32_t anchor;
            int32_t edge;
        };
        const Columns inner{spans[0].from, spans[spanCount - 1].to};
        std::array<Reach, kMostMaskPoints> reaches;
        int32_t count = 0;
        for (int32_t i = 0; i < mask.edgeCount; ++i) {
            const Edge& edge = mask.edges[static_cast<std::size_t>(i)];
            double from = 0.0, to = 0.0;
            if (y < edge.top || y > edge.bottom || !featherReach(edge, mask.feather, y, from, to))
                continue;
            const Columns columns{columnFrom(from, inner.from, inner.to), columnFrom(to, inner.from, inner.to)};
            if (columns.from < columns.to)
                reaches[static_cast<std::size_t>(count++)] = {columns, columnFrom(from, 0, width_), i};
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
            Columns* last = mergedCount > 0 ? &merged[static_cast<std::size_t>(mergedCount - 1)] : nullptr;
            if (last != nullptr && next.from <= last->to)
                last->to = std::max(last->to, next.to);
            else
                merged[static_cast<std::size_t>(mergedCount++)] = next;
        }
        float* nearest = nearest_.data();
        const float featherSquared = mask.feather * mask.feather;
        for (int32_t i = 0; i < mergedCount; ++i)
            withinSpans(merged[static_cast<std::size_t>(i)], spans, spanCount,
                        [&](int32_t from, int32_t to) { std::fill(nearest + from, nearest + to, featherSquared); });
        for (int32_t i = 0; i < count; ++i) {
            const Reach& reach = reaches[static_cast<std::size_t>(i)];
            const Edge& edge = mask.edges[static_cast<std::size_t>(reach.edge)];
            withinSpans(reach.columns, spans, spanCount,
                        [&](int32_t from, int32_t to) { takeNearer(edge, y, reach.anchor, from, to, nearest); });
        }
        const float scale = 255.0f / mask.feather;
        uint8_t* darkness = darkness_.data();
        for (int32_t i = 0; i < mergedCount; ++i)
            withinSpans(merged[static_cast<std::size_t>(i)], spans, spanCount, [&](int32_t from, int32_t to) {
                if (mask.invert)
                    for (int32_t x = from; x < to; ++x)
                        darkness[x] = static_cast<uint8_t>(255.5f - std::sqrt(nearest[x]) * scale);
                else
                    for (int32_t x = from; x < to; ++x)
                        darkness[x] = static_cast<uint8_t>(std::sqrt(nearest[x]) * scale + 0.5f);
            });
    }

    int32_t width_;
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
    for (const MaskValues& mask : masks) {
        if (!isMask(mask))
            continue;
        prepared.push_back(prepare(mask, width, height));
        // A mask, not inverted, darkens nothing beyond its polygon's bounds.
        const PreparedMask& added = prepared.back();
        if (!added.invert && (added.right < box.left || added.left > box.right || added.bottom < box.top ||
                              added.top > box.bottom))
            prepared.pop_back();
    }
    RowPainter painter(width, box.left, box.right);
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
