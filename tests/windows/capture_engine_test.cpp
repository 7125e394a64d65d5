// The capture engine on the real device and the real screen under Wine (where duplication is missing,
// so the GDI copy runs).
#include <gtest/gtest.h>

#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "temp_folder.h"
#include "texture_readback.h"

using Microsoft::WRL::ComPtr;

namespace {

// Colours as GDI takes them (COLORREF is red, green, blue) for the four quarters of a window.
constexpr COLORREF kQuarters[4] = {RGB(220, 30, 30), RGB(30, 200, 60), RGB(40, 60, 220), RGB(230, 210, 20)};

LRESULT CALLBACK paintQuarters(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    for (int q = 0; q < 4; ++q) {
        const RECT part{q % 2 ? client.right / 2 : 0, q / 2 ? client.bottom / 2 : 0,
                        q % 2 ? client.right : client.right / 2, q / 2 ? client.bottom : client.bottom / 2};
        HBRUSH brush = CreateSolidBrush(kQuarters[q]);
        FillRect(dc, &part, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &paint);
    return 0;
}

void pumpMessages(int milliseconds)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    } while (GetTickCount() < end);
}

// The area of the monitor at `index` in the system's list, empty when there is none.
Rect areaOf(int32_t index)
{
    const std::vector<MonitorInfo> monitors = enumerateMonitors();
    return isMonitorIndex(index, monitors.size()) ? monitors[static_cast<std::size_t>(index)].rect : Rect{};
}

class CaptureEngineOnScreen : public testing::Test {
protected:
    void SetUp() override
    {
        const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
        ASSERT_EQ(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &level, 1, D3D11_SDK_VERSION,
                                    device_.GetAddressOf(), nullptr, nullptr),
                  S_OK);
    }
    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
    }

    // A top-most window over the second monitor, painted in four coloured quarters.
    void coverSecondMonitor()
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = paintQuarters;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"OstrelCaptureTest";
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(WS_EX_TOPMOST, L"OstrelCaptureTest", L"capture test", WS_POPUP | WS_VISIBLE, 1024,
                                  0, 800, 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        UpdateWindow(window_);
        pumpMessages(500);
    }

    static std::string logText() { return fileBytes(L"debug.log"); }

    TempWorkingFolder folder_;
    ComPtr<ID3D11Device> device_;
    HWND window_ = nullptr;
    CaptureEngine engine_;
};

bool closeTo(const uint8_t* bgra, COLORREF colour)
{
    const auto within = [](int a, int b) { return a - b <= 2 && b - a <= 2; };
    return within(bgra[2], GetRValue(colour)) && within(bgra[1], GetGValue(colour)) && within(bgra[0], GetBValue(colour));
}

} // namespace

TEST_F(CaptureEngineOnScreen, IndexBeyondTheListLogsZeroSizeAndCopiesThePrimary)
{
    EXPECT_EQ(engine_.init(device_.Get(), 5, areaOf(5)), S_OK);
    EXPECT_EQ(engine_.monitorRect, Rect{});
    EXPECT_TRUE(engine_.useGdi);
    const std::string log = logText();
    EXPECT_NE(log.find("] [INFO] CaptureEngine: Monitor 5 selecionado (0x0)\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("[WARN]"), std::string::npos) << "no output shows such a monitor: GDI without a word";

    ComPtr<ID3D11Texture2D> frame;
    EXPECT_EQ(engine_.acquireFrame(frame), S_OK);
    ASSERT_TRUE(engine_.frameTexture);
    EXPECT_EQ(frame.Get(), engine_.frameTexture.Get());
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture->GetDesc(&description);
    EXPECT_EQ(description.Width, 1024u);
    EXPECT_EQ(description.Height, 768u);
    EXPECT_EQ(description.Format, DXGI_FORMAT_B8G8R8A8_UNORM);
    EXPECT_GT(description.MipLevels, 1u) << "a full mip chain";
}

TEST_F(CaptureEngineOnScreen, MonitorAreaAsGivenAndItsLineLogged)
{
    engine_.init(device_.Get(), 1, areaOf(1));
    EXPECT_EQ(engine_.monitorRect, (Rect{1024, 0, 1824, 600}));
    const std::string log = logText();
    EXPECT_NE(log.find("] [INFO] CaptureEngine: Monitor 1 selecionado (800x600)\r\n"), std::string::npos) << log;
    // Wine has no desktop duplication: the switch to GDI is logged.
    if (!engine_.duplication) {
        EXPECT_TRUE(engine_.useGdi);
        EXPECT_NE(log.find("] [WARN] DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)\r\n"),
                  std::string::npos)
            << log;
    }
}

TEST_F(CaptureEngineOnScreen, GdiCopyReadsBackThePaintedPicture)
{
    coverSecondMonitor();
    engine_.init(device_.Get(), 1, areaOf(1));
    ComPtr<ID3D11Texture2D> frame;
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    ASSERT_TRUE(engine_.frameView);
    const TexturePixels pixels = readTexture(device_.Get(), engine_.frameTexture.Get());
    ASSERT_EQ(pixels.width, 800u);
    ASSERT_EQ(pixels.height, 600u);
    const uint32_t xs[2] = {200, 600}, ys[2] = {150, 450};
    for (int q = 0; q < 4; ++q) {
        const uint8_t* p = pixels.at(xs[q % 2], ys[q / 2]);
        EXPECT_TRUE(closeTo(p, kQuarters[q])) << "quarter " << q << ": " << int(p[2]) << ", " << int(p[1]) << ", "
                                              << int(p[0]);
    }
    // The quarters' edges are where they were painted: the copy is neither shifted nor scaled.
    EXPECT_TRUE(closeTo(pixels.at(399, 10), kQuarters[0]));
    EXPECT_TRUE(closeTo(pixels.at(400, 10), kQuarters[1]));
    EXPECT_TRUE(closeTo(pixels.at(10, 299), kQuarters[0]));
    EXPECT_TRUE(closeTo(pixels.at(10, 300), kQuarters[2]));
}

TEST_F(CaptureEngineOnScreen, ReinitialisingInTheMiddleOfAPassIsSafe)
{
    engine_.init(device_.Get(), 0, areaOf(0));
    ComPtr<ID3D11Texture2D> frame;
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    frame.Reset();
    // The panel picks another monitor between the drawing and the end of the pass.
    engine_.init(device_.Get(), 1, areaOf(1));
    EXPECT_FALSE(engine_.frameView) << "the old copy texture is discarded";
    engine_.releaseFrame();
    EXPECT_FALSE(engine_.frameHeld);
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    ASSERT_TRUE(engine_.frameView);
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture->GetDesc(&description);
    EXPECT_EQ(description.Width, 800u);
}

TEST_F(CaptureEngineOnScreen, PixelBufferStopsGrowingOnceItHasItsSize)
{
    ComPtr<ID3D11Texture2D> frame;
    engine_.init(device_.Get(), 0, areaOf(0));
    engine_.acquireFrame(frame);
    const std::size_t full = engine_.gdiPixels.capacity();
    EXPECT_GE(full, 1024u * 768u);
    for (int pass = 0; pass < 5; ++pass)
        engine_.acquireFrame(frame);
    engine_.init(device_.Get(), 1, areaOf(1));
    for (int pass = 0; pass < 5; ++pass)
        engine_.acquireFrame(frame);
    EXPECT_EQ(engine_.gdiPixels.capacity(), full) << "a smaller area reuses the buffer";
}

TEST_F(CaptureEngineOnScreen, CopyTextureFollowsAChangedCaptureSize)
{
    ComPtr<ID3D11Texture2D> frame;
    engine_.init(device_.Get(), 1, areaOf(1));
    engine_.acquireFrame(frame);
    ASSERT_TRUE(engine_.frameTexture);
    // The area shrinks without an init, as the primary-monitor fallback does after a resolution change.
    engine_.monitorRect = {1024, 0, 1664, 480};
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture->GetDesc(&description);
    EXPECT_EQ(description.Width, 640u);
    EXPECT_EQ(description.Height, 480u);
    EXPECT_EQ(frame.Get(), engine_.frameTexture.Get()) << "the caller gets the new texture";
    engine_.monitorRect = {0, 0, 1024, 768};
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    engine_.frameTexture->GetDesc(&description);
    EXPECT_EQ(description.Width, 1024u);
    EXPECT_EQ(description.Height, 768u);
}

TEST_F(CaptureEngineOnScreen, ACopyThatCannotBeMadeFailsAndKeepsTheLastPicture)
{
    ComPtr<ID3D11Texture2D> frame;
    engine_.init(device_.Get(), 1, areaOf(1));
    ASSERT_EQ(engine_.acquireFrame(frame), S_OK);
    const ComPtr<ID3D11ShaderResourceView> last = engine_.frameView;
    // No screen bitmap of 100,000 pixels square (40 GB) can be made.
    engine_.monitorRect = {0, 0, 100000, 100000};
    EXPECT_EQ(engine_.acquireFrame(frame), E_FAIL);
    EXPECT_EQ(engine_.frameView.Get(), last.Get());
    engine_.monitorRect = areaOf(1);
    EXPECT_EQ(engine_.acquireFrame(frame), S_OK) << "the next pass copies again";
}

TEST_F(CaptureEngineOnScreen, TheBorrowedDeviceIsNeverReleased)
{
    const auto references = [this] {
        device_->AddRef();
        return device_->Release();
    };
    const ULONG before = references();
    {
        CaptureEngine engine;
        engine.init(device_.Get(), 0, areaOf(0));
        ComPtr<ID3D11Texture2D> frame;
        engine.acquireFrame(frame);
        engine.releaseFrame();
    }
    EXPECT_EQ(references(), before);
}
