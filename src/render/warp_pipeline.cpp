// The warp pipeline: a textured unit quad, or the mesh's triangles, drawn through a 4x4 matrix, for the
// picture, grid, logo and handles.
#include <cstring>

#include "render/overlay_matrices.h"
#include "render/renderer.h"
#include "render/shader_compiler.h"
#include "render/shader_texts.h"
#include "warp/mesh_geometry.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr const char* kVertexCompileFailure = "Falha ao compilar o sombreador de vertices";
constexpr const char* kVertexShaderFailure = "Falha ao criar o sombreador de vertices";
constexpr const char* kInputLayoutFailure = "Falha ao criar o formato de entrada dos vertices";
constexpr const char* kPixelCompileFailure = "Falha ao compilar o sombreador de pixels";
constexpr const char* kPixelShaderFailure = "Falha ao criar o sombreador de pixels";
constexpr const char* kBuffersFailure = "Falha ao criar os buffers do desenho";
constexpr const char* kSamplersFailure = "Falha ao criar os amostradores";
constexpr const char* kBlendStatesFailure = "Falha ao criar os estados de mistura";

struct QuadPoint {
    float x, y, z;
    float u, v;
};
static_assert(sizeof(QuadPoint) == 20 && sizeof(WarpVertex) == 20, "the input layout expects packed 20-byte points");

// A triangle strip in the corner order TL, TR, BL, BR; texture (0, 0) is the image's top-left.
constexpr QuadPoint kQuad[4] = {
    {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
    {-1.0f, -1.0f, 0.0f, 0.0f, 1.0f},
    {1.0f, -1.0f, 0.0f, 1.0f, 1.0f},
};

constexpr D3D11_INPUT_ELEMENT_DESC kQuadLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
};

// The pixel shader's constants, as its Look buffer lays them out.
struct LookConstants {
    float source[4];
    float widths[4];
    float shape[4];
    float tone[4];
    float gains[4];
};
static_assert(sizeof(LookConstants) % 16 == 0, "constant buffers are whole 16-byte registers");

LookConstants lookConstants(const PictureLook& look)
{
    const SourceRect& area = look.source;
    const EdgeBlend& blend = look.blend;
    const ColorMatch& color = look.color;
    return {{area.left, area.top, area.right - area.left, area.bottom - area.top},
            {blend.left, blend.right, blend.top, blend.bottom},
            {blend.curve, 1.0f / blend.gamma, blend.blackLevel, 0.0f},
            {color.brightness, color.contrast, 1.0f / color.gamma, color == ColorMatch{} ? 0.0f : 1.0f},
            {color.red, color.green, color.blue, 1.0f}};
}

// Whether the blend or the colour matching changes any colour: only then does the picture take the
// blending shader.
bool blends(const PictureLook& look)
{
    const EdgeBlend& blend = look.blend;
    return blend.left > 0.0f || blend.right > 0.0f || blend.top > 0.0f || blend.bottom > 0.0f ||
           blend.blackLevel > 0.0f || look.color != ColorMatch{};
}

// A constant buffer of `size` bytes: one the CPU rewrites (`initial` null), or an immutable one.
HRESULT createConstantBuffer(ID3D11Device* device, UINT size, const void* initial, ComPtr<ID3D11Buffer>& slot)
{
    D3D11_BUFFER_DESC description{};
    description.ByteWidth = size;
    description.Usage = initial ? D3D11_USAGE_IMMUTABLE : D3D11_USAGE_DYNAMIC;
    description.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    description.CPUAccessFlags = initial ? 0 : D3D11_CPU_ACCESS_WRITE;
    const D3D11_SUBRESOURCE_DATA data{initial, 0, 0};
    return device->CreateBuffer(&description, initial ? &data : nullptr, slot.ReleaseAndGetAddressOf());
}

// The text compiled for `target`; a failure is said as `what`, with the compiler's messages.
HRESULT compileStage(std::string_view text, const char* target, const char* what, ComPtr<ID3DBlob>& code,
                     SetUpFailure& failure)
{
    failure.what = what;
    return compileShader(text, target, code, failure.compilerMessages);
}

HRESULT createPixelShader(ID3D11Device* device, std::string_view text, ComPtr<ID3D11PixelShader>& slot,
                          SetUpFailure& failure)
{
    ComPtr<ID3DBlob> code;
    HRESULT hr = compileStage(text, "ps_4_0", kPixelCompileFailure, code, failure);
    if (FAILED(hr))
        return hr;
    failure.what = kPixelShaderFailure;
    return device->CreatePixelShader(code->GetBufferPointer(), code->GetBufferSize(), nullptr,
                                     slot.ReleaseAndGetAddressOf());
}

// The vertex shader and the input layout checked against its signature.
HRESULT createVertexStage(ID3D11Device* device, std::string_view text, ComPtr<ID3D11VertexShader>& shader,
                          ComPtr<ID3D11InputLayout>& layout, SetUpFailure& failure)
{
    ComPtr<ID3DBlob> code;
    HRESULT hr = compileStage(text, "vs_4_0", kVertexCompileFailure, code, failure);
    if (FAILED(hr))
        return hr;
    failure.what = kVertexShaderFailure;
    hr = device->CreateVertexShader(code->GetBufferPointer(), code->GetBufferSize(), nullptr,
                                    shader.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    failure.what = kInputLayoutFailure;
    return device->CreateInputLayout(kQuadLayout, 2, code->GetBufferPointer(), code->GetBufferSize(),
                                     layout.ReleaseAndGetAddressOf());
}

// The anisotropic sampler of pictures and the point sampler of the pointer.
HRESULT createSamplers(ID3D11Device* device, ComPtr<ID3D11SamplerState>& anisotropic, ComPtr<ID3D11SamplerState>& point)
{
    D3D11_SAMPLER_DESC sampler{};
    sampler.Filter = D3D11_FILTER_ANISOTROPIC;
    sampler.MaxAnisotropy = 16;
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.MaxLOD = D3D11_FLOAT32_MAX;
    const HRESULT hr = device->CreateSamplerState(&sampler, anisotropic.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    sampler.MaxAnisotropy = 1;
    return device->CreateSamplerState(&sampler, point.ReleaseAndGetAddressOf());
}

// Alpha blending, and the inverting blend of the pointer's second layer.
HRESULT createBlendStates(ID3D11Device* device, ComPtr<ID3D11BlendState>& alphaBlend, ComPtr<ID3D11BlendState>& invertBlend)
{
    D3D11_BLEND_DESC blend{};
    D3D11_RENDER_TARGET_BLEND_DESC& target = blend.RenderTarget[0];
    target.BlendEnable = TRUE;
    target.SrcBlend = D3D11_BLEND_SRC_ALPHA;
    target.DestBlend = D3D11_BLEND_INV_SRC_ALPHA;
    target.BlendOp = D3D11_BLEND_OP_ADD;
    target.SrcBlendAlpha = D3D11_BLEND_ONE;
    target.DestBlendAlpha = D3D11_BLEND_ZERO;
    target.BlendOpAlpha = D3D11_BLEND_OP_ADD;
    target.RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    const HRESULT hr = device->CreateBlendState(&blend, alphaBlend.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;

    // What is under a white texel turns to its inverse, what is under a black one stays: src (1 - dst) +
    // dst (1 - src), the XOR of a pointer's inverting pixels.
    target.SrcBlend = D3D11_BLEND_INV_DEST_COLOR;
    target.DestBlend = D3D11_BLEND_INV_SRC_COLOR;
    target.SrcBlendAlpha = D3D11_BLEND_ZERO;
    target.DestBlendAlpha = D3D11_BLEND_ONE;
    return device->CreateBlendState(&blend, invertBlend.ReleaseAndGetAddressOf());
}

} // namespace

HRESULT Renderer::createWarpPipeline(const WarpShaderTexts& shaders, SetUpFailure& failure)
{
    failure.compilerMessages.clear();
    HRESULT hr = createVertexStage(device_.Get(), shaders.vertex, warpShader, inputLayout, failure);
    if (SUCCEEDED(hr))
        hr = createPixelShader(device_.Get(), shaders.sample, sampleShader, failure);
    if (SUCCEEDED(hr))
        hr = createPixelShader(device_.Get(), shaders.blend, blendShader, failure);
    if (SUCCEEDED(hr))
        hr = createPixelShader(device_.Get(), shaders.maskedSample, maskedSampleShader, failure);
    if (SUCCEEDED(hr))
        hr = createPixelShader(device_.Get(), shaders.maskedBlend, maskedBlendShader, failure);
    if (FAILED(hr))
        return hr;

    D3D11_BUFFER_DESC quad{};
    quad.ByteWidth = sizeof kQuad;
    quad.Usage = D3D11_USAGE_DEFAULT;
    quad.BindFlags = D3D11_BIND_VERTEX_BUFFER;
    const D3D11_SUBRESOURCE_DATA quadData{kQuad, 0, 0};
    failure.what = kBuffersFailure;
    hr = device_->CreateBuffer(&quad, &quadData, quadBuffer.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr))
        hr = createConstantBuffer(device_.Get(), sizeof(WarpMatrix), nullptr, matrixBuffer);
    if (SUCCEEDED(hr))
        hr = createConstantBuffer(device_.Get(), sizeof(LookConstants), nullptr, pictureLookBuffer);
    pictureLookValid_ = false;
    const LookConstants plain = lookConstants(PictureLook{});
    if (SUCCEEDED(hr))
        hr = createConstantBuffer(device_.Get(), sizeof(LookConstants), &plain, plainLookBuffer);
    if (FAILED(hr))
        return hr;

    failure.what = kSamplersFailure;
    hr = createSamplers(device_.Get(), textureSampler, pointSampler);
    if (FAILED(hr))
        return hr;
    failure.what = kBlendStatesFailure;
    return createBlendStates(device_.Get(), alphaBlend, invertBlend);
}

HRESULT Renderer::createSolidTexture(uint32_t colour, ComPtr<ID3D11ShaderResourceView>& slot)
{
    return createPixelTexture(1, 1, &colour, slot);
}

HRESULT Renderer::createPixelTexture(UINT width, UINT height, const uint32_t* pixels, ComPtr<ID3D11ShaderResourceView>& slot)
{
    D3D11_TEXTURE2D_DESC description{};
    description.Width = width;
    description.Height = height;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_IMMUTABLE;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    // Little-endian memory order of 0xAARRGGBB is B, G, R, A: the texture's own format.
    const D3D11_SUBRESOURCE_DATA data{pixels, width * 4, 0};
    ComPtr<ID3D11Texture2D> texture;
    HRESULT hr = device_->CreateTexture2D(&description, &data, texture.GetAddressOf());
    if (SUCCEEDED(hr))
        hr = device_->CreateShaderResourceView(texture.Get(), nullptr, slot.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        slot.Reset();
    return hr;
}

void Renderer::writePictureLook(const PictureLook& look)
{
    if (pictureLookValid_ && look == pictureLookWritten_)
        return;
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (FAILED(context_->Map(pictureLookBuffer.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped)))
        return;
    const LookConstants constants = lookConstants(look);
    std::memcpy(mapped.pData, &constants, sizeof constants);
    context_->Unmap(pictureLookBuffer.Get(), 0);
    pictureLookWritten_ = look;
    pictureLookValid_ = true;
}

void Renderer::bindWarpPipeline(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, ID3D11BlendState* blend,
                                ID3D11SamplerState* sampler, const PictureLook* look, bool masked)
{
    // A failed map keeps the previous matrix for this draw.
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (SUCCEEDED(context_->Map(matrixBuffer.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) {
        std::memcpy(mapped.pData, matrix.m.data(), sizeof matrix.m);
        context_->Unmap(matrixBuffer.Get(), 0);
    }
    context_->IASetInputLayout(inputLayout.Get());
    context_->VSSetShader(warpShader.Get(), nullptr, 0);
    context_->VSSetConstantBuffers(0, 1, matrixBuffer.GetAddressOf());
    const bool blending = look && blends(*look);
    ID3D11PixelShader* pixelShader = masked ? (blending ? maskedBlendShader.Get() : maskedSampleShader.Get())
                                            : (blending ? blendShader.Get() : sampleShader.Get());
    context_->PSSetShader(pixelShader, nullptr, 0);
    if (masked)
        context_->PSSetShaderResources(1, 1, frameTarget_->mask.view.GetAddressOf());
    if (look)
        writePictureLook(*look);
    ID3D11Buffer* lookBuffer = look ? pictureLookBuffer.Get() : plainLookBuffer.Get();
    context_->PSSetConstantBuffers(0, 1, &lookBuffer);
    ID3D11ShaderResourceView* source = texture ? texture : emptyTexture.Get();
    context_->PSSetShaderResources(0, 1, &source);
    context_->PSSetSamplers(0, 1, &sampler);
    const float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    context_->OMSetBlendState(blend, blendFactor, 0xFFFFFFFFu);
}

void Renderer::drawTexture(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, bool blend)
{
    drawQuad(texture, matrix, blend ? alphaBlend.Get() : nullptr, textureSampler.Get());
}

void Renderer::drawQuad(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, ID3D11BlendState* blend,
                        ID3D11SamplerState* sampler, const PictureLook* look, bool masked)
{
    bindWarpPipeline(texture, matrix, blend, sampler, look, masked);
    const UINT stride = sizeof(QuadPoint), offset = 0;
    context_->IASetVertexBuffers(0, 1, quadBuffer.GetAddressOf(), &stride, &offset);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context_->Draw(4, 0);
}

void Renderer::useMesh(const Mesh& mesh, std::size_t surface)
{
    if (!frameTarget_)
        return;
    if (frameTarget_->meshes.size() <= surface)
        frameTarget_->meshes.resize(surface + 1);
    meshInUse_ = surface;
    MeshBuffers& buffers = frameTarget_->meshes[surface];
    if (mesh == buffers.mesh)
        return;
    buffers.mesh = mesh;
    buffers.indexCount = 0;
    buffers.vertices.Reset();
    buffers.indices.Reset();
    MeshGeometry& geometry = meshGeometry_;
    buildMeshGeometry(mesh, geometry);
    if (geometry.indices.empty())
        return;
    D3D11_BUFFER_DESC vertices{};
    vertices.ByteWidth = static_cast<UINT>(geometry.vertices.size() * sizeof(WarpVertex));
    vertices.Usage = D3D11_USAGE_IMMUTABLE;
    vertices.BindFlags = D3D11_BIND_VERTEX_BUFFER;
    const D3D11_SUBRESOURCE_DATA vertexData{geometry.vertices.data(), 0, 0};
    D3D11_BUFFER_DESC indices{};
    indices.ByteWidth = static_cast<UINT>(geometry.indices.size() * sizeof(uint32_t));
    indices.Usage = D3D11_USAGE_IMMUTABLE;
    indices.BindFlags = D3D11_BIND_INDEX_BUFFER;
    const D3D11_SUBRESOURCE_DATA indexData{geometry.indices.data(), 0, 0};
    // Without both buffers the picture is drawn through the keystone's quad alone.
    if (FAILED(device_->CreateBuffer(&vertices, &vertexData, buffers.vertices.ReleaseAndGetAddressOf())) ||
        FAILED(device_->CreateBuffer(&indices, &indexData, buffers.indices.ReleaseAndGetAddressOf())))
        return;
    buffers.indexCount = static_cast<UINT>(geometry.indices.size());
}

void Renderer::drawWarpedTexture(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, bool blend,
                                 const PictureLook* look)
{
    ID3D11BlendState* blendState = blend ? alphaBlend.Get() : nullptr;
    const MeshBuffers* buffers =
        frameTarget_ && meshInUse_ < frameTarget_->meshes.size() ? &frameTarget_->meshes[meshInUse_] : nullptr;
    const bool masked = masking_ && frameTarget_;
    if (!buffers || buffers->indexCount == 0) {
        drawQuad(texture, matrix, blendState, textureSampler.Get(), look, masked);
        return;
    }
    bindWarpPipeline(texture, matrix, blendState, textureSampler.Get(), look, masked);
    const UINT stride = sizeof(WarpVertex), offset = 0;
    context_->IASetVertexBuffers(0, 1, buffers->vertices.GetAddressOf(), &stride, &offset);
    context_->IASetIndexBuffer(buffers->indices.Get(), DXGI_FORMAT_R32_UINT, 0);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->DrawIndexed(buffers->indexCount, 0, 0);
}

void Renderer::drawCornerHandle(float x, float y, int cornerIndex, bool selected)
{
    ID3D11ShaderResourceView* texture = selected ? selectedHandleTexture.Get() : handleTexture.Get();
    const HandleBars bars = cornerHandleBars(x, y, cornerIndex);
    drawTexture(texture, bars.horizontal, true);
    drawTexture(texture, bars.vertical, true);
}

void Renderer::drawPointHandle(float x, float y, bool selected)
{
    ID3D11ShaderResourceView* texture = selected ? selectedHandleTexture.Get() : handleTexture.Get();
    const HandleBars bars = pointHandleBars(x, y);
    drawTexture(texture, bars.horizontal, true);
    drawTexture(texture, bars.vertical, true);
}
