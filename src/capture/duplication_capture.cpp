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

} // namespace

HRESULT CaptureEngine::initDuplication()
{
    ComPtr<IDXGIDevice> dxgiDevice;
    if (!device || FAILED(device->QueryInterface(IID_PPV_ARGS(dxgiDevice.GetAddressOf()))))
        return E_FAIL;
    ComPtr<IDXGIAdapter> adapter;
    dxgiDevice->GetParent(IID_PPV_ARGS(adapter.GetAddressOf()));
    const ComPtr<IDXGIOutput> output = adapter ? outputShowingMonitor(adapter.Get(), monitorRect) : nullptr;
    if (!output) {
        useGdi = true;
        return S_OK;
    }
    ComPtr<IDXGIOutput1> output1;
    output->QueryInterface(IID_PPV_ARGS(output1.GetAddressOf()));
    // A frame held by the duplication that is replaced goes with it.
    frameHeld = false;
    const HRESULT hr =
        output1 ? output1->DuplicateOutput(device, duplication.ReleaseAndGetAddressOf()) : E_NOINTERFACE;
    if (FAILED(hr)) {
        Log("WARN", "DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)");
        useGdi = true;
    } else {
        useGdi = false;
    }
    return S_OK;
}

HRESULT CaptureEngine::acquireByDuplication(ComPtr<ID3D11Texture2D>& texture)
{
    DXGI_OUTDUPL_FRAME_INFO frameInfo{};
    ComPtr<IDXGIResource> desktop;
    const HRESULT acquired = duplication->AcquireNextFrame(kAcquireTimeoutMs, &frameInfo, desktop.GetAddressOf());
    const CaptureDecision decision = decideAfterAcquire(acquired, frameTexture != nullptr);
    switch (decision.step) {
    case CaptureStep::RecreateDuplication:
        duplication.Reset();
        frameHeld = false;
        initDuplication();
        return decision.result;
    case CaptureStep::RedeliverLastPicture:
        texture = frameTexture;
        return decision.result;
    case CaptureStep::CopyNewPicture:
        break;
    default:
        return decision.result;
    }

    // Held until the end of the pass, even when the copy below fails.
    frameHeld = true;
    ComPtr<ID3D11Texture2D> picture;
    if (FAILED(desktop.As(&picture)))
        return E_FAIL;
    D3D11_TEXTURE2D_DESC description{};
    picture->GetDesc(&description);
    if (!prepareCopyTexture(description))
        return E_FAIL;

    ComPtr<ID3D11DeviceContext> context;
    device->GetImmediateContext(context.GetAddressOf());
    context->CopySubresourceRegion(frameTexture.Get(), 0, 0, 0, 0, picture.Get(), 0, nullptr);
    context->GenerateMips(frameView.Get());
    texture = frameTexture;
    return S_OK;
}
