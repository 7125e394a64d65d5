// The camera's picture in the panel: one dynamic texture, written again for each new frame.
#include <cstring>

#include "render/renderer.h"

using Microsoft::WRL::ComPtr;

namespace {

// A camera's fourth byte need not be a coverage: the panel draws the picture opaque whatever it holds.
void copyOpaqueRows(const uint32_t* pixels, UINT width, UINT height, uint8_t* target, UINT rowPitch)
{
    for (UINT y = 0; y < height; ++y) {
        const uint32_t* from = pixels + static_cast<std::size_t>(y) * width;
        auto* to = reinterpret_cast<uint32_t*>(target + static_cast<std::size_t>(y) * rowPitch);
        for (UINT x = 0; x < width; ++x)
            to[x] = from[x] | 0xFF000000u;
    }
}

} // namespace

ID3D11ShaderResourceView* Renderer::cameraPicture(UINT width, UINT height, const std::vector<uint32_t>& pixels,
                                                  uint64_t number)
{
    // A frame whose pixels do not fill its size is never uploaded: the copy would read past them.
    if (number == 0 || width == 0 || height == 0 || width > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION ||
        height > D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION || pixels.size() != static_cast<uint64_t>(width) * height) {
        dropCameraPicture();
        return nullptr;
    }
    if (number == cameraNumber_ && cameraView_)
        return cameraView_.Get();
    if (!cameraTexture_ || width != cameraWidth_ || height != cameraHeight_) {
        dropCameraPicture();
        D3D11_TEXTURE2D_DESC description{};
        description.Width = width;
        description.Height = height;
        description.MipLevels = 1;
        description.ArraySize = 1;
        // Little-endian memory order of 0xAARRGGBB is B, G, R, A.
        description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
        description.SampleDesc.Count = 1;
        description.Usage = D3D11_USAGE_DYNAMIC;
        description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
        description.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
        if (FAILED(device_->CreateTexture2D(&description, nullptr, cameraTexture_.ReleaseAndGetAddressOf())) ||
            FAILED(device_->CreateShaderResourceView(cameraTexture_.Get(), nullptr, cameraView_.ReleaseAndGetAddressOf()))) {
            dropCameraPicture();
            return nullptr;
        }
        cameraWidth_ = width;
        cameraHeight_ = height;
    }
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (FAILED(context_->Map(cameraTexture_.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) {
        dropCameraPicture();
        return nullptr;
    }
    const bool fits = mapped.RowPitch >= width * 4;
    if (fits)
        copyOpaqueRows(pixels.data(), width, height, static_cast<uint8_t*>(mapped.pData), mapped.RowPitch);
    context_->Unmap(cameraTexture_.Get(), 0);
    if (!fits) {
        dropCameraPicture();
        return nullptr;
    }
    cameraNumber_ = number;
    return cameraView_.Get();
}

void Renderer::dropCameraPicture()
{
    cameraView_.Reset();
    cameraTexture_.Reset();
    cameraWidth_ = 0;
    cameraHeight_ = 0;
    cameraNumber_ = 0;
}
