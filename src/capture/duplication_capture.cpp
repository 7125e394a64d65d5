// The desktop-duplication branch of CaptureEngine.
#include <vector>

#include "capture/capture_engine.h"
#include "capture/capture_rules.h"
#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kAcquireTimeoutMs = 16; // about one frame at 60 Hz

// The adapter's output whose desktop rectangle is the capture monitor's. Output numbers need not
// follow the system's monitor order (hybrid-GPU laptops), so the rectangle decides.
ComPtr<IDXGIOutput> outputShowingMonitor(IDXGIAdapter* adapter, const Rect& monitorRect)
{
    std::vector<ComPtr<IDXGIOutput>> outputs;
    std::vector<Rect> areas;
    ComPtr<IDXGIOutput> output;
    // The list ends at the first index without an output; any other failure ends it too, or an adapter
    // that fails every index would be asked about four billion of them.
    for (UINT i = 0; SUCCEEDED(adapter->EnumOutputs(i, output.ReleaseAndGetAddressOf())); ++i) {
        DXGI_OUTPUT_DESC description{};
        if (!output || FAILED(output->GetDesc(&description)))
            continue;
        const RECT& d = description.DesktopCoordinates;
        areas.push_back({d.left, d.top, d.right, d.bottom});
        outputs.push_back(output);
    }
    const auto chosen = outputShowing(areas, monitorRect);
    return chosen ? outputs[*chosen] : nullptr;
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

HRESULT duplicateRealOutput(IDXGIOutput1* output, ID3D11Device* device, IDXGIOutputDuplication** duplication)
{
    return output->DuplicateOutput(device, duplication);
}

HRESULT CaptureEngine::initDuplication()
{
    ComPtr<IDXGIDevice> dxgiDevice;
    if (!device_ || FAILED(device_->QueryInterface(IID_PPV_ARGS(dxgiDevice.GetAddressOf()))))
        return E_FAIL;
    ComPtr<IDXGIAdapter> adapter;
    dxgiDevice->GetParent(IID_PPV_ARGS(adapter.GetAddressOf()));
    const ComPtr<IDXGIOutput> output = adapter ? outputShowingMonitor(adapter.Get(), monitorRect_) : nullptr;
    if (!output) {
        useGdi_ = true;
        return S_OK;
    }
    ComPtr<IDXGIOutput1> output1;
    output->QueryInterface(IID_PPV_ARGS(output1.GetAddressOf()));
    // A frame held by the duplication that is replaced goes with it.
    frameHeld_ = false;
    const HRESULT hr =
        output1 ? duplicateOutput(output1.Get(), device_, duplication_.ReleaseAndGetAddressOf()) : E_NOINTERFACE;
    if (FAILED(hr) || !duplication_) {
        duplication_.Reset();
        // Said once: retries after a loss fail quietly until one succeeds.
        if (!duplicationLost_)
            Log("WARN", "DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)");
        useGdi_ = true;
        return S_OK;
    }
    DXGI_OUTDUPL_DESC description{};
    duplication_->GetDesc(&description);
    quarterTurns_ = quarterTurnsOf(description.Rotation);
    useGdi_ = false;
    duplicationLost_ = false;
    return S_OK;
}

void CaptureEngine::retryLostDuplication()
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
    if (!prepareCopyTexture(description))
        return E_FAIL;
    ComPtr<ID3D11DeviceContext> context;
    device_->GetImmediateContext(context.GetAddressOf());
    if (quarterTurns_ == 0)
        context->CopySubresourceRegion(frameTexture_.Get(), 0, 0, 0, 0, picture, 0, nullptr);
    else if (FAILED(uprightCopy_.copy(device_, picture, quarterTurns_, frameTexture_.Get())))
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
        duplicationLost_ = useGdi_;
        retryDuplicationAt_ = GetTickCount64() + kRetryAfterLossMs;
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
