// The masks of a projection: their darkness in a one-byte texture the picture's shaders read per pixel,
// and their outlines for editing.
#include "render/overlay_matrices.h"
#include "render/renderer.h"
#include "warp/mask_darkness.h"

namespace {

constexpr float kOutlineThickness = 2.0f; // window pixels

} // namespace

bool Renderer::makeMaskLayer(MaskLayer& layer, UINT width, UINT height)
{
    layer = MaskLayer{};
    D3D11_TEXTURE2D_DESC description{};
    description.Width = width;
    description.Height = height;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_R8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_DEFAULT;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    if (FAILED(device_->CreateTexture2D(&description, nullptr, layer.texture.GetAddressOf())) ||
        FAILED(device_->CreateShaderResourceView(layer.texture.Get(), nullptr, layer.view.GetAddressOf()))) {
        layer = MaskLayer{};
        return false;
    }
    layer.width = width;
    layer.height = height;
    layer.darkness.assign(static_cast<std::size_t>(width) * height, 0);
    return true;
}

void Renderer::useMasks(const std::vector<MaskValues>& masks)
{
    masking_ = false;
    if (!frameTarget_)
        return;
    MaskLayer& layer = frameTarget_->mask;
    if (masks.empty()) {
        // Kept for the next mask, unless the window is resized meanwhile.
        return;
    }
    const auto width = static_cast<UINT>(frameTarget_->viewport.Width);
    const auto height = static_cast<UINT>(frameTarget_->viewport.Height);
    PixelBox changed{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (!layer.texture || layer.width != width || layer.height != height) {
        // A layer that cannot be made leaves the picture unmasked rather than black.
        if (!makeMaskLayer(layer, width, height))
            return;
    } else {
        changed = changedMaskPixels(layer.masks, masks, static_cast<int32_t>(width), static_cast<int32_t>(height));
    }
    if (!changed.empty()) {
        drawMaskDarkness(masks, static_cast<int32_t>(width), static_cast<int32_t>(height), changed, layer.darkness.data());
        const D3D11_BOX box{static_cast<UINT>(changed.left), static_cast<UINT>(changed.top), 0,
                            static_cast<UINT>(changed.right), static_cast<UINT>(changed.bottom), 1};
        const uint8_t* first = layer.darkness.data() + static_cast<std::size_t>(changed.top) * width + changed.left;
        context_->UpdateSubresource(layer.texture.Get(), 0, &box, first, width, 0);
        layer.masks = masks;
    }
    masking_ = true;
}

void Renderer::drawMaskOutline(const MaskValues& mask, int32_t selectedPoint)
{
    if (!frameTarget_ || mask.points.empty())
        return;
    const int width = static_cast<int>(frameTarget_->viewport.Width);
    const int height = static_cast<int>(frameTarget_->viewport.Height);
    for (std::size_t at = 0; at < mask.points.size(); ++at) {
        const CornerPoint& from = mask.points[at];
        const CornerPoint& to = mask.points[(at + 1) % mask.points.size()];
        drawTexture(outlineTexture.Get(), segmentMatrix(from, to, kOutlineThickness, width, height), false);
    }
    for (std::size_t at = 0; at < mask.points.size(); ++at)
        drawPointHandle(mask.points[at].x, mask.points[at].y, static_cast<int32_t>(at) == selectedPoint);
}
