// The captured mouse pointer over the picture: its two layers as textures and their draws.
#include "render/renderer.h"

using Microsoft::WRL::ComPtr;

namespace {

// A small texture of one mip level from 0xAARRGGBB words (B8G8R8A8 in memory).
ComPtr<ID3D11ShaderResourceView> layerTexture(ID3D11Device* device, const PointerImage& image,
                                              const std::vector<uint32_t>& pixels)
{
    D3D11_TEXTURE2D_DESC description{};
    description.Width = image.width;
    description.Height = image.height;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_IMMUTABLE;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{pixels.data(), image.width * 4, 0};
    ComPtr<ID3D11Texture2D> texture;
    ComPtr<ID3D11ShaderResourceView> view;
    if (SUCCEEDED(device->CreateTexture2D(&description, &data, texture.GetAddressOf())))
        device->CreateShaderResourceView(texture.Get(), nullptr, view.GetAddressOf());
    return view;
}

} // namespace

void Renderer::usePointerImage(const PointerImage& image, uint64_t version)
{
    if (version == pointerVersion_ && pointerColour)
        return;
    pointerVersion_ = version;
    pointerColour.Reset();
    pointerInvert.Reset();
    if (image.width == 0 || image.height == 0)
        return;
    pointerColour = layerTexture(device.Get(), image, image.colour);
    pointerInverts_ = image.inverts;
    if (pointerInverts_)
        pointerInvert = layerTexture(device.Get(), image, image.invert);
}

void Renderer::drawPointer(const WarpMatrix& matrix)
{
    if (!pointerColour)
        return;
    drawQuad(pointerColour.Get(), matrix, alphaBlend.Get(), pointSampler.Get());
    if (pointerInverts_ && pointerInvert)
        drawQuad(pointerInvert.Get(), matrix, invertBlend.Get(), pointSampler.Get());
}
