// The desktop-duplication branch of CaptureEngine.
#include <cstdio>
#include <vector>

#include <dxgi1_5.h>

#include "capture/capture_engine.h"
#include "capture/capture_rules.h"
#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kAcquireTimeoutMs = 16; // about one frame at 60 Hz
// scRGB's 1.0, and the SDR white level the system reports when it says nothing else.
constexpr float kScRgbWhiteNits = 80.0f;

// The adapter of the device as a factory that is current sees it: a factory made before the system's list
// of adapters changed (a dock, a driver update, a projector on a USB display adapter) lists stale outputs,
// so it is made anew (IsCurrent). The device's own adapter where no current one can be had.
ComPtr<IDXGIAdapter1> currentAdapterOf(ID3D11Device* device, ComPtr<IDXGIFactory1>& factory)
{
    ComPtr<IDXGIDevice> dxgiDevice;
    ComPtr<IDXGIAdapter> deviceAdapter;
    if (FAILED(device->QueryInterface(IID_PPV_ARGS(dxgiDevice.GetAddressOf()))) ||
        FAILED(dxgiDevice->GetAdapter(deviceAdapter.GetAddressOf())))
        return nullptr;
    DXGI_ADAPTER_DESC wanted{};
    deviceAdapter->GetDesc(&wanted);
    if (!factory || !factory->IsCurrent())
        CreateDXGIFactory1(IID_PPV_ARGS(factory.ReleaseAndGetAddressOf()));
    ComPtr<IDXGIAdapter1> adapter;
    for (UINT i = 0; factory && SUCCEEDED(factory->EnumAdapters1(i, adapter.ReleaseAndGetAddressOf())); ++i) {
        DXGI_ADAPTER_DESC description{};
        if (SUCCEEDED(adapter->GetDesc(&description)) &&
            description.AdapterLuid.LowPart == wanted.AdapterLuid.LowPart &&
            description.AdapterLuid.HighPart == wanted.AdapterLuid.HighPart)
            return adapter;
    }
    ComPtr<IDXGIAdapter1> own;
    deviceAdapter.As(&own);
    return own;
}

constexpr ULONGLONG kRetryAfterLossMs = 1000;

// DXGI_MODE_ROTATION as clockwise quarter turns; an unspecified rotation is none.
int32_t quarterTurnsOf(DXGI_MODE_ROTATION rotation)
{
    switch (rotation) {
    case DXGI_MODE_ROTATION_ROTATE90:
        return 1;
    case DXGI_MODE_ROTATION_ROTATE180:
        return 2;
    case DXGI_MODE_ROTATION_ROTATE270:
        return 3;
    default:
        return 0;
    }
}

} // namespace

HRESULT duplicateRealOutput(IDXGIOutput* output, ID3D11Device* device, IDXGIOutputDuplication** duplication)
{
    // Offered the float desktop, the system hands the HDR (or colour-managed) desktop as it is composed,
    // where the legacy call hands an 8-bit picture clipped from it, which looks washed out.
    ComPtr<IDXGIOutput5> output5;
    if (SUCCEEDED(output->QueryInterface(IID_PPV_ARGS(output5.GetAddressOf())))) {
        const DXGI_FORMAT formats[] = {DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_B8G8R8A8_UNORM};
        if (SUCCEEDED(output5->DuplicateOutput1(device, 0, 2, formats, duplication)))
            return S_OK;
    }
    ComPtr<IDXGIOutput1> output1;
    if (FAILED(output->QueryInterface(IID_PPV_ARGS(output1.GetAddressOf()))))
        return E_NOINTERFACE;
    return output1->DuplicateOutput(device, duplication);
}

ComPtr<IDXGIOutput> CaptureEngine::outputShowingCaptureMonitor()
{
    const ComPtr<IDXGIAdapter1> adapter = currentAdapterOf(device_, factory_);
    if (!adapter)
        return nullptr;
    std::vector<ComPtr<IDXGIOutput>> outputs;
    std::vector<OutputPlace> places;
    ComPtr<IDXGIOutput> output;
    // The list ends at the first index without an output; any other failure ends it too, or an adapter
    // that fails every index would be asked about four billion of them.
    for (UINT i = 0; SUCCEEDED(adapter->EnumOutputs(i, output.ReleaseAndGetAddressOf())); ++i) {
        DXGI_OUTPUT_DESC description{};
        if (!output || FAILED(output->GetDesc(&description)))
            continue;
        const RECT& d = description.DesktopCoordinates;
        places.push_back({reinterpret_cast<std::uintptr_t>(description.Monitor), {d.left, d.top, d.right, d.bottom}});
        outputs.push_back(output);
    }
    const auto chosen = outputShowing(places, reinterpret_cast<std::uintptr_t>(monitorHandle_), monitorRect_);
    return chosen ? outputs[*chosen] : nullptr;
}

HRESULT CaptureEngine::initDuplication()
{
    if (!device_)
        return E_FAIL;
    // No monitor has the index: the GDI copy takes the primary, with nothing to duplicate or try again.
    if (monitorRect_.width() <= 0 || monitorRect_.height() <= 0) {
        useGdi_ = true;
        return S_OK;
    }
    const ComPtr<IDXGIOutput> output = outputShowingCaptureMonitor();
    // A frame held by the duplication that is replaced goes with it.
    frameHeld_ = false;
    const HRESULT hr = output ? duplicateOutput(output.Get(), device_, duplication_.ReleaseAndGetAddressOf())
                              : DXGI_ERROR_NOT_FOUND;
    if (FAILED(hr) || !duplication_) {
        duplication_.Reset();
        // Said once: the retries, about once a second, fail quietly until one succeeds.
        if (!retryingDuplication_)
            Log("WARN", "DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)");
        useGdi_ = true;
        retryingDuplication_ = true;
        retryDuplicationAt_ = GetTickCount64() + kRetryAfterLossMs;
        return S_OK;
    }
    DXGI_OUTDUPL_DESC description{};
    duplication_->GetDesc(&description);
    quarterTurns_ = quarterTurnsOf(description.Rotation);
    floatDesktop_ = description.ModeDesc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;
    sdrWhiteNits_ = floatDesktop_ && whiteLevelOf ? whiteLevelOf(monitorHandle_) : kScRgbWhiteNits;
    if (retryingDuplication_)
        Log("LOG", "Captura DXGI restabelecida");
    if (floatDesktop_) {
        char message[128];
        std::snprintf(message, sizeof message, "Area de trabalho HDR capturada; branco SDR em %.0f nits",
                      static_cast<double>(sdrWhiteNits_));
        Log("LOG", message);
    }
    useGdi_ = false;
    retryingDuplication_ = false;
    return S_OK;
}

void CaptureEngine::retryDuplicationWhenDue()
{
    if (GetTickCount64() < retryDuplicationAt_)
        return;
    retryDuplicationAt_ = GetTickCount64() + kRetryAfterLossMs;
    initDuplication();
}

HRESULT CaptureEngine::copyDesktopPicture(ID3D11Texture2D* picture)
{
    D3D11_TEXTURE2D_DESC description{};
    picture->GetDesc(&description);
    const PictureShape upright =
        uprightShape({description.Width, description.Height, static_cast<uint32_t>(description.Format)}, quarterTurns_);
    description.Width = upright.width;
    description.Height = upright.height;
    // A float desktop is brought into the 8-bit picture by the same draw that turns it upright.
    const bool toSdr = description.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;
    if (toSdr)
        description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    if (!prepareCopyTexture(description))
        return E_FAIL;
    ComPtr<ID3D11DeviceContext> context;
    device_->GetImmediateContext(context.GetAddressOf());
    const float sdrScale = toSdr ? kScRgbWhiteNits / sdrWhiteNits_ : 0.0f;
    if (quarterTurns_ == 0 && !toSdr)
        context->CopySubresourceRegion(frameTexture_.Get(), 0, 0, 0, 0, picture, 0, nullptr);
    else if (FAILED(uprightCopy_.copy(device_, picture, quarterTurns_, frameTexture_.Get(), sdrScale)))
        return E_FAIL;
    context->GenerateMips(frameView_.Get());
    return S_OK;
}

HRESULT CaptureEngine::acquireByDuplication()
{
    DXGI_OUTDUPL_FRAME_INFO frameInfo{};
    ComPtr<IDXGIResource> desktop;
    const HRESULT acquired = duplication_->AcquireNextFrame(kAcquireTimeoutMs, &frameInfo, desktop.GetAddressOf());
    const CaptureDecision decision = decideAfterAcquire(acquired, frameTexture_ != nullptr);
    switch (decision.step) {
    case CaptureStep::RecreateDuplication:
        // A mode change, a full-screen program, the secure desktop: the last picture stays meanwhile.
        Log("LOG", "Captura DXGI perdida; recriando a duplicacao");
        duplication_.Reset();
        frameHeld_ = false;
        initDuplication();
        return decision.result;
    case CaptureStep::RedeliverLastPicture:
        return decision.result;
    case CaptureStep::CopyNewPicture:
        break;
    default:
        return decision.result;
    }

    // Held until the end of the pass, even when the copy below fails.
    frameHeld_ = true;
    if (trackPointer_)
        readDuplicationPointer(frameInfo);
    // A frame with no present time moved only the pointer: the picture is the one already copied.
    if (frameInfo.LastPresentTime.QuadPart == 0 && frameTexture_)
        return S_OK;
    ComPtr<ID3D11Texture2D> picture;
    if (FAILED(desktop.As(&picture)) || FAILED(copyDesktopPicture(picture.Get())))
        return E_FAIL;
    ++pictureVersion_;
    return S_OK;
}
