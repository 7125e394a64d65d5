// CaptureEngine: the capture monitor's picture as one mip-mapped texture, by desktop duplication or by
// a GDI screen copy where duplication cannot be had.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>

#include "display/monitor_info.h"

using Microsoft::WRL::ComPtr;

class CaptureEngine {
public:
    CaptureEngine() = default;
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;
    // Gives back a held frame, then releases the view, the copy texture and the duplication.
    ~CaptureEngine();

    // Finds the monitor by counting the system's enumeration, logs it, and sets up capture; the previous
    // copy texture, view and duplication are discarded.
    HRESULT init(ID3D11Device* device, int32_t monitorIndex);
    // Duplicates the output that shows the capture monitor, or switches to the GDI copy.
    HRESULT initDuplication();
    // Brings the newest picture into frameTexture and frameView; on success `texture` holds a new
    // reference to frameTexture.
    HRESULT acquireFrame(ComPtr<ID3D11Texture2D>& texture);
    // Gives a held desktop frame back to the system.
    void releaseFrame();

    // Borrowed from the Renderer, which outlives the engine: never released here.
    ID3D11Device* device = nullptr;
    ComPtr<IDXGIOutputDuplication> duplication;
    ComPtr<ID3D11Texture2D> frameTexture;
    ComPtr<ID3D11ShaderResourceView> frameView;
    int32_t monitorIndex = 0;
    bool frameHeld = false;
    bool useGdi = false;
    Rect monitorRect;

private:
    HRESULT acquireByDuplication(ComPtr<ID3D11Texture2D>& texture);
    HRESULT copyByGdi(ComPtr<ID3D11Texture2D>& texture);
    // Makes frameTexture and frameView anew when the picture's size or format differs; false when
    // there is no copy texture afterwards.
    bool prepareCopyTexture(const D3D11_TEXTURE2D_DESC& picture);
};

// The GDI copy's pixel buffer, shared by the whole process: its capacity in pixels.
std::size_t gdiPixelBufferCapacity();
