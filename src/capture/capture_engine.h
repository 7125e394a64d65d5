// CaptureEngine: the capture monitor's picture as one mip-mapped texture, by desktop duplication or by
// a GDI screen copy where duplication cannot be had.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "capture/pointer_shape.h"
#include "capture/upright_copy.h"
#include "display/monitor_info.h"

// How the engine gets the duplication of an output and the SDR white level of its monitor (the display
// subsystem's, handed in by the program; scRGB's 80 nits without one): a test hands the engine stand-ins
// through these seams.
using DuplicationFactory =
    std::function<HRESULT(IDXGIOutput* output, ID3D11Device* device, IDXGIOutputDuplication** duplication)>;
using WhiteLevelSource = std::function<float(HMONITOR monitor)>;
// IDXGIOutput5::DuplicateOutput1 offering a 16-bit float desktop beside the 8-bit one, where the system has
// it; IDXGIOutput1::DuplicateOutput elsewhere.
HRESULT duplicateRealOutput(IDXGIOutput* output, ID3D11Device* device, IDXGIOutputDuplication** duplication);

// The mouse pointer over the captured picture. Neither desktop duplication nor the GDI copy puts it into
// the picture itself.
struct CapturedPointer {
    bool visible = false;
    Rect area; // the shape's rectangle in the captured picture's pixels
    uint64_t shapeVersion = 0; // moves whenever `image` changes
    PointerImage image;
};

class CaptureEngine {
public:
    explicit CaptureEngine(DuplicationFactory factory = duplicateRealOutput, WhiteLevelSource whiteLevel = {})
        : duplicateOutput(std::move(factory)), whiteLevelOf(std::move(whiteLevel))
    {
    }
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;
    // Gives back a held frame, then releases the view, the copy texture and the duplication.
    ~CaptureEngine();

    // Sets up capture of the monitor with this index, area (an empty area when no monitor has the index)
    // and system handle (0 when unknown) and logs it; the previous copy texture, view and duplication are
    // discarded.
    HRESULT init(ID3D11Device* device, int32_t monitorIndex, const Rect& monitorArea, std::uintptr_t monitorHandle = 0);
    // Duplicates the output that shows the capture monitor, or switches to the GDI copy, which then stands in
    // while duplication is tried again about once a second.
    HRESULT initDuplication();
    // Brings the newest picture into the copy texture and its view. A failure leaves the last picture in
    // place. `pictureVersion` moves only when a new picture was copied in: not for a time-out, a frame
    // that moved only the pointer, or a GDI copy equal to the previous one.
    HRESULT acquireFrame();
    // Gives a held desktop frame back to the system.
    void releaseFrame();

    // The captured picture's view (null before the first picture) and its texture.
    ID3D11ShaderResourceView* frameView() const { return frameView_.Get(); }
    ID3D11Texture2D* frameTexture() const { return frameTexture_.Get(); }
    // Moves with every new picture in the copy texture, so that a picture that did not change need not be
    // drawn again.
    uint64_t pictureVersion() const { return pictureVersion_; }
    // Whether the pointer is read with each picture (the operator's "MOSTRAR CURSOR"), and what was read.
    void trackPointer(bool track) { trackPointer_ = track; }
    const CapturedPointer& pointer() const { return pointer_; }
    // The GDI copy stands in for desktop duplication.
    bool usesGdi() const { return useGdi_; }
    // The duplicated desktop is 16-bit float (HDR or the system's automatic colour management), brought to
    // the SDR picture with the monitor's SDR white level.
    bool floatDesktop() const { return floatDesktop_; }
    const Rect& monitorRect() const { return monitorRect_; }

private:
    // The Windows-side tests look at and steer the state a pass leaves behind.
    friend struct CaptureEngineProbe;

    HRESULT acquireByDuplication();
    HRESULT copyByGdi();
    // Makes frameTexture and frameView anew when the picture's size or format differs (saying so in
    // `remade`); false when there is no copy texture afterwards.
    bool prepareCopyTexture(const D3D11_TEXTURE2D_DESC& picture, bool* remade = nullptr);
    HRESULT copyDesktopPicture(ID3D11Texture2D* picture);
    void retryDuplicationWhenDue();
    Microsoft::WRL::ComPtr<IDXGIOutput> outputShowingCaptureMonitor();
    void readGdiPointer(const Rect& capturedArea);
    void readDuplicationPointer(const DXGI_OUTDUPL_FRAME_INFO& frame);

    // Borrowed from the Renderer, which outlives the engine: never released here.
    ID3D11Device* device_ = nullptr;
    Microsoft::WRL::ComPtr<IDXGIOutputDuplication> duplication_;
    Microsoft::WRL::ComPtr<ID3D11Texture2D> frameTexture_;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> frameView_;
    int32_t monitorIndex_ = 0;
    uint64_t pictureVersion_ = 0;
    bool frameHeld_ = false;
    bool useGdi_ = false;
    // Duplication could not be had (the lock or log-on screen, a mode change, other programs holding it, a
    // lost duplication that could not be made again): the GDI copy stands in, and duplication is tried again
    // about once a second. Said once, until it comes back.
    bool retryingDuplication_ = false;
    bool floatDesktop_ = false;
    float sdrWhiteNits_ = 80.0f;
    // The factory that finds the device's adapter and its outputs, made anew when the system's list of
    // adapters changed (IsCurrent).
    Microsoft::WRL::ComPtr<IDXGIFactory1> factory_;
    // Clockwise quarter turns of the output's scan-out, undone by every copy.
    int32_t quarterTurns_ = 0;
    bool trackPointer_ = false;
    CapturedPointer pointer_;
    Rect monitorRect_;
    HMONITOR monitorHandle_ = nullptr;
    // The GDI copy's pixels as uploaded, and the next copy beside them to compare: each grown to the
    // largest area copied and reused, so that a pass allocates nothing once it has its size.
    std::vector<uint32_t> gdiPixels_;
    std::vector<uint32_t> gdiNextPixels_;
    DuplicationFactory duplicateOutput;
    WhiteLevelSource whiteLevelOf;
    UprightCopy uprightCopy_;
    HCURSOR pointerCursor_ = nullptr; // the cursor whose image `pointer` holds (GDI), and its hot spot
    POINT pointerHotSpot_{};
    std::vector<uint8_t> pointerShapeBytes_; // reused: a shape arrives with every change of the pointer
    ULONGLONG retryDuplicationAt_ = 0;
};
