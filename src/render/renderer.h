// Renderer: owner of the Direct3D 11 device, both swap chains, the WIC factory, the panel library's
// context and backends, and the warp drawing pipeline.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "warp/warp_matrix.h"

using Microsoft::WRL::ComPtr;

class Renderer {
public:
    // Enters COM for the thread and creates the WIC factory (null when that fails).
    Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    // Shuts the panel backends down, releases everything in reverse order and leaves COM.
    ~Renderer();

    // Device, both window targets, pipeline, panel library, handle textures. A failure to create the
    // device or a swap chain is logged ("WARN") and returned; everything else is set up unchecked.
    HRESULT initialize(HWND controlWindow, HWND projectionWindow, UINT adapterIndex);

    void clearTargets();
    // Binds the projection target and viewport, resizing the back buffers first when the client size
    // really changed. False, with nothing bound, for an empty client area.
    bool beginProjectionFrame();
    void presentProjection();
    void beginControlFrame();
    void presentControl();

    // Warp pipeline.
    HRESULT createWarpPipeline();
    void createSolidTexture(uint32_t colour, ComPtr<ID3D11ShaderResourceView>& slot);
    void drawTexture(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, bool blend);
    void drawCornerHandle(float x, float y, int cornerIndex, bool selected);

    // Images. The slot is filled without being released first: callers release it before the call.
    // An image file into a mip-mapped texture (frame 0, at most 4096 on a side); E_FAIL, with the slot
    // left empty, when the file cannot be decoded.
    HRESULT loadImageTexture(const std::wstring& path, ComPtr<ID3D11ShaderResourceView>& slot);
    // The procedural calibration grid; the result of creating its view.
    HRESULT createGridTexture(ComPtr<ID3D11ShaderResourceView>& slot);
    // An image file fitted into a square icon (size 0: the system's small-icon size); null when the file
    // cannot be decoded. The caller owns the icon.
    HICON loadTrayIcon(const std::wstring& path, int size);

    // In declaration order; released in reverse.
    ComPtr<IWICImagingFactory> imagingFactory;
    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
    ComPtr<IDXGISwapChain> controlSwapChain;
    ComPtr<IDXGISwapChain> projectionSwapChain;
    ComPtr<ID3D11RenderTargetView> controlTarget;
    ComPtr<ID3D11RenderTargetView> projectionTarget;
    ComPtr<ID3D11VertexShader> warpShader;
    ComPtr<ID3D11PixelShader> sampleShader;
    ComPtr<ID3D11InputLayout> inputLayout;
    ComPtr<ID3D11Buffer> quadBuffer;
    ComPtr<ID3D11Buffer> matrixBuffer;
    ComPtr<ID3D11SamplerState> textureSampler;
    ComPtr<ID3D11BlendState> alphaBlend;
    D3D11_VIEWPORT controlViewport{};
    D3D11_VIEWPORT projectionViewport{};
    ComPtr<ID3D11ShaderResourceView> handleTexture;
    ComPtr<ID3D11ShaderResourceView> selectedHandleTexture;
    // 1x1 transparent black, drawn in place of a null texture: the device is meant to read (0, 0, 0, 0)
    // from an empty slot, but Wine's samples whatever texture was bound before.
    ComPtr<ID3D11ShaderResourceView> emptyTexture;

    // How often the projection back buffers have been resized; it moves only on a real size change.
    uint32_t projectionResizes = 0;

private:
    HRESULT createWindowTarget(IDXGIFactory1* factory, HWND window, ComPtr<IDXGISwapChain>& swapChain,
                               ComPtr<ID3D11RenderTargetView>& target, D3D11_VIEWPORT& viewport);
    void setUpPanelLibrary(HWND controlWindow);

    bool comEntered_ = false;
    bool panelLibraryReady_ = false;
};
