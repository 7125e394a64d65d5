// The Renderer on the real device under Wine: pixels drawn into the projection back buffer, read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "clip_point.h"
#include "render/overlay_matrices.h"
#include "render/renderer.h"
#include "render/shader_compiler.h"
#include "temp_folder.h"
#include "texture_readback.h"
#include "warp/edge_blend.h"
#include "warp/solve_warp.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
    bool sameColour(const Rgba& o) const { return r == o.r && g == o.g && b == o.b; }
};
constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kInk{0, 0, 0, 255};

std::ostream& operator<<(std::ostream& out, const Rgba& c)
{
    return out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

HWND createTestWindow(const wchar_t* title, int width, int height)
{
    static const ATOM windowClass = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = DefWindowProcW;
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = L"OstrelRendererTest";
        return RegisterClassExW(&c);
    }();
    (void)windowClass;
    return CreateWindowExW(0, L"OstrelRendererTest", title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

class RendererDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        control_ = createTestWindow(L"control", 200, 150);
        projection_ = createTestWindow(L"projection", kWidth, kHeight);
        ASSERT_EQ(renderer_.initialize(control_, 0), S_OK);
        ASSERT_EQ(renderer_.makeProjectionTarget(projection_, target_), S_OK);
        ASSERT_TRUE(renderer_.beginProjectionFrame(target_));
    }
    void TearDown() override
    {
        DestroyWindow(projection_);
        DestroyWindow(control_);
    }

    // An RGBA texture from a function of the texel.
    template <typename Colour>
    ComPtr<ID3D11ShaderResourceView> makeTexture(int width, int height, Colour colourAt)
    {
        std::vector<Rgba> texels(static_cast<std::size_t>(width * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                texels[static_cast<std::size_t>(y * width + x)] = colourAt(x, y);
        D3D11_TEXTURE2D_DESC description{};
        description.Width = static_cast<UINT>(width);
        description.Height = static_cast<UINT>(height);
        description.MipLevels = 1;
        description.ArraySize = 1;
        description.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        description.SampleDesc.Count = 1;
        description.Usage = D3D11_USAGE_IMMUTABLE;
        description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
        const D3D11_SUBRESOURCE_DATA data{texels.data(), static_cast<UINT>(width * 4), 0};
        ComPtr<ID3D11Texture2D> texture;
        ComPtr<ID3D11ShaderResourceView> view;
        EXPECT_EQ(renderer_.device()->CreateTexture2D(&description, &data, texture.GetAddressOf()), S_OK);
        EXPECT_EQ(renderer_.device()->CreateShaderResourceView(texture.Get(), nullptr, view.GetAddressOf()), S_OK);
        return view;
    }

    // The projection back buffer as it stands, before any present.
    std::vector<Rgba> readProjection()
    {
        ComPtr<ID3D11Texture2D> backBuffer;
        target_.swapChain->GetBuffer(0, IID_PPV_ARGS(backBuffer.GetAddressOf()));
        const TexturePixels read = readTexture(renderer_.device(), backBuffer.Get());
        std::vector<Rgba> pixels(read.bytes.size() / 4);
        std::memcpy(pixels.data(), read.bytes.data(), read.bytes.size());
        width_ = static_cast<int>(read.width);
        return pixels;
    }

    Rgba at(const std::vector<Rgba>& pixels, int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y * width_ + x)];
    }

    // The pixel that the normalised device point (x, y) falls in.
    static std::pair<int, int> pixelOf(float x, float y)
    {
        return {static_cast<int>(std::floor((x + 1.0f) * 0.5f * kWidth)),
                static_cast<int>(std::floor((1.0f - y) * 0.5f * kHeight))};
    }

    HWND control_ = nullptr;
    HWND projection_ = nullptr;
    Renderer renderer_;
    // Released before the Renderer, as an output's is.
    ProjectionTarget target_;
    int width_ = kWidth;
};

} // namespace

TEST_F(RendererDrawing, IdentityFillsTheViewportWithTheTopRowAtTheTop)
{
    const auto picture = makeTexture(64, 64, [](int, int y) { return y < 32 ? kRed : kBlue; });
    renderer_.drawTexture(picture.Get(), identityMatrix(), false);
    const auto pixels = readProjection();
    for (int x : {0, kWidth / 2, kWidth - 1}) {
        EXPECT_EQ(at(pixels, x, 0), kRed) << x;
        EXPECT_EQ(at(pixels, x, kHeight / 4), kRed) << x;
        EXPECT_EQ(at(pixels, x, kHeight * 3 / 4), kBlue) << x;
        EXPECT_EQ(at(pixels, x, kHeight - 1), kBlue) << x;
    }
}

// An output's look on the device matches the model on the CPU: its part of the picture is sampled and
// every edge ramps as the blend says, with the black level outside the ramps only; the grid or anything
// drawn without a look stays untouched.
TEST_F(RendererDrawing, PictureLookSamplesItsPartAndBlendsItsEdgesAsTheModelSays)
{
    // Red counts texel columns, green is even, blue counts rows.
    const auto picture = makeTexture(256, 256, [](int x, int y) {
        return Rgba{static_cast<uint8_t>(x), 200, static_cast<uint8_t>(y), 255};
    });
    const PictureLook look{{0.25f, 0.5f, 0.75f, 1.0f}, {0.3f, 0.2f, 0.1f, 0.25f, 3.0f, 2.0f, 0.1f}};
    renderer_.useMesh(Mesh{});
    renderer_.drawWarpedTexture(picture.Get(), identityMatrix(), false, &look);
    const auto pixels = readProjection();
    int checked = 0;
    for (int y = 1; y < kHeight; y += 7) {
        for (int x = 1; x < kWidth; x += 5) {
            const float s = (static_cast<float>(x) + 0.5f) / kWidth, t = (static_cast<float>(y) + 0.5f) / kHeight;
            const float column = (0.25f + 0.5f * s) * 256.0f - 0.5f, row = (0.5f + 0.5f * t) * 256.0f - 0.5f;
            const Rgba got = at(pixels, x, y);
            ASSERT_NEAR(got.g, 255.0f * blendedValue(look.blend, s, t, 200.0f / 255.0f), 2.5f) << x << ", " << y;
            ASSERT_NEAR(got.r, 255.0f * blendedValue(look.blend, s, t, column / 255.0f), 2.5f) << x << ", " << y;
            ASSERT_NEAR(got.b, 255.0f * blendedValue(look.blend, s, t, row / 255.0f), 2.5f) << x << ", " << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 2000);
    // The edges themselves: black at the left edge's first column, the black level lifting the middle.
    EXPECT_LE(at(pixels, 0, kHeight / 2).g, 2);
    EXPECT_NEAR(at(pixels, kWidth / 2, kHeight / 2).g, 200.0f * 0.9f + 25.5f, 2.0f);

    renderer_.beginProjectionFrame(target_);
    renderer_.drawWarpedTexture(picture.Get(), identityMatrix(), false);
    const auto plain = readProjection();
    EXPECT_EQ(at(plain, 0, 0), (Rgba{0, 200, 0, 255})) << "without a look the whole texture, unblended";
    EXPECT_EQ(at(plain, kWidth - 1, kHeight - 1), (Rgba{255, 200, 255, 255}));

    // A part without a blend: the same part, every colour as it is.
    const PictureLook partOnly{look.source, EdgeBlend{}};
    renderer_.beginProjectionFrame(target_);
    renderer_.drawWarpedTexture(picture.Get(), identityMatrix(), false, &partOnly);
    const auto part = readProjection();
    for (const auto& [x, y] : {std::pair{1, 1}, std::pair{kWidth / 2, kHeight / 2}, std::pair{kWidth - 2, kHeight - 2}}) {
        const float s = (static_cast<float>(x) + 0.5f) / kWidth, t = (static_cast<float>(y) + 0.5f) / kHeight;
        EXPECT_EQ(at(part, x, y).g, 200) << x << ", " << y;
        EXPECT_NEAR(at(part, x, y).r, (0.25f + 0.5f * s) * 256.0f - 0.5f, 1.5f) << x << ", " << y;
        EXPECT_NEAR(at(part, x, y).b, (0.5f + 0.5f * t) * 256.0f - 0.5f, 1.5f) << x << ", " << y;
    }
}

TEST_F(RendererDrawing, KeystonePutsThePictureCornersWhereTheHomographySays)
{
    const CornerSet keystone{{{-0.5f, 1.0f}, {0.5f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}}};
    const auto white = makeTexture(16, 16, [](int, int) { return kWhite; });
    renderer_.drawTexture(white.Get(), solveWarp(keystone), false);
    const auto pixels = readProjection();
    // The top edge runs from a quarter to three quarters of the width; a pixel either side of each end.
    EXPECT_EQ(at(pixels, kWidth / 4 + 1, 0), kWhite);
    EXPECT_EQ(at(pixels, kWidth / 4 - 2, 0), kClear);
    EXPECT_EQ(at(pixels, kWidth * 3 / 4 - 2, 0), kWhite);
    EXPECT_EQ(at(pixels, kWidth * 3 / 4 + 1, 0), kClear);
    // The bottom corners fill the bottom row; halfway down the side edges sit at 3/8 and 5/8... of x.
    EXPECT_EQ(at(pixels, 0, kHeight - 1), kWhite);
    EXPECT_EQ(at(pixels, kWidth - 1, kHeight - 1), kWhite);
    EXPECT_EQ(at(pixels, kWidth / 8 + 2, kHeight / 2), kWhite);
    EXPECT_EQ(at(pixels, kWidth / 8 - 3, kHeight / 2), kClear);
}

TEST_F(RendererDrawing, LinesStayStraightAndPerspectiveCorrectAcrossTheDiagonal)
{
    // Dark lines four texels wide, centred every 32 texels, on white: wide enough to survive where the
    // warp squeezes the picture.
    const auto grid = makeTexture(256, 256, [](int x, int y) {
        return ((x + 2) % 32 < 4 || (y + 2) % 32 < 4) ? kInk : kWhite;
    });
    const CornerSet topLeftMoved{{{-0.2f, 0.4f}, {1.0f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}}};
    const WarpMatrix warp = solveWarp(topLeftMoved);
    renderer_.drawTexture(grid.Get(), warp, false);
    const auto pixels = readProjection();

    int checked = 0;
    for (int line = 1; line < 8; ++line) {
        const float u = line / 8.0f;
        for (float v = 0.05f; v < 0.96f; v += 0.03f) {
            // Texture (u, v) is quad point (2u - 1, 1 - 2v); both the vertical and the horizontal line.
            for (const auto& [qx, qy] : {std::pair{2 * u - 1, 1 - 2 * v}, std::pair{2 * v - 1, 1 - 2 * u}}) {
                const ClipPoint p = transformPoint(warp, qx, qy);
                const auto [px, py] = pixelOf(p.x / p.w, p.y / p.w);
                if (px < 2 || py < 2 || px > kWidth - 3 || py > kHeight - 3)
                    continue;
                bool dark = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        dark = dark || at(pixels, px + dx, py + dy).r < 128;
                EXPECT_TRUE(dark) << "line " << line << " at v " << v << " expected near pixel (" << px << ", " << py
                                  << ")";
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 300);
}

TEST_F(RendererDrawing, MirroredMatrixDrawsNothing)
{
    const auto white = makeTexture(4, 4, [](int, int) { return kWhite; });
    renderer_.drawTexture(white.Get(), solveWarp({{{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}}), false);
    const auto pixels = readProjection();
    for (int y = 0; y < kHeight; y += 17)
        for (int x = 0; x < kWidth; x += 13)
            ASSERT_EQ(at(pixels, x, y), kClear) << x << ", " << y;
}

TEST_F(RendererDrawing, NullTextureBlendedLeavesTheTargetAndUnblendedPaintsItClear)
{
    const auto red = makeTexture(4, 4, [](int, int) { return kRed; });
    renderer_.drawTexture(red.Get(), identityMatrix(), false);
    renderer_.drawTexture(nullptr, identityMatrix(), true);
    auto pixels = readProjection();
    // Colour stays; alpha is the source's, as the blend state says (it plays no part on the screen).
    EXPECT_TRUE(at(pixels, kWidth / 2, kHeight / 2).sameColour(kRed)) << at(pixels, kWidth / 2, kHeight / 2);
    EXPECT_TRUE(at(pixels, 3, 3).sameColour(kRed));

    renderer_.drawTexture(nullptr, scalingMatrix(0.5f, 0.5f, 1.0f), false);
    pixels = readProjection();
    EXPECT_EQ(at(pixels, kWidth / 2, kHeight / 2), kClear);
    EXPECT_TRUE(at(pixels, 3, 3).sameColour(kRed));
}

TEST_F(RendererDrawing, CornerHandlesAreRedOrGreenWhereTheirBarsLie)
{
    // The bars are 0.004 thick: less than a pixel on this small window, so the corners sit on pixel
    // centres, where a thin bar still covers one row or column.
    const auto centreX = [](int px) { return (2.0f * px + 1.0f) / kWidth - 1.0f; };
    const auto centreY = [](int py) { return 1.0f - (2.0f * py + 1.0f) / kHeight; };
    const float blX = centreX(80), blY = centreY(180), trX = centreX(240), trY = centreY(60);
    renderer_.drawCornerHandle(blX, blY, 2, true);
    renderer_.drawCornerHandle(trX, trY, 1, false);
    const auto pixels = readProjection();
    // BL's bars reach right and up from the corner; TR's reach left and down.
    const auto [blHx, blHy] = pixelOf(blX + 0.03f, blY);
    const auto [blVx, blVy] = pixelOf(blX, blY + 0.03f);
    EXPECT_EQ(at(pixels, blHx, blHy), kGreen);
    EXPECT_EQ(at(pixels, blVx, blVy), kGreen);
    const auto [trHx, trHy] = pixelOf(trX - 0.03f, trY);
    const auto [trVx, trVy] = pixelOf(trX, trY - 0.03f);
    EXPECT_EQ(at(pixels, trHx, trHy), kRed);
    EXPECT_EQ(at(pixels, trVx, trVy), kRed);
    // Nothing on the far side of the crossing.
    const auto [outX, outY] = pixelOf(blX - 0.03f, blY);
    EXPECT_EQ(at(pixels, outX, outY), kClear);
}

TEST_F(RendererDrawing, ProjectionBuffersResizeOnceForARealSizeChange)
{
    // Held, so that a new target cannot reuse the old one's address.
    const ComPtr<ID3D11RenderTargetView> before = target_.target;
    SetWindowPos(projection_, nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(renderer_.beginProjectionFrame(target_));
    const ComPtr<ID3D11RenderTargetView> resized = target_.target;
    EXPECT_NE(resized.Get(), before.Get());
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(renderer_.beginProjectionFrame(target_));
    }
    EXPECT_EQ(target_.target.Get(), resized.Get()) << "an unchanged size makes nothing anew";
    EXPECT_EQ(target_.viewport.Width, 200.0f);
    EXPECT_EQ(target_.viewport.Height, 150.0f);
    DXGI_SWAP_CHAIN_DESC description{};
    target_.swapChain->GetDesc(&description);
    EXPECT_EQ(description.BufferDesc.Width, 200u);
    EXPECT_EQ(description.BufferDesc.Height, 150u);
}

TEST_F(RendererDrawing, AFailedResizeKeepsTheOldSizeAndIsTriedAgain)
{
    // A reference to a back buffer held elsewhere makes the resize fail.
    ComPtr<ID3D11Texture2D> held;
    ASSERT_EQ(target_.swapChain->GetBuffer(0, IID_PPV_ARGS(held.GetAddressOf())), S_OK);
    SetWindowPos(projection_, nullptr, 0, 0, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(renderer_.beginProjectionFrame(target_)) << "the old buffers still take the drawing";
    EXPECT_TRUE(target_.target);
    EXPECT_EQ(target_.viewport.Width, static_cast<float>(kWidth));
    held.Reset();
    ASSERT_TRUE(renderer_.beginProjectionFrame(target_));
    EXPECT_EQ(target_.viewport.Width, 200.0f) << "the next pass resized";
}

// A pointer of one black, one white and one inverting column drawn over the whole red projection: black
// and white cover it, the inverting column turns red into cyan, and the picture shows around the pointer.
TEST_F(RendererDrawing, PointerLayersCoverAndInvertWhatIsUnderThem)
{
    renderer_.drawTexture(makeTexture(4, 4, [](int, int) { return kRed; }).Get(), identityMatrix(), false);
    PointerImage pointer;
    pointer.width = 3;
    pointer.height = 1;
    pointer.colour = {0xFF000000u, 0xFFFFFFFFu, 0u};
    pointer.invert = {0xFF000000u, 0xFF000000u, 0xFFFFFFFFu};
    pointer.inverts = true;
    renderer_.usePointerImage(pointer, 1);
    renderer_.drawPointer(pointerMatrix(identityMatrix(), 0.25f, 0.25f, 0.75f, 0.75f));
    const auto pixels = readProjection();
    const auto column = [&](float s) { return at(pixels, static_cast<int>(s * kWidth), kHeight / 2); };
    EXPECT_TRUE(column(0.33f).sameColour(kInk)) << column(0.33f);
    EXPECT_TRUE(column(0.5f).sameColour(kWhite)) << column(0.5f);
    EXPECT_TRUE(column(0.66f).sameColour(Rgba{0, 255, 255, 255})) << column(0.66f);
    EXPECT_TRUE(column(0.1f).sameColour(kRed)) << column(0.1f);
}

TEST_F(RendererDrawing, MeshTrianglesAreMadeOnlyWhenTheMeshOfTheirSurfaceChanges)
{
    Mesh mesh = resizedMesh(Mesh{}, 3, 3);
    mesh.offsets[4] = {0.05f, -0.05f};
    renderer_.useMesh(mesh);
    ASSERT_EQ(target_.meshes.size(), 1u);
    ASSERT_TRUE(target_.meshes[0].vertices);
    EXPECT_GT(target_.meshes[0].indexCount, 0u);
    const ComPtr<ID3D11Buffer> made = target_.meshes[0].vertices;
    // A second surface keeps its own triangles: drawing both every pass makes nothing anew.
    renderer_.useMesh(resizedMesh(Mesh{}, 4, 2), 1);
    ASSERT_EQ(target_.meshes.size(), 2u);
    const ComPtr<ID3D11Buffer> second = target_.meshes[1].vertices;
    renderer_.useMesh(mesh);
    renderer_.useMesh(resizedMesh(Mesh{}, 4, 2), 1);
    EXPECT_EQ(target_.meshes[0].vertices.Get(), made.Get()) << "the same mesh again makes nothing anew";
    EXPECT_EQ(target_.meshes[1].vertices.Get(), second.Get());
    mesh.offsets[4].u = 0.06f;
    renderer_.useMesh(mesh);
    EXPECT_NE(target_.meshes[0].vertices.Get(), made.Get());
    renderer_.useMesh(Mesh{});
    EXPECT_FALSE(target_.meshes[0].vertices) << "the keystone's own quad draws a 2 x 2 mesh";
    EXPECT_EQ(target_.meshes[0].indexCount, 0u);
}

TEST_F(RendererDrawing, EmptyClientAreaSkipsTheFrameWithoutResizing)
{
    const ComPtr<ID3D11RenderTargetView> before = target_.target;
    SetWindowPos(projection_, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(renderer_.beginProjectionFrame(target_));
    EXPECT_EQ(target_.target.Get(), before.Get());
    EXPECT_EQ(target_.viewport.Width, static_cast<float>(kWidth));
}

// DXGI watches the window's posted messages for Alt+Enter; a projection that took it would leave its
// window for exclusive full-screen on whatever monitor DXGI picks.
TEST_F(RendererDrawing, AltEnterLeavesEverySwapChainWindowed)
{
    for (HWND window : {control_, projection_})
        ASSERT_TRUE(PostMessageW(window, WM_SYSKEYDOWN, VK_RETURN, (KF_ALTDOWN << 16) | 1));
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
    for (IDXGISwapChain* swapChain : {renderer_.controlSwapChain(), target_.swapChain.Get()}) {
        BOOL fullScreen = TRUE;
        ASSERT_EQ(swapChain->GetFullscreenState(&fullScreen, nullptr), S_OK);
        EXPECT_FALSE(fullScreen);
        if (fullScreen) // a swap chain must be windowed when it is released
            swapChain->SetFullscreenState(FALSE, nullptr);
    }
}

TEST(RendererSetUp, AdapterIndexWithoutAdapterFallsBackToTheFirst)
{
    TempWorkingFolder folder;
    HWND control = createTestWindow(L"control", 100, 100), projection = createTestWindow(L"projection", 100, 100);
    {
        Renderer renderer;
        EXPECT_EQ(renderer.initialize(control, 0xFFFFFFFFu), S_OK);
        EXPECT_TRUE(renderer.device());
        ProjectionTarget target;
        EXPECT_EQ(renderer.makeProjectionTarget(projection, target), S_OK);
        EXPECT_TRUE(target.target);
    }
    EXPECT_FALSE(fileExists(L"imgui.ini"));
    DestroyWindow(projection);
    DestroyWindow(control);
}

TEST(RendererSetUp, SwapChainThatCannotBeMadeIsLoggedAndReported)
{
    TempWorkingFolder folder;
    HWND control = createTestWindow(L"control", 100, 100);
    Renderer renderer;
    ASSERT_EQ(renderer.initialize(control, 0), S_OK);
    ProjectionTarget target;
    EXPECT_TRUE(FAILED(renderer.makeProjectionTarget(nullptr, target)));
    EXPECT_FALSE(target.swapChain);
    const std::string log = fileBytes(L"debug.log");
    EXPECT_NE(log.find("] [WARN] Falha ao criar a cadeia de troca da janela (0x"), std::string::npos) << log;
    DestroyWindow(control);
}

// A pipeline with a shader missing would draw nothing, or the wrong picture, without a word: the set-up
// fails instead, in one line with the code and the compiler's message, and quietly for the retries after a
// lost device. The blending shader is the one a single projector never draws with.
TEST(RendererSetUp, AShaderThatDoesNotCompileFailsItWithOneLineOfTheCodeAndTheCompilersMessage)
{
    constexpr std::string_view broken = "float4 main() : SV_TARGET { return undeclaredColour; }";
    ComPtr<ID3DBlob> bytecode;
    std::string messages;
    const HRESULT compiled = compileShader(broken, "ps_4_0", bytecode, messages);
    ASSERT_TRUE(FAILED(compiled));
    EXPECT_FALSE(bytecode);
    EXPECT_NE(messages.find("undeclaredColour"), std::string::npos) << messages;
    EXPECT_EQ(messages.find_first_of("\r\n"), std::string::npos) << messages;

    TempWorkingFolder folder;
    HWND control = createTestWindow(L"control", 100, 100);
    for (const bool quiet : {false, true}) {
        Renderer renderer;
        EXPECT_EQ(renderer.initialize(control, 0, quiet, {kWarpVertexShader, kSamplePixelShader, broken}),
                  compiled);
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(compiled));
    const std::string log = fileBytes(L"debug.log");
    EXPECT_NE(log.find(std::string("] [WARN] Falha ao compilar o sombreador de pixels (") + code + "): " + messages +
                       "\r\n"),
              std::string::npos) << log;
    EXPECT_EQ(log.find("[WARN]"), log.rfind("[WARN]")) << "one line, none from the quiet set-up: " << log;
    DestroyWindow(control);
}
