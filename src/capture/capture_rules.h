// The capture engine's decisions, on plain values: which duplication result leads where, which
// output to duplicate, which area GDI copies, when the copy texture must be made anew.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/monitor_info.h"

// The Windows result codes the engine deals in (32-bit, negative means failure).
namespace result {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kPending = static_cast<int32_t>(0x8000000Au);
inline constexpr int32_t kPointer = static_cast<int32_t>(0x80004003u);
inline constexpr int32_t kFail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kAccessLost = static_cast<int32_t>(0x887A0026u);
inline constexpr int32_t kWaitTimeout = static_cast<int32_t>(0x887A0027u);
} // namespace result

enum class CaptureStep {
    CopyByGdi,            // the GDI branch runs instead
    AcquireFromDuplication,
    Stop,                 // return `result` with nothing changed
    RecreateDuplication,  // the duplication was lost: make it again (or fall back to GDI), return `result`
    RedeliverLastPicture, // nothing new: the existing copy texture stays, return `result`
    CopyNewPicture,       // a new desktop picture is held: copy it into the copy texture
};

struct CaptureDecision {
    CaptureStep step;
    int32_t result;
};

// Before AcquireNextFrame: by the engine's state.
CaptureDecision decideBeforeAcquire(bool useGdi, bool haveDuplication);
// After AcquireNextFrame: by its result and whether a picture exists since the last init.
CaptureDecision decideAfterAcquire(int32_t acquireResult, bool haveCopyTexture);

// An output of the adapter as DXGI describes it: its monitor's system handle and its desktop rectangle.
struct OutputPlace {
    std::uintptr_t monitor = 0;
    Rect area;
};
// The output to duplicate: the one that shows the capture monitor by its handle, which stays right when two
// monitors mirror one rectangle or the rectangle moved; by the rectangle where the handle is unknown or no
// output reports it.
std::optional<std::size_t> outputShowing(const std::vector<OutputPlace>& outputs, std::uintptr_t monitorHandle,
                                         const Rect& monitorRect);

// The adapter the device is made on: the saved index where that adapter shows the capture monitor (or none
// does), else the first that shows it. An index with no adapter (a negative setting arrives as a huge one)
// is adapter 0.
struct AdapterChoice {
    uint32_t index = 0;
    bool movedForCapture = false;
    bool operator==(const AdapterChoice&) const = default;
};
AdapterChoice adapterForCapture(uint32_t savedIndex, const std::vector<bool>& showsCaptureMonitor);

// What a GDI copy takes: the monitor's rectangle, or (when no monitor had the index, so the rectangle
// is empty) the primary monitor's size from the virtual-screen origin.
Rect gdiCaptureArea(const Rect& monitorRect, int32_t primaryWidth, int32_t primaryHeight);

// Width, height and pixel format of a texture or a picture.
struct PictureShape {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;
    bool operator==(const PictureShape&) const = default;
};

// A copy texture is made anew when there is none or when the new picture differs from it in size or
// format, so every copy and upload stays within both.
bool needsNewCopyTexture(const std::optional<PictureShape>& copyTexture, const PictureShape& picture);

// A duplicated desktop arrives as the output scans it out: turned clockwise by 0, 90, 180 or 270 degrees
// when the monitor is rotated. The upright picture's size, its sides swapped for a quarter turn.
PictureShape uprightShape(const PictureShape& scannedOut, int32_t quarterTurns);
// Where the upright picture's point (u, v) (texture coordinates, 0 to 1) lies in the scanned-out image:
// (a0 u + a1 v + a2, b0 u + b1 v + b2), as the six numbers a0, a1, a2, b0, b1, b2.
struct TextureTransform {
    float a0, a1, a2, b0, b1, b2;
};
TextureTransform scannedOutCoordinates(int32_t quarterTurns);
