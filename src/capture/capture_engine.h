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

// How the engine gets the duplication of an output: the program duplicates the real output; a test hands
// the engine a stand-in through this one seam.
using DuplicationFactory =
    std::function<HRESULT(IDXGIOutput1* output, ID3D11Device* device, IDXGIOutputDuplication** duplication)>;
// IDXGIOutput1::DuplicateOutput.
HRESULT duplicateRealOutput(IDXGIOutput1* output, ID3D11Device* device, IDXGIOutputDuplication** duplication);

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
    explicit CaptureEngine(DuplicationFactory factory = duplicateRealOutput) : duplicateOutput(std::move(factory)) {}
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;
    // Gives back a held frame, then releases the view, the copy texture and the duplication.
    ~CaptureEngine();

    // Sets up capture of the monitor with this index and area (an empty area when no monitor has the
    // index) and logs it; the previous copy texture, view and duplication are discarded.
    HRESULT init(ID3D11Device* device, int32_t monitorIndex, const Rect& monitorArea);
    // Duplicates the output that shows the capture monitor, or switches to the GDI copy.
    HRESULT initDuplication();
    // Brings the newest picture into frameTexture and frameView; on success `texture` holds a new
    // reference to frameTexture. A failure leaves the last picture in place. `pictureVersion` moves only
    // when a new picture was copied in: not for a time-out, a frame that moved only the pointer, or a
    // GDI copy equal to the previous one.
    HRESULT acquireFrame(Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture);
    // Gives a held desktop frame back to the system.
    void releaseFrame();

    // Borrowed from the Renderer, which outlives the engine: never released here.
    ID3D11Device* device = nullptr;
    Microsoft::WRL::ComPtr<IDXGIOutputDuplication> duplication;
    Microsoft::WRL::ComPtr<ID3D11Texture2D> frameTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> frameView;
    int32_t monitorIndex = 0;
    // Moves with every new picture in frameTexture, so that a picture that did not change need not be
    // drawn again.
    uint64_t pictureVersion = 0;
    bool frameHeld = false;
    bool useGdi = false;
    // The duplication was lost and could not be made again (the secure desktop, a full-screen program):
    // the GDI copy stands in, and duplication is tried again about once a second.
    bool duplicationLost = false;
    // Clockwise quarter turns of the output's scan-out, undone by every copy.
    int32_t quarterTurns = 0;
    // Whether the pointer is read with each picture (the operator's "MOSTRAR CURSOR"), and what was read.
    bool trackPointer = false;
    CapturedPointer pointer;
    Rect monitorRect;
    // The GDI copy's pixels as uploaded, and the next copy beside them to compare: each grown to the
    // largest area copied and reused, so that a pass allocates nothing once it has its size.
    std::vector<uint32_t> gdiPixels;
    std::vector<uint32_t> gdiNextPixels;

private:
    HRESULT acquireByDuplication(Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture);
    HRESULT copyByGdi(Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture);
    // Makes frameTexture and frameView anew when the picture's size or format differs (saying so in
    // `remade`); false when there is no copy texture afterwards.
    bool prepareCopyTexture(const D3D11_TEXTURE2D_DESC& picture, bool* remade = nullptr);
    HRESULT copyDesktopPicture(ID3D11Texture2D* picture);
    void retryLostDuplication();
    void readGdiPointer(const Rect& capturedArea);
    void readDuplicationPointer(const DXGI_OUTDUPL_FRAME_INFO& frame);

    DuplicationFactory duplicateOutput;
    UprightCopy uprightCopy_;
    HCURSOR pointerCursor_ = nullptr; // the cursor whose image `pointer` holds (GDI), and its hot spot
    POINT pointerHotSpot_{};
    std::vector<uint8_t> pointerShapeBytes_; // reused: a shape arrives with every change of the pointer
    ULONGLONG retryDuplicationAt_ = 0;
};
