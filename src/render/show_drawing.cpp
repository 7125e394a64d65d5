// What show control draws over or instead of the picture: the blackout's fade and the identification card.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/renderer.h"
#include "warp/solve_warp.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr COLORREF kCardFrame = RGB(255, 200, 0);
constexpr COLORREF kCardText = RGB(255, 255, 255);

// A bold font `height` pixels high; the caller deletes it.
HFONT cardFont(int height)
{
    return CreateFontW(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

void drawCardText(HDC dc, const wchar_t* text, int height, RECT area, UINT format)
{
    HFONT font = cardFont(height);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, text, -1, &area, format | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    DeleteObject(font);
}

// The card into 0xAARRGGBB pixels, row by row from the top; empty when GDI cannot draw it.
std::vector<uint32_t> cardPixels(int width, int height, int number, const std::wstring& name)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    std::vector<uint32_t> pixels;
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECT whole{0, 0, width, height};
        FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        // The edges: a frame along each, so that a cut-off edge shows on the wall.
        const int thickness = std::max(4, height / 60);
        HBRUSH frame = CreateSolidBrush(kCardFrame);
        const RECT edges[4] = {{0, 0, width, thickness},
                               {0, height - thickness, width, height},
                               {0, 0, thickness, height},
                               {width - thickness, 0, width, height}};
        for (const RECT& edge : edges)
            FillRect(dc, &edge, frame);
        DeleteObject(frame);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kCardFrame);
        const int small = std::max(12, height / 24);
        const RECT inside{thickness * 2, thickness * 2, width - thickness * 2, height - thickness * 2};
        drawCardText(dc, L"CIMA", small, inside, DT_CENTER | DT_TOP);
        drawCardText(dc, L"BAIXO", small, inside, DT_CENTER | DT_BOTTOM);
        drawCardText(dc, L"ESQ", small, inside, DT_LEFT | DT_VCENTER);
        drawCardText(dc, L"DIR", small, inside, DT_RIGHT | DT_VCENTER);
        SetTextColor(dc, kCardText);
        const std::wstring digits = std::to_wstring(number);
        drawCardText(dc, digits.c_str(), height / 2, RECT{0, height / 8, width, height * 5 / 8}, DT_CENTER | DT_VCENTER);
        drawCardText(dc, name.c_str(), std::max(12, height / 14), RECT{0, height * 5 / 8, width, height * 6 / 8},
                     DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS);
        GdiFlush();
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
        // GDI leaves the fourth byte as it was; the card is opaque.
        for (uint32_t& pixel : pixels)
            pixel |= 0xFF000000u;
        SelectObject(dc, previous);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
    return pixels;
}

} // namespace

void Renderer::drawBlackout(float level)
{
    if (level <= 0.0f)
        return;
    if (!fadeTexture) {
        D3D11_TEXTURE2D_DESC description{};
        description.Width = 1;
        description.Height = 1;
        description.MipLevels = 1;
        description.ArraySize = 1;
        description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
        description.SampleDesc.Count = 1;
        description.Usage = D3D11_USAGE_DEFAULT;
        description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
        if (FAILED(device_->CreateTexture2D(&description, nullptr, fadeTexture.GetAddressOf())) ||
            FAILED(device_->CreateShaderResourceView(fadeTexture.Get(), nullptr, fadeView.ReleaseAndGetAddressOf()))) {
            fadeTexture.Reset();
            return;
        }
        fadeWritten_ = -1.0f;
    }
    if (level != fadeWritten_) {
        const uint32_t black = static_cast<uint32_t>(std::lround(std::min(level, 1.0f) * 255.0f)) << 24;
        context_->UpdateSubresource(fadeTexture.Get(), 0, nullptr, &black, 4, 4);
        fadeWritten_ = level;
    }
    drawTexture(fadeView.Get(), solveWarp(kDefaultCorners), true);
}

bool Renderer::drawIdentification(ProjectionTarget& target, int number, const std::wstring& name)
{
    const auto width = static_cast<int>(target.viewport.Width), height = static_cast<int>(target.viewport.Height);
    const std::wstring made = std::to_wstring(width) + L"x" + std::to_wstring(height) + L" " +
                              std::to_wstring(number) + L" " + name;
    if (!target.identification || target.identificationOf != made) {
        target.identification.Reset();
        const std::vector<uint32_t> pixels = width > 0 && height > 0 ? cardPixels(width, height, number, name)
                                                                     : std::vector<uint32_t>{};
        if (pixels.empty() || FAILED(createPixelTexture(static_cast<UINT>(width), static_cast<UINT>(height),
                                                        pixels.data(), target.identification)))
            return false;
        target.identificationOf = made;
    }
    drawTexture(target.identification.Get(), solveWarp(kDefaultCorners), false);
    return true;
}
