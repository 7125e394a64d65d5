// Renderer: device and adapter choice, window targets, the frame cycle, the panel library's lifetime.
#include "render/renderer.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include <cstdio>
#include <iterator>
#include <string_view>
#include <vector>

#include "capture/capture_rules.h"
#include "platform/debug_log.h"
#include "platform/wide_text.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr const char* kSwapChainFailure = "Falha ao criar a cadeia de troca da janela";
constexpr const char* kTargetViewFailure = "Falha ao criar a vista de destino da janela";
constexpr const char* kSolidTexturesFailure = "Falha ao criar as texturas de cor unica";
constexpr const char* kAltEnterFailure = "Falha ao desativar Alt+Enter na janela";
// Magenta: seen over black and over white alike.
constexpr uint32_t kOutlineColour = 0xFFFF00FFu;

// The result code in hex, then what the compiler said, for the log line of a set-up that cannot go on.
std::string setUpFailureText(const char* what, HRESULT hr, std::string_view compilerMessages = {})
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    std::string message = std::string(what) + " (" + code + ")";
    if (!compilerMessages.empty())
        message += ": " + std::string(compilerMessages);
    return message;
}

void logSetUpFailure(const char* what, HRESULT hr, std::string_view compilerMessages = {})
{
    Log("WARN", setUpFailureText(what, hr, compilerMessages).c_str());
}

// Whether one of the adapter's outputs shows the monitor with this system handle.
bool adapterShows(IDXGIAdapter1* adapter, std::uintptr_t monitor)
{
    ComPtr<IDXGIOutput> output;
    for (UINT i = 0; SUCCEEDED(adapter->EnumOutputs(i, output.ReleaseAndGetAddressOf())); ++i) {
        DXGI_OUTPUT_DESC description{};
        if (output && SUCCEEDED(output->GetDesc(&description)) &&
            reinterpret_cast<std::uintptr_t>(description.Monitor) == monitor)
            return true;
    }
    return false;
}

// The saved adapter, or the one that shows the capture monitor where the saved one does not (a laptop with
// two graphics chips, a monitor on a USB display adapter): duplication works only on the monitor's own
// adapter. Said in one line when it is another.
ComPtr<IDXGIAdapter1> adapterFor(IDXGIFactory1* factory, const AdapterWish& wish, bool quiet)
{
    std::vector<bool> shows;
    ComPtr<IDXGIAdapter1> adapter;
    for (UINT i = 0; SUCCEEDED(factory->EnumAdapters1(i, adapter.ReleaseAndGetAddressOf())); ++i)
        shows.push_back(wish.captureMonitor != 0 && adapterShows(adapter.Get(), wish.captureMonitor));
    const AdapterChoice choice = adapterForCapture(wish.index, shows);
    if (FAILED(factory->EnumAdapters1(choice.index, adapter.ReleaseAndGetAddressOf())))
        return nullptr;
    if (choice.movedForCapture && !quiet) {
        DXGI_ADAPTER_DESC1 description{};
        adapter->GetDesc1(&description);
        char message[256];
        std::snprintf(message, sizeof message,
                      "Adaptador %u (%s) usado: ele mostra o monitor de captura, o adaptador %u nao",
                      choice.index, utf8Text(description.Description).c_str(), wish.index);
        Log("LOG", message);
    }
    return adapter;
}

} // namespace

Renderer::Renderer()
{
    comEntered_ = SUCCEEDED(CoInitialize(nullptr));
    CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(imagingFactory_.ReleaseAndGetAddressOf()));
}

Renderer::~Renderer()
{
    if (panelLibraryReady_) {
        ImGui_ImplDX11_Shutdown();
        ImGui_ImplWin32_Shutdown();
        ImGui::DestroyContext();
    }
    outlineTexture.Reset();
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
    maskedBlendShader.Reset();
    maskedSampleShader.Reset();
    blendShader.Reset();
    sampleShader.Reset();
    warpShader.Reset();
    controlTarget.Reset();
    controlSwapChain_.Reset();
    factory.Reset();
    context_.Reset();
    device_.Reset();
    imagingFactory_.Reset();
    if (comEntered_)
        CoUninitialize();
}

HRESULT Renderer::initialize(HWND controlWindow, AdapterWish wish, bool quiet, const WarpShaderTexts& shaders)
{
    const auto failed = [this, quiet](const char* what, HRESULT hr, std::string_view compilerMessages = {}) {
        setUpFailure_ = setUpFailureText(what, hr, compilerMessages);
        if (!quiet)
            Log("WARN", setUpFailure_.c_str());
        return hr;
    };
    setUpFailure_.clear();
    ComPtr<IDXGIAdapter1> adapter;
    if (SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(factory.ReleaseAndGetAddressOf()))))
        adapter = adapterFor(factory.Get(), wish, quiet);

    // The shaders are model 4.0: any card of level 10_0 draws them.
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
    HRESULT hr = D3D11CreateDevice(adapter.Get(), adapter ? D3D_DRIVER_TYPE_UNKNOWN : D3D_DRIVER_TYPE_HARDWARE,
                                   nullptr, 0, levels, static_cast<UINT>(std::size(levels)), D3D11_SDK_VERSION,
                                   device_.ReleaseAndGetAddressOf(), &featureLevel_, context_.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return failed("Falha ao criar o dispositivo Direct3D 11 (nivel 10_0 ou superior)", hr);
    if (!factory)
        return failed("Falha ao criar a fabrica DXGI", E_FAIL);
    if (featureLevel_ != D3D_FEATURE_LEVEL_11_0 && !quiet)
        Log("LOG", featureLevel_ == D3D_FEATURE_LEVEL_10_1 ? "Placa grafica no nivel Direct3D 10_1"
                                                           : "Placa grafica no nivel Direct3D 10_0");
    // One frame queued at most instead of three: the projector is at most a refresh behind the desktop.
    ComPtr<IDXGIDevice1> dxgiDevice;
    if (SUCCEEDED(device_.As(&dxgiDevice)))
        dxgiDevice->SetMaximumFrameLatency(1);
    SetUpFailure failure;
    hr = createWindowTarget(factory.Get(), controlWindow, controlSwapChain_, controlTarget, controlViewport, failure);
    if (FAILED(hr))
        return failed(failure.what, hr);

    hr = createWarpPipeline(shaders, failure);
    if (FAILED(hr))
        return failed(failure.what, hr, failure.compilerMessages);
    setUpPanelLibrary(controlWindow);
    hr = createSolidTexture(0xFFFF0000u, handleTexture);
    if (SUCCEEDED(hr))
        hr = createSolidTexture(0xFF00FF00u, selectedHandleTexture);
    if (SUCCEEDED(hr))
        hr = createSolidTexture(0x00000000u, emptyTexture);
    if (SUCCEEDED(hr))
        hr = createSolidTexture(kOutlineColour, outlineTexture);
    if (FAILED(hr))
        return failed(kSolidTexturesFailure, hr);
    return S_OK;
}

HRESULT Renderer::makeProjectionTarget(HWND window, ProjectionTarget& target, bool quiet)
{
    target = ProjectionTarget{};
    target.window = window;
    SetUpFailure failure{kSwapChainFailure, {}};
    const HRESULT hr = factory && window ? createWindowTarget(factory.Get(), window, target.swapChain, target.target,
                                                              target.viewport, failure)
                                         : E_FAIL;
    if (FAILED(hr)) {
        if (!quiet)
            logSetUpFailure(failure.what, hr);
        target = ProjectionTarget{};
    }
    return hr;
}

void Renderer::releaseProjectionTarget(ProjectionTarget& target)
{
    // Nothing of it may stay bound when its swap chain goes.
    if (context_)
        context_->OMSetRenderTargets(0, nullptr, nullptr);
    if (frameTarget_ == &target)
        frameTarget_ = nullptr;
    target = ProjectionTarget{};
}

HRESULT Renderer::createWindowTarget(IDXGIFactory1* dxgiFactory, HWND window, ComPtr<IDXGISwapChain>& swapChain,
                                     ComPtr<ID3D11RenderTargetView>& target, D3D11_VIEWPORT& viewport,
                                     SetUpFailure& failure)
{
    failure.what = kSwapChainFailure;
    // Width and height 0: DXGI takes the window's client size.
    DXGI_SWAP_CHAIN_DESC description{};
    description.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    description.BufferCount = 2;
    description.OutputWindow = window;
    description.Windowed = TRUE;
    description.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;

    HRESULT hr = dxgiFactory->CreateSwapChain(device_.Get(), &description, swapChain.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;
    // Alt+Enter would take the window to exclusive full-screen on a monitor of DXGI's choice; a projection
    // already covers its own. Only the factory that made the swap chain can turn that off. Without it the
    // window still draws, so a refusal is said and set-up goes on.
    if (const HRESULT associated = dxgiFactory->MakeWindowAssociation(window, DXGI_MWA_NO_ALT_ENTER); FAILED(associated))
        logSetUpFailure(kAltEnterFailure, associated);
    ComPtr<ID3D11Texture2D> backBuffer;
    hr = swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    failure.what = kTargetViewFailure;
    hr = device_->CreateRenderTargetView(backBuffer.Get(), nullptr, target.ReleaseAndGetAddressOf());
    if (FAILED(hr))
        return hr;

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
    ImGui_ImplDX11_Init(device_.Get(), context_.Get());
    panelLibraryReady_ = true;
}

bool Renderer::beginProjectionFrame(ProjectionTarget& projection)
{
    frameTarget_ = nullptr;
    masking_ = false;
    if (!projection.swapChain)
        return false;
    RECT client{};
    GetClientRect(projection.window, &client);
    const float width = static_cast<float>(client.right - client.left);
    const float height = static_cast<float>(client.bottom - client.top);
    if (width <= 0.0f || height <= 0.0f)
        return false;

    // The viewport records the back buffers' size, so steady state never resizes; a view that could not
    // be made is tried again, whatever the size.
    if (!projection.target || width != projection.viewport.Width || height != projection.viewport.Height)
        resizeProjectionBuffers(projection, static_cast<UINT>(width), static_cast<UINT>(height));
    if (!projection.target)
        return false;

    ID3D11RenderTargetView* targets[] = {projection.target.Get()};
    context_->OMSetRenderTargets(1, targets, nullptr);
    context_->RSSetViewports(1, &projection.viewport);
    // Cleared only when drawn: a hidden projector costs nothing.
    clearTarget(projection.target.Get());
    frameTarget_ = &projection;
    masking_ = false;
    meshInUse_ = 0;
    return true;
}

void Renderer::resizeProjectionBuffers(ProjectionTarget& projection, UINT width, UINT height)
{
    resizeWindowBuffers(projection.swapChain.Get(), projection.target, projection.viewport, width, height);
}

void Renderer::resizeWindowBuffers(IDXGISwapChain* swapChain, ComPtr<ID3D11RenderTargetView>& target,
                                   D3D11_VIEWPORT& viewport, UINT width, UINT height)
{
    // Every view of the back buffers must be gone before they can be resized.
    target.Reset();
    context_->OMSetRenderTargets(0, nullptr, nullptr);
    const HRESULT resized = swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, 0);
    noteDeviceResult(resized);
    ComPtr<ID3D11Texture2D> backBuffer;
    if (FAILED(swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()))))
        return;
    device_->CreateRenderTargetView(backBuffer.Get(), nullptr, target.ReleaseAndGetAddressOf());
    // Only a resize that took records the new size; a failed one keeps drawing at the old size and is
    // tried again.
    if (SUCCEEDED(resized) && target)
        viewport = {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
}

void Renderer::presentProjection(ProjectionTarget& target, bool waitForVerticalBlank)
{
    if (frameTarget_ == &target) {
        frameTarget_ = nullptr;
        masking_ = false;
    }
    if (target.swapChain)
        noteDeviceResult(target.swapChain->Present(waitForVerticalBlank ? 1 : 0, 0));
}

void Renderer::beginControlFrame()
{
    ID3D11RenderTargetView* targets[] = {controlTarget.Get()};
    context_->OMSetRenderTargets(1, targets, nullptr);
    context_->RSSetViewports(1, &controlViewport);
    // None after a failed resize: the panel draws nowhere until the next size takes.
    if (controlTarget)
        clearTarget(controlTarget.Get());
}

void Renderer::clearTarget(ID3D11RenderTargetView* target)
{
    const float transparentBlack[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    context_->ClearRenderTargetView(target, transparentBlack);
}

void Renderer::resizeControlTarget(UINT width, UINT height)
{
    if (!controlSwapChain_ || width == 0 || height == 0 ||
        (static_cast<float>(width) == controlViewport.Width && static_cast<float>(height) == controlViewport.Height))
        return;
    resizeWindowBuffers(controlSwapChain_.Get(), controlTarget, controlViewport, width, height);
}

void Renderer::presentControl()
{
    noteDeviceResult(controlSwapChain_->Present(0, 0));
}

void Renderer::noteDeviceResult(HRESULT result)
{
    if ((result == DXGI_ERROR_DEVICE_REMOVED || result == DXGI_ERROR_DEVICE_RESET) && lostDevice_ == S_OK)
        lostDevice_ = result;
}

HRESULT Renderer::removedReason() const
{
    return device_ ? device_->GetDeviceRemovedReason() : E_FAIL;
}
