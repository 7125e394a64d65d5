// Renderer: owner of the Direct3D 11 device, the swap chains of the control window and of every
// projection window, the WIC factory, the panel library's context and backends, and the warp drawing
// pipeline.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/pointer_shape.h"
#include "render/shader_texts.h"
#include "warp/color_match.h"
#include "warp/edge_blend.h"
#include "warp/mask.h"
#include "warp/mesh.h"
#include "warp/mesh_geometry.h"
#include "warp/source_rect.h"
#include "warp/warp_matrix.h"

// How an output shows the captured picture (or a test pattern in its place): the part it samples, its
// edge blend and its colour matching.
struct PictureLook {
    SourceRect source;
    EdgeBlend blend;
    ColorMatch color;
    bool operator==(const PictureLook&) const = default;
};

// The mesh's triangles on the device, and the mesh they were made for (none for a 2 x 2 mesh).
struct MeshBuffers {
    Mesh mesh;
    Microsoft::WRL::ComPtr<ID3D11Buffer> vertices;
    Microsoft::WRL::ComPtr<ID3D11Buffer> indices;
    UINT indexCount = 0;
};

// The darkness of a projection's masks, one byte per pixel of its back buffers, on the device and in
// memory, and the masks and size it was made for: a moved point redraws only the pixels it can change.
struct MaskLayer {
    Microsoft::WRL::ComPtr<ID3D11Texture2D> texture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> view;
    std::vector<MaskValues> masks;
    UINT width = 0;
    UINT height = 0;
    std::vector<uint8_t> darkness;
};

// One projection window's swap chain, its target, the back buffers' size, the meshes drawn into it (one
// per surface) and its masks. Owned by the output it draws; made on the Renderer's device, so released
// before the Renderer.
struct ProjectionTarget {
    HWND window = nullptr;
    Microsoft::WRL::ComPtr<IDXGISwapChain> swapChain;
    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> target;
    D3D11_VIEWPORT viewport{};
    std::vector<MeshBuffers> meshes;
    MaskLayer mask;
    // The identification card drawn for this window, and what it was drawn for.
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> identification;
    std::wstring identificationOf;
};

// Which adapter the device is made on: the saved index, unless another adapter shows the capture monitor
// (its system handle; 0 when unknown).
struct AdapterWish {
    UINT index = 0;
    std::uintptr_t captureMonitor = 0;
    AdapterWish(UINT savedIndex, std::uintptr_t monitor = 0) : index(savedIndex), captureMonitor(monitor) {}
};

// What a step of the set-up could not make, for its one log line: the object, and the shader compiler's
// messages when it was the compiler.
struct SetUpFailure {
    const char* what = "";
    std::string compilerMessages;
};

class Renderer {
public:
    // Enters COM for the thread and creates the WIC factory (null when that fails).
    Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    // Shuts the panel backends down, releases everything in reverse order and leaves COM.
    ~Renderer();

    // Device, the control window's target, pipeline (compiled from `shaders`), panel library, handle
    // textures. The first of them that cannot be made is logged in one line ("WARN" with its result code,
    // and the compiler's messages when it was the compiler; unless `quiet`) and returned: the drawing
    // never runs with a part missing.
    // The device is made on the adapter that shows `adapter.captureMonitor` (desktop duplication works only
    // there), the saved index where it does, at the highest feature level from 11_0 down to 10_0.
    HRESULT initialize(HWND controlWindow, AdapterWish adapter, bool quiet = false,
                       const WarpShaderTexts& shaders = kWarpShaderTexts);
    // What the last failed set-up step was, as its log line says it; empty while nothing failed.
    const std::string& setUpFailure() const { return setUpFailure_; }
    D3D_FEATURE_LEVEL featureLevel() const { return featureLevel_; }
    // The control window's back buffers follow its client area (a resized or maximised panel is drawn at
    // its size, so clicks land on what it shows). A zero size (minimised) keeps them.
    void resizeControlTarget(UINT width, UINT height);
    // The swap chain and target of a projection window, into `target`; logged ("WARN", unless `quiet`)
    // and returned on failure, with `target` left empty.
    HRESULT makeProjectionTarget(HWND window, ProjectionTarget& target, bool quiet = false);
    // Unbinds and releases a target, before its window is destroyed.
    void releaseProjectionTarget(ProjectionTarget& target);

    // Binds the target (cleared) and its viewport, resizing the back buffers first when the client size
    // really changed; a failed resize keeps the old size, so the next pass tries again. False, with
    // nothing bound, for an empty client area or when there is no target to draw into. The target stays
    // the one drawn into until it is presented; it must not move meanwhile.
    bool beginProjectionFrame(ProjectionTarget& target);
    // Only one present in a pass should wait for the vertical blank: a pass then waits once, however
    // many projectors there are.
    void presentProjection(ProjectionTarget& target, bool waitForVerticalBlank);
    // Binds the control window's target (cleared) and viewport; there is one for the Renderer's life, since
    // initialize fails without it.
    void beginControlFrame();
    void presentControl();
    // Why the device went away (GetDeviceRemovedReason), once a present or a resize said it did.
    HRESULT removedReason() const;

    // Warp pipeline: shaders, input layout, buffers, samplers and blend states. The first that cannot be
    // made returns its result, with what it was in `failure`.
    HRESULT createWarpPipeline(const WarpShaderTexts& shaders, SetUpFailure& failure);
    HRESULT createSolidTexture(uint32_t colour, Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& slot);
    // An immutable texture of one mip level from 0xAARRGGBB words, row by row; the slot empty on failure.
    HRESULT createPixelTexture(UINT width, UINT height, const uint32_t* pixels,
                               Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& slot);
    // The unit quad through the matrix: the logo and the handles, and a 2 x 2 mesh.
    void drawTexture(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, bool blend);
    // The mesh the picture and the grid are drawn through in the projection begun last, for its surface
    // `surface`; its triangles are made anew only when it differs from the one they were made for there.
    void useMesh(const Mesh& mesh, std::size_t surface = 0);
    // The masks that darken the picture and the grid drawn from now on in the projection begun last
    // (none: nothing is darkened). Only the pixels they change are drawn into its mask layer again.
    void useMasks(const std::vector<MaskValues>& masks);
    // A mask's outline and points, in a colour seen over black and white, its selected point (-1: none)
    // told apart; drawn unmasked.
    void drawMaskOutline(const MaskValues& mask, int32_t selectedPoint);
    // Through the mesh in use (the unit quad for a 2 x 2 mesh). With a look, the texture is the captured
    // picture: the look's part of it is sampled and its edges blended; without, the texture is drawn whole.
    void drawWarpedTexture(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, bool blend,
                           const PictureLook* look = nullptr);
    void drawCornerHandle(float x, float y, int cornerIndex, bool selected);
    void drawPointHandle(float x, float y, bool selected);
    // Everything drawn so far in the projection darkened toward black: 0 leaves it, 1 is black. Unmasked.
    void drawBlackout(float level);
    // The target's identification card, made anew only for another size or text, over the whole window:
    // the number large in the middle, the name under it, the edges framed and named. False when it cannot
    // be made (nothing drawn).
    bool drawIdentification(ProjectionTarget& target, int number, const std::wstring& name);

    // The captured pointer's picture, its textures made again only for another `version`.
    void usePointerImage(const PointerImage& image, uint64_t version);
    // The pointer through its matrix: the colour layer blended by its alpha, then the invert layer.
    void drawPointer(const WarpMatrix& matrix);

    // The camera's frame `number` (0xAARRGGBB, row by row, drawn opaque) for the panel, written into its
    // texture only when the number changed; null, with the texture gone, for no frame (number 0), one
    // whose pixels do not fill its size, or one that cannot be made.
    ID3D11ShaderResourceView* cameraPicture(UINT width, UINT height, const std::vector<uint32_t>& pixels,
                                            uint64_t number);
    // The camera's texture released: the next frame is written whatever its number.
    void dropCameraPicture();

    // Images. A slot's previous view is released when it is refilled.
    // An image file into a mip-mapped texture (frame 0, at most 4096 on a side); E_FAIL, with the slot
    // left empty, when the file cannot be decoded.
    HRESULT loadImageTexture(const std::wstring& path, Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& slot);
    // The procedural calibration grid; the result of creating its view.
    HRESULT createGridTexture(Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& slot);
    // "assets/gradil.png", else "assets/gradil.jpg", else the procedural grid; each step logged ("LOG").
    void loadCalibrationGrid(Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& slot);
    // An image file fitted into a square icon (size 0: the system's small-icon size); null when the file
    // cannot be decoded. The caller owns the icon.
    HICON loadTrayIcon(const std::wstring& path, int size);

    // The device and its immediate context, for the objects others make on it (the capture engine's, a
    // benchmark's); the imaging factory, null when COM could not make it.
    ID3D11Device* device() const { return device_.Get(); }
    ID3D11DeviceContext* context() const { return context_.Get(); }
    IWICImagingFactory* imagingFactory() const { return imagingFactory_.Get(); }
    IDXGISwapChain* controlSwapChain() const { return controlSwapChain_.Get(); }
    // The first DXGI_ERROR_DEVICE_REMOVED or DXGI_ERROR_DEVICE_RESET that a present or a resize returned
    // (S_OK until then): from then on nothing drawn on this device reaches a window, and its owner makes
    // everything anew.
    HRESULT lostDevice() const { return lostDevice_; }
    // A present's or a resize's result; a removed or reset device is taken as lost.
    void noteDeviceResult(HRESULT result);

private:
    // In declaration order; released in reverse.
    Microsoft::WRL::ComPtr<IWICImagingFactory> imagingFactory_;
    Microsoft::WRL::ComPtr<ID3D11Device> device_;
    Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
    Microsoft::WRL::ComPtr<IDXGIFactory1> factory;
    std::string setUpFailure_;
    D3D_FEATURE_LEVEL featureLevel_ = D3D_FEATURE_LEVEL_11_0;
    Microsoft::WRL::ComPtr<IDXGISwapChain> controlSwapChain_;
    Microsoft::WRL::ComPtr<ID3D11RenderTargetView> controlTarget;
    Microsoft::WRL::ComPtr<ID3D11VertexShader> warpShader;
    Microsoft::WRL::ComPtr<ID3D11PixelShader> sampleShader;
    // The captured picture's shader where its output blends its edges.
    Microsoft::WRL::ComPtr<ID3D11PixelShader> blendShader;
    // Both of them under masks.
    Microsoft::WRL::ComPtr<ID3D11PixelShader> maskedSampleShader;
    Microsoft::WRL::ComPtr<ID3D11PixelShader> maskedBlendShader;
    Microsoft::WRL::ComPtr<ID3D11InputLayout> inputLayout;
    Microsoft::WRL::ComPtr<ID3D11Buffer> quadBuffer;
    Microsoft::WRL::ComPtr<ID3D11Buffer> matrixBuffer;
    // The pixel shader's look: the captured picture's (rewritten only when the look changes) and the
    // whole-texture look of everything else.
    Microsoft::WRL::ComPtr<ID3D11Buffer> pictureLookBuffer;
    Microsoft::WRL::ComPtr<ID3D11Buffer> plainLookBuffer;
    HRESULT lostDevice_ = S_OK;
    Microsoft::WRL::ComPtr<ID3D11SamplerState> textureSampler;
    Microsoft::WRL::ComPtr<ID3D11BlendState> alphaBlend;
    D3D11_VIEWPORT controlViewport{};
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> handleTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> selectedHandleTexture;
    // The pointer's two layers, and the blend that inverts what is under the second.
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> pointerColour;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> pointerInvert;
    Microsoft::WRL::ComPtr<ID3D11BlendState> invertBlend;
    // The pointer keeps its hard pixels: a blurred XOR would tint what it should invert.
    Microsoft::WRL::ComPtr<ID3D11SamplerState> pointSampler;
    // 1x1 transparent black, drawn in place of a null texture: the device is meant to read (0, 0, 0, 0)
    // from an empty slot, but Wine's samples whatever texture was bound before.
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> emptyTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> outlineTexture;
    // Black with the blackout's level as its alpha, rewritten when the level changes.
    Microsoft::WRL::ComPtr<ID3D11Texture2D> fadeTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> fadeView;
    float fadeWritten_ = -1.0f;
    // The camera's picture in the panel, its size, and the number of the frame it holds.
    Microsoft::WRL::ComPtr<ID3D11Texture2D> cameraTexture_;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> cameraView_;
    UINT cameraWidth_ = 0;
    UINT cameraHeight_ = 0;
    uint64_t cameraNumber_ = 0;


    HRESULT createWindowTarget(IDXGIFactory1* dxgiFactory, HWND window, Microsoft::WRL::ComPtr<IDXGISwapChain>& swapChain,
                               Microsoft::WRL::ComPtr<ID3D11RenderTargetView>& target, D3D11_VIEWPORT& viewport,
                               SetUpFailure& failure);
    void setUpPanelLibrary(HWND controlWindow);
    void resizeProjectionBuffers(ProjectionTarget& projection, UINT width, UINT height);
    // A window's back buffers at a new size with a new view; the viewport records the size only when it took.
    void resizeWindowBuffers(IDXGISwapChain* swapChain, Microsoft::WRL::ComPtr<ID3D11RenderTargetView>& target,
                             D3D11_VIEWPORT& viewport, UINT width, UINT height);
    void clearTarget(ID3D11RenderTargetView* target);
    void bindWarpPipeline(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, ID3D11BlendState* blend,
                          ID3D11SamplerState* sampler, const PictureLook* look = nullptr, bool masked = false);
    bool makeMaskLayer(MaskLayer& layer, UINT width, UINT height);
    void writePictureLook(const PictureLook& look);
    void drawQuad(ID3D11ShaderResourceView* texture, const WarpMatrix& matrix, ID3D11BlendState* blend,
                  ID3D11SamplerState* sampler, const PictureLook* look = nullptr, bool masked = false);

    // The projection begun last and not yet presented, whose mesh buffers are in use.
    ProjectionTarget* frameTarget_ = nullptr;
    // The mask layer of that projection darkens what drawWarpedTexture draws.
    bool masking_ = false;
    std::size_t meshInUse_ = 0;
    PictureLook pictureLookWritten_;
    bool pictureLookValid_ = false;
    uint64_t pointerVersion_ = 0;
    bool pointerInverts_ = false;
    MeshGeometry meshGeometry_; // kept for its storage: a drag rebuilds every pass
    bool comEntered_ = false;
    bool panelLibraryReady_ = false;
};
