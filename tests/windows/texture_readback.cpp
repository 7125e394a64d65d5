// Staging copy of one mip level, mapped and copied row by row.
#include "texture_readback.h"

#include <wrl/client.h>

#include <algorithm>
#include <cstring>

using Microsoft::WRL::ComPtr;

TexturePixels readTexture(ID3D11Device* device, ID3D11Texture2D* texture, UINT mipLevel)
{
    D3D11_TEXTURE2D_DESC description{};
    texture->GetDesc(&description);
    description.Width = std::max(1u, description.Width >> mipLevel);
    description.Height = std::max(1u, description.Height >> mipLevel);
    TexturePixels pixels{description.Width, description.Height, {}};
    description.MipLevels = 1;
    description.Usage = D3D11_USAGE_STAGING;
    description.BindFlags = 0;
    description.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    description.MiscFlags = 0;
    ComPtr<ID3D11Texture2D> staging;
    if (FAILED(device->CreateTexture2D(&description, nullptr, staging.GetAddressOf())))
        return pixels;
    ComPtr<ID3D11DeviceContext> context;
    device->GetImmediateContext(context.GetAddressOf());
    context->CopySubresourceRegion(staging.Get(), 0, 0, 0, 0, texture, mipLevel, nullptr);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (FAILED(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped)))
        return pixels;
    pixels.bytes.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 4);
    for (uint32_t y = 0; y < pixels.height; ++y)
        std::memcpy(&pixels.bytes[static_cast<std::size_t>(y) * pixels.width * 4],
                    static_cast<const uint8_t*>(mapped.pData) + static_cast<std::size_t>(y) * mapped.RowPitch,
                    static_cast<std::size_t>(pixels.width) * 4);
    context->Unmap(staging.Get(), 0);
    return pixels;
}
