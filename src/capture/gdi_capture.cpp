// The GDI branch of CaptureEngine: a screen copy of the capture monitor every pass, uploaded only when it
// differs from the one before.
#include <cstring>
#include <vector>

#include "capture/capture_engine.h"
#include "capture/capture_rules.h"

using Microsoft::WRL::ComPtr;

namespace {

// Every GDI object of one copy, released in reverse order when the copy ends; any of them may be null
// when the system is out of GDI resources.
class ScreenCopy {
public:
    ScreenCopy(int width, int height)
        : screen_(GetDC(nullptr)), memory_(screen_ ? CreateCompatibleDC(screen_) : nullptr),
          bitmap_(screen_ ? CreateCompatibleBitmap(screen_, width, height) : nullptr),
          previous_(memory_ && bitmap_ ? SelectObject(memory_, bitmap_) : nullptr)
    {
    }
    ScreenCopy(const ScreenCopy&) = delete;
    ScreenCopy& operator=(const ScreenCopy&) = delete;
    ~ScreenCopy()
    {
        if (previous_)
            SelectObject(memory_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (memory_)
            DeleteDC(memory_);
        if (screen_)
            ReleaseDC(nullptr, screen_);
    }
    bool ready() const { return previous_ != nullptr; }
    HDC screen() const { return screen_; }
    HDC memory() const { return memory_; }
    HBITMAP bitmap() const { return bitmap_; }

private:
    HDC screen_;
    HDC memory_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

} // namespace

HRESULT CaptureEngine::copyByGdi()
{
    const Rect area = gdiCaptureArea(monitorRect_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const int width = area.width(), height = area.height();
    if (width <= 0 || height <= 0)
        return S_OK;

    // A failed step leaves the last picture in place; the next pass tries again.
    ScreenCopy copy(width, height);
    if (!copy.ready())
        return E_FAIL;
    // CAPTUREBLT takes layered (translucent) windows too.
    if (!BitBlt(copy.memory(), 0, 0, width, height, copy.screen(), area.left, area.top, SRCCOPY | CAPTUREBLT))
        return E_FAIL;

    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    gdiNextPixels_.resize(count);
    BITMAPINFO description{};
    description.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    description.bmiHeader.biWidth = width;
    description.bmiHeader.biHeight = -height; // top-down rows
    description.bmiHeader.biPlanes = 1;
    description.bmiHeader.biBitCount = 32;
    description.bmiHeader.biCompression = BI_RGB;
    const int rows = GetDIBits(copy.memory(), copy.bitmap(), 0, static_cast<UINT>(height), gdiNextPixels_.data(),
                               &description, DIB_RGB_COLORS);
    if (rows != height)
        return E_FAIL;
    if (trackPointer_)
        readGdiPointer(area);

    // Blue, green, red and a fourth byte that GDI leaves 0: the picture is drawn with blending off,
    // so that byte plays no part.
    D3D11_TEXTURE2D_DESC picture{};
    picture.Width = static_cast<UINT>(width);
    picture.Height = static_cast<UINT>(height);
    picture.ArraySize = 1;
    picture.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    picture.SampleDesc.Count = 1;
    bool remade = false;
    if (!prepareCopyTexture(picture, &remade))
        return E_FAIL;
    // The same pixels as last time, in the same texture: nothing to upload, nothing new to draw.
    const bool unchanged = !remade && gdiPixels_.size() == count &&
                           std::memcmp(gdiPixels_.data(), gdiNextPixels_.data(), count * sizeof(uint32_t)) == 0;
    if (unchanged)
        return S_OK;
    gdiPixels_.swap(gdiNextPixels_);

    ComPtr<ID3D11DeviceContext> context;
    device_->GetImmediateContext(context.GetAddressOf());
    // The copy texture has exactly this size, so the upload reads width x height pixels of the buffer.
    context->UpdateSubresource(frameTexture_.Get(), 0, nullptr, gdiPixels_.data(), static_cast<UINT>(width) * 4, 0);
    context->GenerateMips(frameView_.Get());
    ++pictureVersion_;
    return S_OK;
}
