// The pointer over the captured picture: from the duplication's frame information and pointer shape,
// or from the system's cursor for the GDI copy.
#include "capture/capture_engine.h"

namespace {

// The rows of a bitmap, top down, at `bitsPerPixel`; empty when they cannot be read.
std::vector<uint8_t> bitmapRows(HBITMAP bitmap, int width, int height, WORD bitsPerPixel, uint32_t& pitch)
{
    pitch = static_cast<uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
    std::vector<uint8_t> rows(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height));
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD palette[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitsPerPixel;
    info.header.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int read = screen ? GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), rows.data(),
                                        reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)
                            : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    if (read != height)
        rows.clear();
    return rows;
}

// A cursor's picture: its colour bitmap with alpha, or with the AND mask where it has no alpha, or the
// two masks of a monochrome cursor. The hot spot comes back too.
std::optional<PointerImage> cursorImage(HCURSOR cursor, POINT& hotSpot)
{
    ICONINFO icon{};
    if (!GetIconInfo(cursor, &icon))
        return std::nullopt;
    hotSpot = {static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
    BITMAP mask{};
    GetObjectW(icon.hbmMask, sizeof mask, &mask);
    std::optional<PointerImage> image;
    uint32_t maskPitch = 0;
    const std::vector<uint8_t> maskRows = bitmapRows(icon.hbmMask, mask.bmWidth, mask.bmHeight, 1, maskPitch);
    if (!icon.hbmColor) {
        image = pointerImage(kMonochromePointer, static_cast<uint32_t>(mask.bmWidth), static_cast<uint32_t>(mask.bmHeight),
                             maskPitch, maskRows.data(), maskRows.size());
    } else {
        uint32_t pitch = 0;
        std::vector<uint8_t> colour = bitmapRows(icon.hbmColor, mask.bmWidth, mask.bmHeight, 32, pitch);
        bool hasAlpha = false;
        for (std::size_t i = 3; i < colour.size(); i += 4)
            hasAlpha = hasAlpha || colour[i] != 0;
        // Without alpha the AND mask says which pixels XOR with the screen: its bit goes into the top byte.
        if (!hasAlpha && maskRows.size() >= static_cast<std::size_t>(maskPitch) * static_cast<std::size_t>(mask.bmHeight))
            for (int y = 0; y < mask.bmHeight; ++y)
                for (int x = 0; x < mask.bmWidth; ++x)
                    colour[static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * 4 + 3] =
                        (maskRows[static_cast<std::size_t>(y) * maskPitch + static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) ? 0xFF : 0x00;
        image = pointerImage(hasAlpha ? kColourPointer : kMaskedColourPointer, static_cast<uint32_t>(mask.bmWidth),
                             static_cast<uint32_t>(mask.bmHeight), pitch, colour.data(), colour.size());
    }
    if (icon.hbmColor)
        DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    return image;
}

} // namespace

void CaptureEngine::readGdiPointer(const Rect& capturedArea)
{
    CURSORINFO info{};
    info.cbSize = sizeof info;
    // Under Wine a pointer over another program's window shows without a cursor handle: nothing is drawn
    // then, rather than an invented arrow.
    if (!GetCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || !info.hCursor) {
        pointer_.visible = false;
        return;
    }
    if (info.hCursor != pointerCursor_) {
        const auto image = cursorImage(info.hCursor, pointerHotSpot_);
        if (!image) {
            pointer_.visible = false;
            return;
        }
        pointerCursor_ = info.hCursor;
        pointer_.image = *image;
        ++pointer_.shapeVersion;
    }
    const int32_t left = info.ptScreenPos.x - pointerHotSpot_.x - capturedArea.left;
    const int32_t top = info.ptScreenPos.y - pointerHotSpot_.y - capturedArea.top;
    pointer_.area = {left, top, left + static_cast<int32_t>(pointer_.image.width), top + static_cast<int32_t>(pointer_.image.height)};
    pointer_.visible = true;
}

void CaptureEngine::readDuplicationPointer(const DXGI_OUTDUPL_FRAME_INFO& frame)
{
    // A frame whose pointer did not change says nothing about it.
    if (frame.LastMouseUpdateTime.QuadPart == 0)
        return;
    if (frame.PointerShapeBufferSize > 0) {
        pointerShapeBytes_.resize(frame.PointerShapeBufferSize);
        UINT needed = 0;
        DXGI_OUTDUPL_POINTER_SHAPE_INFO shape{};
        if (SUCCEEDED(duplication_->GetFramePointerShape(static_cast<UINT>(pointerShapeBytes_.size()),
                                                        pointerShapeBytes_.data(), &needed, &shape))) {
            if (const auto image = pointerImage(shape.Type, shape.Width, shape.Height, shape.Pitch,
                                                pointerShapeBytes_.data(), needed)) {
                pointer_.image = *image;
                ++pointer_.shapeVersion;
            }
        }
    }
    pointer_.visible = frame.PointerPosition.Visible && pointer_.image.width > 0;
    const POINT at = frame.PointerPosition.Position;
    pointer_.area = {at.x, at.y, at.x + static_cast<int32_t>(pointer_.image.width), at.y + static_cast<int32_t>(pointer_.image.height)};
}
