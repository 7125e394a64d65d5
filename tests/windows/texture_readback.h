// Reads a texture's mip level back to the CPU, for tests that look at what the device holds.
#pragma once

#include <d3d11.h>

#include <cstdint>
#include <vector>

struct TexturePixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes; // four per pixel, in the texture's own channel order

    const uint8_t* at(uint32_t x, uint32_t y) const { return &bytes[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

TexturePixels readTexture(ID3D11Device* device, ID3D11Texture2D* texture, UINT mipLevel = 0);
