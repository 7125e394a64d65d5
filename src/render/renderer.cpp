// Renderer: device and adapter choice, window targets, the frame cycle, the panel library's lifetime.
#include "render/renderer.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include <cstdio>

#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

namespace {

// The result code in hex, for the log line of a set-up that cannot go on.
void logSetUpFailure(const char* what, HRESULT hr)
{
    char message[128];
    std::snprintf(message, sizeof message, "%s (0x%08lX)", what, static_cast<unsigned long>(hr));
    Log("WARN", message);
}

} // namespace

Renderer::Renderer()
{
    comEntered_ = SUCCEEDED(CoInitialize(nullptr));
    CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(imagingFactory.ReleaseAndGetAddressOf()));
}

Renderer::~Renderer()
{
    if (panelLibraryReady_) {
        ImGui_ImplDX11_Shutdown();
        ImGui_ImplWin32_Shutdown();
        ImGui::DestroyContext();
    }
    emptyTexture.Reset();
    pointSampler.Reset();
    invertBlend.Reset();
    pointerInvert.Reset();
    pointerColour.Reset();
    selectedHandleTexture.Reset();
    handleTexture.Reset();
    alphaBlend.Reset();
    textureSampler.Reset();
    plainLookBuffer.Reset();
    pictureLookBuffer.Reset();
    matrixBuffer.Reset();
    quadBuffer.Reset();
    inputLayout.Reset();
    blendShader.Reset();
    sampleShader.Reset();
    warpShader.Reset();
    projections.clear();
    controlTarget.Reset();
    controlSwapChain.Reset();
    factory.Reset();
    context.Reset();
    device.Reset();
    imagingFactory.Reset();
    if (comEntered_)
        CoUninitialize();
}

HRESULT Renderer::initialize(HWND controlWindow, const std::vector<HWND>& projectionWindows, UINT adapterIndex,
                             bool quiet)
{
    const auto failed = [quiet](const char* what, HRESULT hr) {
        if (!quiet)
            logSetUpFailure(what, hr);
        return hr;
    };
    ComPtr<IDXGIAdapter1> adapter;
    if (SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())))) {
        // An index with no adapter (a negative setting arrives as a huge one) falls back to adapter 0.
        if (FAILED(factory->EnumAdapters1(adapterIndex, adapter.ReleaseAndGetAddressOf())))
            factory->EnumAdapters1(0, adapter.ReleaseAndGetAddressOf());
    }

    const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
    HRESULT hr = D3D11CreateDevice(adapter.Get(), adapter ? D3D_DRIVER_TYPE_UNKNOWN : D3D_DRIVER_TYPE_HARDWARE,
                                   nullptr, 0, &level, 1, D3D11_SDK_VERSION, device.ReleaseAndGetAddressOf(),
                                   nullptr, context.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return failed("Falha ao criar o dispositivo Direct3D 11", hr);
    if (!factory)
        return failed("Falha ao criar a fabrica DXGI", E_FAIL);
    hr = createWindowTarget(factory.Get(), controlWindow, controlSwapChain, controlTarget, controlViewport);
    for (HWND window : projectionWindows) {
        if (FAILED(hr))
            break;
        ProjectionTarget& projection = projections.emplace_back();
        projection.window = window;
        hr = createWindowTarget(factory.Get(), window, projection.swapChain, projection.target, projection.viewport);
    }
    if (FAILED(hr))
        return failed("Falha ao criar a cadeia de troca da janela", hr);

    createWarpPipeline();
    setUpPanelLibrary(controlWindow);
    createSolidTexture(0xFFFF0000u, handleTexture);
    createSolidTexture(0xFF00FF00u, selectedHandleTexture);
    createSolidTexture(0x00000000u, emptyTexture);
    return S_OK;
}

HRESULT Renderer::addProjectionTarget(HWND window)
{
    ProjectionTarget projection;
    projection.window = window;
    const HRESULT hr = factory ? createWindowTarget(factory.Get(), window, projection.swapChain, projection.target,
                                                    projection.viewport)
                               : E_FAIL;
    if (FAILED(hr)) {
        logSetUpFailure("Falha ao criar a cadeia de troca da janela", hr);
        return hr;
    }
    projections.push_back(std::move(projection));
    return S_OK;
}

void Renderer::removeProjectionTarget(std::size_t index)
{
    if (index >= projections.size())
        return;
    // Nothing of it may stay bound when its swap chain goes.
    context->OMSetRenderTargets(0, nullptr, nullptr);
    projections.erase(projections.begin() + static_cast<std::ptrdiff_t>(index));
    currentProjection_ = 0;
}

HRESULT Renderer::createWindowTarget(IDXGIFactory1* dxgiFactory, HWND window, ComPtr<IDXGISwapChain>& swapChain,
                                     ComPtr<ID3D11RenderTargetView>& target, D3D11_VIEWPORT& viewport)
{
    // Width and height 0: DXGI takes the window's client size.
    DXGI_SWAP_CHAIN_DESC description{};
    description.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    description.BufferCount = 2;
    description.OutputWindow = window;
    description.Windowed = TRUE;
    description.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;

    HRESULT hr = dxgiFactory->CreateSwapChain(device.Get(), &description, swapChain.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    ComPtr<ID3D11Texture2D> backBuffer;
    hr = swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    device->CreateRenderTargetView(backBuffer.Get(), nullptr, target.ReleaseAndGetAddressOf());

    D3D11_TEXTURE2D_DESC size{};
    backBuffer->GetDesc(&size);
    viewport = {0.0f, 0.0f, static_cast<float>(size.Width), static_cast<float>(size.Height), 0.0f, 1.0f};
    return S_OK;
}

void Renderer::setUpPanelLibrary(HWND controlWindow)
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    // No imgui.ini is ever read or written.
    ImGui::GetIO().IniFilename = nullptr;
    // The built-in font at the panel's 11 pixels (its 13 at the 0.85 the panel always drew it at),
    // rasterised at that size with the library's own settings for it: one sample per pixel, whole-pixel
    // advances. Scaled down from 13 when drawn instead, its one-pixel strokes fall between texels and
    // the decimal point vanishes.
    ImFontConfig font;
    font.SizePixels = 11.0f;
    font.OversampleH = font.OversampleV = 1;
    font.PixelSnapH = true;
    ImGui::GetIO().Fonts->AddFontDefault(&font);
    ImGui_ImplWin32_Init(controlWindow);
    ImGui_ImplDX11_Init(device.Get(), context.Get());
    panelLibraryReady_ = true;
}

bool Renderer::beginProjectionFrame(std::size_t index)
{
    if (index >= projections.size())
        return false;
    ProjectionTarget& projection = projections[index];
    currentProjection_ = index;
    RECT client{};
    GetClientRect(projection.window, &client);
    const float width = static_cast<float>(client.right - client.left);
    const float height = static_cast<float>(client.bottom - client.top);
    if (width <= 0.0f || height <= 0.0f)
        return false;

    // The viewport records the back buffers' size, so steady state never resizes.
    if (width != projection.viewport.Width || height != projection.viewport.Height)
        resizeProjectionBuffers(projection, static_cast<UINT>(width), static_cast<UINT>(height));
    if (!projection.target)
        return false;

    ID3D11RenderTargetView* targets[] = {projection.target.Get()};
    context->OMSetRenderTargets(1, targets, nullptr);
    context->RSSetViewports(1, &projection.viewport);
    // Cleared only when drawn: a hidden projector costs nothing.
    clearTarget(projection.target.Get());
    return true;
}

void Renderer::resizeProjectionBuffers(ProjectionTarget& projection, UINT width, UINT height)
{
    // Every view of the back buffers must be gone before they can be resized.
    projection.target.Reset();
    context->OMSetRenderTargets(0, nullptr, nullptr);
    const HRESULT resized = projection.swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, 0);
    noteDeviceResult(resized);
    ComPtr<ID3D11Texture2D> backBuffer;
    if (FAILED(projection.swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()))))
        return;
    device->CreateRenderTargetView(backBuffer.Get(), nullptr, projection.target.ReleaseAndGetAddressOf());
    // Only a resize that took records the new size; a failed one keeps drawing at the old size and is
    // tried again in the next pass.
    if (SUCCEEDED(resized) && projection.target)
        projection.viewport = {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
}

void Renderer::presentProjection(std::size_t index, bool waitForVerticalBlank)
{
    if (index < projections.size())
        noteDeviceResult(projections[index].swapChain->Present(waitForVerticalBlank ? 1 : 0, 0));
}

void Renderer::beginControlFrame()
{
    ID3D11RenderTargetView* targets[] = {controlTarget.Get()};
    context->OMSetRenderTargets(1, targets, nullptr);
    context->RSSetViewports(1, &controlViewport);
    clearTarget(controlTarget.Get());
}

void Renderer::clearTarget(ID3D11RenderTargetView* target)
{
    const float transparentBlack[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    context->ClearRenderTargetView(target, transparentBlack);
}

void Renderer::presentControl()
{
    noteDeviceResult(controlSwapChain->Present(0, 0));
}

void Renderer::noteDeviceResult(HRESULT result)
{
    if ((result == DXGI_ERROR_DEVICE_REMOVED || result == DXGI_ERROR_DEVICE_RESET) && lostDevice == S_OK)
        lostDevice = result;
}

HRESULT Renderer::removedReason() const
{
    return device ? device->GetDeviceRemovedReason() : E_FAIL;
}
