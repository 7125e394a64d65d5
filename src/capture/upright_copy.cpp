// One triangle that covers the target; each pixel reads the scanned-out image where the turn put it, and a
// float desktop is brought to the 8-bit SDR picture on the way.
#include "capture/upright_copy.h"

#include <d3dcompiler.h>

#include <cstring>
#include <string_view>

#include "capture/capture_rules.h"

using Microsoft::WRL::ComPtr;

namespace {

// A triangle twice the target's size covers it without a vertex buffer.
constexpr std::string_view kCoverVertexShader =
    "struct PS_IN { float4 pos : SV_POSITION; float2 tex : TEXCOORD; }; "
    "PS_IN main(uint id : SV_VertexID) { PS_IN o; float2 t = float2((id << 1) & 2, id & 2); "
    "o.pos = float4(t.x * 2.0f - 1.0f, 1.0f - t.y * 2.0f, 0.0f, 1.0f); o.tex = t; return o; }";

// Texture coordinates of the upright picture into the scanned-out image: (a . (u, v, 1), b . (u, v, 1)).
// With tone.x above 0, a linear scRGB colour scaled by it, clipped, and encoded with the sRGB curve; its two
// pieces joined by saturate and lerp, which every HLSL compiler has (Wine's lacks step and vector selects).
constexpr std::string_view kTurnPixelShader =
    "cbuffer CB : register(b0) { float4 a; float4 b; float4 tone; }; "
    "Texture2D t : register(t0); SamplerState s : register(s0); "
    "float4 main(float4 p : SV_POSITION, float2 tex : TEXCOORD) : SV_TARGET { "
    "float3 uv1 = float3(tex, 1.0f); float4 c = t.Sample(s, float2(dot(a.xyz, uv1), dot(b.xyz, uv1))); "
    "if (tone.x > 0.0f) { float3 l = saturate(c.rgb * tone.x); "
    "float3 low = l * 12.92f; float3 high = 1.055f * pow(max(l, 0.0031308f), 1.0f / 2.4f) - 0.055f; "
    "float3 above = saturate((l - 0.0031308f) * 1.0e7f); c = float4(lerp(low, high, above), 1.0f); } "
    "return c; }";

ComPtr<ID3DBlob> compile(std::string_view text, const char* target)
{
    ComPtr<ID3DBlob> code, messages;
    D3DCompile(text.data(), text.size(), nullptr, nullptr, nullptr, "main", target, 0, 0, code.GetAddressOf(),
               messages.GetAddressOf());
    return code;
}

} // namespace

HRESULT UprightCopy::makePipeline(ID3D11Device* device)
{
    const ComPtr<ID3DBlob> vertexCode = compile(kCoverVertexShader, "vs_4_0");
    const ComPtr<ID3DBlob> pixelCode = compile(kTurnPixelShader, "ps_4_0");
    if (!vertexCode || !pixelCode ||
        FAILED(device->CreateVertexShader(vertexCode->GetBufferPointer(), vertexCode->GetBufferSize(), nullptr,
                                          vertexShader_.ReleaseAndGetAddressOf())) ||
        FAILED(device->CreatePixelShader(pixelCode->GetBufferPointer(), pixelCode->GetBufferSize(), nullptr,
                                         pixelShader_.ReleaseAndGetAddressOf())))
        return E_FAIL;
    // Pixel for pixel: the target has the source's size, sides swapped for a quarter turn.
    D3D11_SAMPLER_DESC sampler{};
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    D3D11_BUFFER_DESC transform{};
    transform.ByteWidth = 3 * 4 * sizeof(float);
    transform.Usage = D3D11_USAGE_DEFAULT;
    transform.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    if (FAILED(device->CreateSamplerState(&sampler, pointSampler_.ReleaseAndGetAddressOf())) ||
        FAILED(device->CreateBuffer(&transform, nullptr, transform_.ReleaseAndGetAddressOf())))
        return E_FAIL;
    return S_OK;
}

HRESULT UprightCopy::copy(ID3D11Device* device, ID3D11Texture2D* scannedOut, int32_t quarterTurns,
                          ID3D11Texture2D* upright, float sdrScale)
{
    if (!transform_ && FAILED(makePipeline(device)))
        return E_FAIL;
    ComPtr<ID3D11ShaderResourceView> source;
    D3D11_TEXTURE2D_DESC uprightDescription{};
    upright->GetDesc(&uprightDescription);
    D3D11_RENDER_TARGET_VIEW_DESC targetDescription{};
    targetDescription.Format = uprightDescription.Format;
    targetDescription.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2D;
    targetDescription.Texture2D.MipSlice = 0;
    ComPtr<ID3D11RenderTargetView> target;
    if (FAILED(device->CreateShaderResourceView(scannedOut, nullptr, source.GetAddressOf())) ||
        FAILED(device->CreateRenderTargetView(upright, &targetDescription, target.GetAddressOf())))
        return E_FAIL;

    const TextureTransform m = scannedOutCoordinates(quarterTurns);
    const float rows[12] = {m.a0, m.a1, m.a2, 0.0f, m.b0, m.b1, m.b2, 0.0f, sdrScale, 0.0f, 0.0f, 0.0f};
    ComPtr<ID3D11DeviceContext> context;
    device->GetImmediateContext(context.GetAddressOf());
    context->UpdateSubresource(transform_.Get(), 0, nullptr, rows, 0, 0);
    const D3D11_VIEWPORT viewport{0.0f, 0.0f, static_cast<float>(uprightDescription.Width),
                                  static_cast<float>(uprightDescription.Height), 0.0f, 1.0f};
    ID3D11RenderTargetView* targets[] = {target.Get()};
    context->OMSetRenderTargets(1, targets, nullptr);
    context->OMSetBlendState(nullptr, nullptr, 0xFFFFFFFFu);
    context->RSSetViewports(1, &viewport);
    context->IASetInputLayout(nullptr);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(vertexShader_.Get(), nullptr, 0);
    context->PSSetShader(pixelShader_.Get(), nullptr, 0);
    context->PSSetConstantBuffers(0, 1, transform_.GetAddressOf());
    context->PSSetShaderResources(0, 1, source.GetAddressOf());
    context->PSSetSamplers(0, 1, pointSampler_.GetAddressOf());
    context->Draw(3, 0);
    // The copy texture is read next (its mips, then the warp): nothing may still hold it as a target.
    ID3D11ShaderResourceView* none[] = {nullptr};
    context->PSSetShaderResources(0, 1, none);
    context->OMSetRenderTargets(0, nullptr, nullptr);
    return S_OK;
}
