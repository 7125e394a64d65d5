// CaptureEngine: monitor choice, the copy texture, frame release and destruction.
#include "capture/capture_engine.h"

#include <cstdio>

#include "capture/capture_rules.h"
#include "platform/debug_log.h"

using Microsoft::WRL::ComPtr;

CaptureEngine::~CaptureEngine()
{
    releaseFrame();
    frameView_.Reset();
    frameTexture_.Reset();
    duplication_.Reset();
}

HRESULT CaptureEngine::init(ID3D11Device* newDevice, int32_t newMonitorIndex, const Rect& monitorArea,
                            std::uintptr_t monitorHandle)
{
    device_ = newDevice;
    monitorIndex_ = newMonitorIndex;
    monitorHandle_ = reinterpret_cast<HMONITOR>(monitorHandle);
    useGdi_ = false;
    retryingDuplication_ = false;
    floatDesktop_ = false;
    quarterTurns_ = 0;
    frameView_.Reset();
    frameTexture_.Reset();
    duplication_.Reset();
    // A frame held by the duplication just released went with it.
    frameHeld_ = false;

    monitorRect_ = monitorArea;

    char message[128];
    std::snprintf(message, sizeof message, "CaptureEngine: Monitor %d selecionado (%dx%d)", monitorIndex_,
                  monitorRect_.width(), monitorRect_.height());
    Log("INFO", message);
    return initDuplication();
}

HRESULT CaptureEngine::acquireFrame()
{
    if (useGdi_ && retryingDuplication_)
        retryDuplicationWhenDue();
    if (!trackPointer_)
        pointer_.visible = false;
    const CaptureDecision decision = decideBeforeAcquire(useGdi_, duplication_ != nullptr);
    switch (decision.step) {
    case CaptureStep::CopyByGdi:
        return copyByGdi();
    case CaptureStep::AcquireFromDuplication:
        return acquireByDuplication();
    default:
        return decision.result;
    }
}

void CaptureEngine::releaseFrame()
{
    if (duplication_ && frameHeld_) {
        // A failure here (no frame held after a re-init) is harmless.
        duplication_->ReleaseFrame();
        frameHeld_ = false;
    }
}

bool CaptureEngine::prepareCopyTexture(const D3D11_TEXTURE2D_DESC& picture, bool* remade)
{
    if (remade)
        *remade = false;
    std::optional<PictureShape> existing;
    if (frameTexture_) {
        D3D11_TEXTURE2D_DESC current{};
        frameTexture_->GetDesc(&current);
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
    frameView_.Reset();
    if (remade)
        *remade = true;
    if (FAILED(device_->CreateTexture2D(&description, nullptr, frameTexture_.ReleaseAndGetAddressOf())))
        return false;
    device_->CreateShaderResourceView(frameTexture_.Get(), nullptr, frameView_.ReleaseAndGetAddressOf());
    return frameView_ != nullptr;
}
