// Turns a duplicated desktop image that a rotated output scans out sideways (or upside down) upright
// into the copy texture, with one draw on the GPU.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>

class UprightCopy {
public:
    // Copies `scannedOut` into mip level 0 of `upright`, undoing `quarterTurns` clockwise quarter turns.
    // The pipeline is made on first use on the borrowed device. E_FAIL when it cannot be made.
    // With `sdrScale` above 0 the source is a linear float (scRGB) desktop: scaled so that SDR white is 1,
    // clipped and encoded as sRGB for the 8-bit target.
    HRESULT copy(ID3D11Device* device, ID3D11Texture2D* scannedOut, int32_t quarterTurns, ID3D11Texture2D* upright,
                 float sdrScale = 0.0f);

private:
    HRESULT makePipeline(ID3D11Device* device);

    Microsoft::WRL::ComPtr<ID3D11VertexShader> vertexShader_;
    Microsoft::WRL::ComPtr<ID3D11PixelShader> pixelShader_;
    Microsoft::WRL::ComPtr<ID3D11SamplerState> pointSampler_;
    Microsoft::WRL::ComPtr<ID3D11Buffer> transform_;
};
