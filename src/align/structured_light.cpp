// The structured light's frames and the camera points they give.
#include "align/structured_light.h"

#include <algorithm>
#include <cmath>

#include "align/gray_code.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
// A cell at least this many camera pixels across decodes through a little blur.
constexpr double kCameraPixelsPerCell = 3.0;

int32_t cellsAcross(int32_t pixels, int32_t block)
{
    return (pixels + block - 1) / block;
}

} // namespace

LightPlan planLight(int32_t width, int32_t height, int32_t block)
{
    LightPlan plan;
    plan.width = width;
    plan.height = height;
    plan.block = std::max(block, 1);
    plan.columnBits = grayCodeBits(cellsAcross(width, plan.block));
    plan.rowBits = grayCodeBits(cellsAcross(height, plan.block));
    plan.frames = {{LightKind::Black}, {LightKind::White}, {LightKind::Grey}};
    for (const auto& [kind, bits] : {std::pair{LightKind::Columns, plan.columnBits}, std::pair{LightKind::Rows, plan.rowBits}})
        for (int32_t bit = 0; bit < bits; ++bit) {
            plan.frames.push_back({kind, bit, false});
            plan.frames.push_back({kind, bit, true});
        }
    return plan;
}

int32_t cellSideFor(int32_t width, int32_t height, int64_t litPixels)
{
    // Projector pixels per camera pixel, from the areas.
    const double scale = litPixels > 0 ? std::sqrt(double(width) * double(height) / double(litPixels)) : 1.0;
    int32_t block = 2;
    while (block < 64 && block < scale * kCameraPixelsPerCell)
        block *= 2;
    return block;
}

std::vector<uint32_t> lightPixels(const LightPlan& plan, const LightFrame& frame)
{
    const std::size_t count = static_cast<std::size_t>(std::max(plan.width, 0)) * static_cast<std::size_t>(std::max(plan.height, 0));
    if (frame.kind == LightKind::Black || frame.kind == LightKind::White || frame.kind == LightKind::Grey) {
        const uint32_t grey = kResponseGrey * 0x010101u;
        return std::vector<uint32_t>(count, frame.kind == LightKind::Black   ? kOpaqueBlack
                                            : frame.kind == LightKind::White ? kOpaqueWhite
                                                                             : kOpaqueBlack | grey);
    }
    std::vector<uint32_t> pixels(count);
    const bool columns = frame.kind == LightKind::Columns;
    const int32_t bits = columns ? plan.columnBits : plan.rowBits;
    // One row (or one value per row) of stripes, then copied: the pattern varies along one axis only.
    std::vector<uint32_t> row(static_cast<std::size_t>(plan.width));
    for (int32_t y = 0; y < plan.height; ++y) {
        const bool rowLit = !columns && grayStripeLit(y / plan.block, frame.bit, bits) != frame.inverse;
        for (int32_t x = 0; x < plan.width; ++x) {
            const bool lit = columns ? grayStripeLit(x / plan.block, frame.bit, bits) != frame.inverse : rowLit;
            row[static_cast<std::size_t>(x)] = lit ? kOpaqueWhite : kOpaqueBlack;
        }
        std::copy(row.begin(), row.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * plan.width);
    }
    return pixels;
}

std::vector<uint8_t> greyOf(const std::vector<uint32_t>& pixels)
{
    std::vector<uint8_t> grey(pixels.size());
    for (std::size_t at = 0; at < pixels.size(); ++at) {
        const uint32_t p = pixels[at];
        grey[at] = static_cast<uint8_t>((((p >> 16) & 0xFF) + 2 * ((p >> 8) & 0xFF) + (p & 0xFF)) / 4);
    }
    return grey;
}

int64_t litPixelCount(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white, int32_t leastContrast)
{
    int64_t lit = 0;
    for (std::size_t at = 0; at < black.size() && at < white.size(); ++at)
        lit += white[at] - black[at] >= leastContrast ? 1 : 0;
    return lit;
}

double responseExponent(const std::vector<uint8_t>& black, const std::vector<uint8_t>& white,
                        const std::vector<uint8_t>& grey, int32_t leastContrast)
{
    double greyLight = 0.0, whiteLight = 0.0;
    for (std::size_t at = 0; at < black.size() && at < white.size() && at < grey.size(); ++at) {
        if (white[at] - black[at] < leastContrast)
            continue;
        greyLight += grey[at] - black[at];
        whiteLight += white[at] - black[at];
    }
    if (whiteLight <= 0.0 || greyLight <= 0.0)
        return 0.0;
    return std::log(greyLight / whiteLight) / std::log(kResponseGrey / 255.0);
}

std::vector<Correspondence> cellCorrespondences(const LightPlan& plan, const std::vector<int32_t>& columns,
                                                const std::vector<int32_t>& rows, int32_t cameraWidth)
{
    const int32_t across = cellsAcross(plan.width, plan.block), down = cellsAcross(plan.height, plan.block);
    struct Sum {
        double x = 0.0, y = 0.0;
        int32_t count = 0;
    };
    std::vector<Sum> cells(static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
    for (std::size_t at = 0; at < columns.size() && at < rows.size() && cameraWidth > 0; ++at) {
        const int32_t column = columns[at], row = rows[at];
        if (column < 0 || row < 0 || column >= across || row >= down)
            continue;
        Sum& cell = cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(across) + static_cast<std::size_t>(column)];
        cell.x += static_cast<double>(at % static_cast<std::size_t>(cameraWidth));
        cell.y += static_cast<double>(at / static_cast<std::size_t>(cameraWidth));
        ++cell.count;
    }
    std::vector<int32_t> counts;
    for (const Sum& cell : cells)
        if (cell.count > 0)
            counts.push_back(cell.count);
    if (counts.empty())
        return {};
    std::nth_element(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(counts.size() / 2), counts.end());
    const int32_t fewest = std::max(2, counts[counts.size() / 2] / 2);
    std::vector<Correspondence> found;
    for (int32_t row = 0; row < down; ++row)
        for (int32_t column = 0; column < across; ++column) {
            const Sum& cell = cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(across) + static_cast<std::size_t>(column)];
            if (cell.count < fewest)
                continue;
            // The middle of the cell's pixels; the last cell of a row or column may be cut by the window's edge.
            const double middleX = (column * plan.block + std::min(plan.width, (column + 1) * plan.block) - 1) / 2.0;
            const double middleY = (row * plan.block + std::min(plan.height, (row + 1) * plan.block) - 1) / 2.0;
            found.push_back({{middleX, middleY}, {cell.x / cell.count, cell.y / cell.count}});
        }
    return found;
}
