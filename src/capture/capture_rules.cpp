// Capture decisions.
#include "capture/capture_rules.h"

CaptureDecision decideBeforeAcquire(bool useGdi, bool haveDuplication)
{
    if (useGdi)
        return {CaptureStep::CopyByGdi, result::kOk};
    if (!haveDuplication)
        return {CaptureStep::Stop, result::kPointer};
    return {CaptureStep::AcquireFromDuplication, result::kOk};
}

CaptureDecision decideAfterAcquire(int32_t acquireResult, bool haveCopyTexture)
{
    switch (acquireResult) {
    case result::kAccessLost:
        // A mode change, another desktop, a full-screen program: the last picture stays on show.
        return {CaptureStep::RecreateDuplication, result::kPending};
    case result::kWaitTimeout:
        // No change within the time-out: show the previous picture again without a copy.
        if (haveCopyTexture)
            return {CaptureStep::RedeliverLastPicture, result::kOk};
        return {CaptureStep::Stop, result::kWaitTimeout};
    default:
        if (acquireResult < 0)
            return {CaptureStep::Stop, acquireResult};
        return {CaptureStep::CopyNewPicture, result::kOk};
    }
}

std::optional<std::size_t> outputShowing(const std::vector<OutputPlace>& outputs, std::uintptr_t monitorHandle,
                                         const Rect& monitorRect)
{
    if (monitorHandle != 0)
        for (std::size_t i = 0; i < outputs.size(); ++i)
            if (outputs[i].monitor == monitorHandle)
                return i;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i].area == monitorRect)
            return i;
    return std::nullopt;
}

AdapterChoice adapterForCapture(uint32_t savedIndex, const std::vector<bool>& showsCaptureMonitor)
{
    const uint32_t saved = savedIndex < showsCaptureMonitor.size() ? savedIndex : 0;
    if (saved < showsCaptureMonitor.size() && showsCaptureMonitor[saved])
        return {saved, false};
    for (std::size_t i = 0; i < showsCaptureMonitor.size(); ++i)
        if (showsCaptureMonitor[i])
            return {static_cast<uint32_t>(i), true};
    return {saved, false};
}

Rect gdiCaptureArea(const Rect& monitorRect, int32_t primaryWidth, int32_t primaryHeight)
{
    if (monitorRect.width() > 0 && monitorRect.height() > 0)
        return monitorRect;
    // The origin stays the rectangle's own, which is (0, 0) here: the primary monitor's top-left corner.
    return {monitorRect.left, monitorRect.top, monitorRect.left + primaryWidth, monitorRect.top + primaryHeight};
}

bool needsNewCopyTexture(const std::optional<PictureShape>& copyTexture, const PictureShape& picture)
{
    return !copyTexture || !(*copyTexture == picture);
}

PictureShape uprightShape(const PictureShape& scannedOut, int32_t quarterTurns)
{
    if (quarterTurns % 2 == 0)
        return scannedOut;
    return {scannedOut.height, scannedOut.width, scannedOut.format};
}

TextureTransform scannedOutCoordinates(int32_t quarterTurns)
{
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1: // turned clockwise: the upright top-left corner is the image's top-right
        return {0.0f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    case 2:
        return {-1.0f, 0.0f, 1.0f, 0.0f, -1.0f, 1.0f};
    case 3: // turned counter-clockwise: the upright top-left corner is the image's bottom-left
        return {0.0f, 1.0f, 0.0f, -1.0f, 0.0f, 1.0f};
    default:
        return {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    }
}
