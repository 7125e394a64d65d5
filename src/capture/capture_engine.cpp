// CaptureEngine: monitor choice, the copy texture, frame release and destruction.
#include "capture/capture_engine.h"

#include <cstdio>

#include "capture/capture_rules.h"
#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

CaptureEngine::~CaptureEngine()
{
    releaseFrame();
    frameView.Reset();
    frameTexture.Reset();
    duplication.Reset();
}

HRESULT CaptureEngine::init(ID3D11Device* newDevice, int32_t newMonitorIndex, const Rect& monitorArea)
{
    device = newDevice;
    monitorIndex = newMonitorIndex;
    useGdi = false;
    duplicationLost = false;
    quarterTurns = 0;
    frameView.Reset();
    frameTexture.Reset();
    duplication.Reset();
    // A frame held by the duplication just released went with it.
    frameHeld = false;

    monitorRect = monitorArea;

    char message[128];
    std::snprintf(message, sizeof message, "CaptureEngine: Monitor %d selecionado (%dx%d)", monitorIndex,
                  monitorRect.width(), monitorRect.height());
    Log("INFO", message);
    return initDuplication();
}

HRESULT CaptureEngine::acquireFrame(ComPtr<ID3D11Texture2D>& texture)
{
    if (useGdi && duplicationLost)
        retryLostDuplication();
    if (!trackPointer)
        pointer.visible = false;
    const CaptureDecision decision = decideBeforeAcquire(useGdi, duplication != nullptr);
    switch (decision.step) {
    case CaptureStep::CopyByGdi:
        return copyByGdi(texture);
    case CaptureStep::AcquireFromDuplication:
        return acquireByDuplication(texture);
    default:
        return decision.result;
    }
}

void CaptureEngine::releaseFrame()
{
    if (duplication && frameHeld) {
        // A failure here (no frame held after a re-init) is harmless.
        duplication->ReleaseFrame();
        frameHeld = false;
    }
}

bool CaptureEngine::prepareCopyTexture(const D3D11_TEXTURE2D_DESC& picture, bool* remade)
{
    if (remade)
        *remade = false;
    std::optional<PictureShape> existing;
    if (frameTexture) {
        D3D11_TEXTURE2D_DESC current{};
        frameTexture->GetDesc(&current);
        existing = PictureShape{current.Width, current.Height, static_cast<uint32_t>(current.Format)};
    }
    if (!needsNewCopyTexture(existing, {picture.Width, picture.Height, static_cast<uint32_t>(picture.Format)}))
        return true;

    // A full mip chain, regenerated from level 0 after every new picture.
    D3D11_TEXTURE2D_DESC description = picture;
    description.MipLevels = 0;
    description.Usage = D3D11_USAGE_DEFAULT;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    description.CPUAccessFlags = 0;
    description.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
    frameView.Reset();
    if (remade)
        *remade = true;
    if (FAILED(device->CreateTexture2D(&description, nullptr, frameTexture.ReleaseAndGetAddressOf())))
        return false;
    device->CreateShaderResourceView(frameTexture.Get(), nullptr, frameView.ReleaseAndGetAddressOf());
    return frameView != nullptr;
}
