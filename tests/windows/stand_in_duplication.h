// A duplicated output that the test drives: a real COM object implementing IDXGIOutputDuplication whose
// every AcquireNextFrame takes the next scripted outcome, with frames that are real textures on the
// test's device. It counts what the engine does with it.
#pragma once

#include <dxgi1_2.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <deque>
#include <vector>

class StandInDuplication : public IDXGIOutputDuplication {
public:
    struct Outcome {
        HRESULT result = S_OK;
        Microsoft::WRL::ComPtr<ID3D11Texture2D> frame; // for a success
        bool pointerOnly = false; // a frame that moved only the pointer: no present time
        // The pointer as the frame reports it; a shape only when it changed with this frame.
        bool pointerVisible = false;
        POINT pointerPosition{};
        std::vector<uint8_t> pointerShape;
        DXGI_OUTDUPL_POINTER_SHAPE_INFO pointerShapeInfo{};
    };

    StandInDuplication(DXGI_MODE_ROTATION rotation, UINT width, UINT height,
                       DXGI_FORMAT format = DXGI_FORMAT_B8G8R8A8_UNORM);
    virtual ~StandInDuplication() = default;

    // With nothing scripted, AcquireNextFrame times out.
    std::deque<Outcome> script;
    int acquired = 0;
    int released = 0;
    int releasesWithoutAFrame = 0;
    int acquiresWhileHolding = 0;
    bool holding = false;
    ULONG references() const { return references_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDXGIObject
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParent(REFIID, void**) override { return E_NOTIMPL; }
    // IDXGIOutputDuplication
    void STDMETHODCALLTYPE GetDesc(DXGI_OUTDUPL_DESC* description) override;
    HRESULT STDMETHODCALLTYPE AcquireNextFrame(UINT timeout, DXGI_OUTDUPL_FRAME_INFO* info, IDXGIResource** resource) override;
    HRESULT STDMETHODCALLTYPE GetFrameDirtyRects(UINT, RECT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFrameMoveRects(UINT, DXGI_OUTDUPL_MOVE_RECT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFramePointerShape(UINT size, void* buffer, UINT* required,
                                                   DXGI_OUTDUPL_POINTER_SHAPE_INFO* info) override;
    HRESULT STDMETHODCALLTYPE MapDesktopSurface(DXGI_MAPPED_RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnMapDesktopSurface() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReleaseFrame() override;

private:
    ULONG references_ = 0; // the first owner's AddRef makes it 1
    DXGI_MODE_ROTATION rotation_;
    UINT width_;
    UINT height_;
    DXGI_FORMAT format_; // the desktop's, as DuplicateOutput1 chose it
    Outcome current_; // the held frame's outcome, for its pointer shape
};
