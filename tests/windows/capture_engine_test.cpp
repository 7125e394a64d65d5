// The capture engine on the real device and the real screen under Wine (where duplication is missing,
// so the GDI copy runs).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "stand_in_duplication.h"
#include "temp_folder.h"
#include "texture_readback.h"

using Microsoft::WRL::ComPtr;

// What a pass leaves inside the engine, and the one thing a test changes behind its back: the area, as
// the primary-monitor fallback changes it after a resolution change.
struct CaptureEngineProbe {
    static void setMonitorRect(CaptureEngine& engine, const Rect& area) { engine.monitorRect_ = area; }
    static const std::vector<uint32_t>& gdiPixels(const CaptureEngine& engine) { return engine.gdiPixels_; }
    static IDXGIOutputDuplication* duplication(const CaptureEngine& engine) { return engine.duplication_.Get(); }
    static bool frameHeld(const CaptureEngine& engine) { return engine.frameHeld_; }
};

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

    // The covering window filled with one colour, straight onto the screen.
    void paintSecondMonitor(COLORREF colour)
    {
        HDC dc = GetDC(window_);
        RECT client;
        GetClientRect(window_, &client);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        ReleaseDC(window_, dc);
        pumpMessages(100);
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
    EXPECT_EQ(engine_.monitorRect(), Rect{});
    EXPECT_TRUE(engine_.usesGdi());
    const std::string log = logText();
    EXPECT_NE(log.find("] [INFO] CaptureEngine: Monitor 5 selecionado (0x0)\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("[WARN]"), std::string::npos) << "no output shows such a monitor: GDI without a word";

    EXPECT_EQ(engine_.acquireFrame(), S_OK);
    ASSERT_TRUE(engine_.frameTexture());
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture()->GetDesc(&description);
    EXPECT_EQ(description.Width, 1024u);
    EXPECT_EQ(description.Height, 768u);
    EXPECT_EQ(description.Format, DXGI_FORMAT_B8G8R8A8_UNORM);
    EXPECT_GT(description.MipLevels, 1u) << "a full mip chain";
}

TEST_F(CaptureEngineOnScreen, MonitorAreaAsGivenAndItsLineLogged)
{
    engine_.init(device_.Get(), 1, areaOf(1));
    EXPECT_EQ(engine_.monitorRect(), (Rect{1024, 0, 1824, 600}));
    const std::string log = logText();
    EXPECT_NE(log.find("] [INFO] CaptureEngine: Monitor 1 selecionado (800x600)\r\n"), std::string::npos) << log;
    // Wine has no desktop duplication: the switch to GDI is logged.
    if (!CaptureEngineProbe::duplication(engine_)) {
        EXPECT_TRUE(engine_.usesGdi());
        EXPECT_NE(log.find("] [WARN] DXGI indisponivel, usando BitBlt (Resolucao pode ser limitada pelo sistema)\r\n"),
                  std::string::npos)
            << log;
    }
}

TEST_F(CaptureEngineOnScreen, GdiCopyReadsBackThePaintedPicture)
{
    coverSecondMonitor();
    engine_.init(device_.Get(), 1, areaOf(1));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    ASSERT_TRUE(engine_.frameView());
    const TexturePixels pixels = readTexture(device_.Get(), engine_.frameTexture());
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

// A still screen is copied each pass but uploaded once; a change, a new monitor or a new size uploads.
TEST_F(CaptureEngineOnScreen, AStillScreenIsUploadedOnceAndAChangeAtOnce)
{
    coverSecondMonitor();
    engine_.init(device_.Get(), 1, areaOf(1));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    const uint64_t first = engine_.pictureVersion();
    for (int pass = 0; pass < 3; ++pass)
        ASSERT_EQ(engine_.acquireFrame(), S_OK);
    EXPECT_EQ(engine_.pictureVersion(), first) << "the same pixels are not a new picture";

    paintSecondMonitor(kQuarters[3]);
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    EXPECT_EQ(engine_.pictureVersion(), first + 1);
    EXPECT_TRUE(closeTo(readTexture(device_.Get(), engine_.frameTexture()).at(200, 150), kQuarters[3]));

    // The same pixels into a texture made anew still go up.
    engine_.init(device_.Get(), 1, areaOf(1));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    EXPECT_EQ(engine_.pictureVersion(), first + 2);
    EXPECT_TRUE(closeTo(readTexture(device_.Get(), engine_.frameTexture()).at(200, 150), kQuarters[3]));
}

TEST_F(CaptureEngineOnScreen, ReinitialisingInTheMiddleOfAPassIsSafe)
{
    engine_.init(device_.Get(), 0, areaOf(0));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    // The panel picks another monitor between the drawing and the end of the pass.
    engine_.init(device_.Get(), 1, areaOf(1));
    EXPECT_FALSE(engine_.frameView()) << "the old copy texture is discarded";
    engine_.releaseFrame();
    EXPECT_FALSE(CaptureEngineProbe::frameHeld(engine_));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    ASSERT_TRUE(engine_.frameView());
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture()->GetDesc(&description);
    EXPECT_EQ(description.Width, 800u);
}

TEST_F(CaptureEngineOnScreen, PixelBufferStopsGrowingOnceItHasItsSize)
{
    engine_.init(device_.Get(), 0, areaOf(0));
    engine_.acquireFrame();
    const std::size_t full = CaptureEngineProbe::gdiPixels(engine_).capacity();
    EXPECT_GE(full, 1024u * 768u);
    for (int pass = 0; pass < 5; ++pass)
        engine_.acquireFrame();
    engine_.init(device_.Get(), 1, areaOf(1));
    for (int pass = 0; pass < 5; ++pass)
        engine_.acquireFrame();
    EXPECT_EQ(CaptureEngineProbe::gdiPixels(engine_).capacity(), full) << "a smaller area reuses the buffer";
}

TEST_F(CaptureEngineOnScreen, CopyTextureFollowsAChangedCaptureSize)
{
    engine_.init(device_.Get(), 1, areaOf(1));
    engine_.acquireFrame();
    ASSERT_TRUE(engine_.frameTexture());
    // The area shrinks without an init, as the primary-monitor fallback does after a resolution change.
    CaptureEngineProbe::setMonitorRect(engine_, {1024, 0, 1664, 480});
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    D3D11_TEXTURE2D_DESC description{};
    engine_.frameTexture()->GetDesc(&description);
    EXPECT_EQ(description.Width, 640u);
    EXPECT_EQ(description.Height, 480u);
    CaptureEngineProbe::setMonitorRect(engine_, {0, 0, 1024, 768});
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    engine_.frameTexture()->GetDesc(&description);
    EXPECT_EQ(description.Width, 1024u);
    EXPECT_EQ(description.Height, 768u);
}

TEST_F(CaptureEngineOnScreen, ACopyThatCannotBeMadeFailsAndKeepsTheLastPicture)
{
    engine_.init(device_.Get(), 1, areaOf(1));
    ASSERT_EQ(engine_.acquireFrame(), S_OK);
    const ComPtr<ID3D11ShaderResourceView> last = engine_.frameView();
    // No screen bitmap of 100,000 pixels square (40 GB) can be made.
    CaptureEngineProbe::setMonitorRect(engine_, {0, 0, 100000, 100000});
    EXPECT_EQ(engine_.acquireFrame(), E_FAIL);
    EXPECT_EQ(engine_.frameView(), last.Get());
    CaptureEngineProbe::setMonitorRect(engine_, areaOf(1));
    EXPECT_EQ(engine_.acquireFrame(), S_OK) << "the next pass copies again";
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
        engine.acquireFrame();
        engine.releaseFrame();
    }
    EXPECT_EQ(references(), before);
}

namespace {

// A picture of distinct pixels: every pixel's colour tells where it came from.
uint32_t pictureAt(uint32_t x, uint32_t y)
{
    return 0xFF000000u | (x * 3u & 0xFFu) << 16 | (y * 5u & 0xFFu) << 8 | ((x + y) * 7u & 0xFFu);
}

// The picture as an output turned `quarterTurns` times clockwise scans it out.
std::vector<uint32_t> scannedOut(uint32_t width, uint32_t height, int quarterTurns, uint32_t& outWidth, uint32_t& outHeight)
{
    std::vector<uint32_t> image(static_cast<std::size_t>(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image[y * width + x] = pictureAt(x, y);
    for (int turn = 0; turn < quarterTurns; ++turn) {
        // A clockwise quarter turn: (x, y) goes to (height - 1 - y, x) of an image height wide.
        std::vector<uint32_t> turned(image.size());
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                turned[x * height + (height - 1 - y)] = image[y * width + x];
        image = std::move(turned);
        std::swap(width, height);
    }
    outWidth = width;
    outHeight = height;
    return image;
}

ComPtr<ID3D11Texture2D> makeFrame(ID3D11Device* device, uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels)
{
    D3D11_TEXTURE2D_DESC description{};
    description.Width = width;
    description.Height = height;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.Usage = D3D11_USAGE_DEFAULT;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{pixels.data(), width * 4, 0};
    ComPtr<ID3D11Texture2D> frame;
    device->CreateTexture2D(&description, &data, frame.GetAddressOf());
    return frame;
}

uint32_t pixelOf(const TexturePixels& pixels, uint32_t x, uint32_t y)
{
    const uint8_t* p = pixels.at(x, y);
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// The engine duplicating the first monitor through a stand-in, as the main loop drives it.
class DuplicationThroughAStandIn : public CaptureEngineOnScreen {
protected:
    void start(DXGI_MODE_ROTATION rotation = DXGI_MODE_ROTATION_IDENTITY,
               DXGI_FORMAT desktop = DXGI_FORMAT_B8G8R8A8_UNORM)
    {
        standIn_ = new StandInDuplication(rotation, 64, 48, desktop);
        engine_ = std::make_unique<CaptureEngine>(
            [this](IDXGIOutput*, ID3D11Device*, IDXGIOutputDuplication** made) {
                ++duplicationsMade_;
                if (FAILED(nextDuplication_))
                    return nextDuplication_;
                return standIn_.CopyTo(made);
            },
            [this](HMONITOR) { return sdrWhiteNits_; });
        engine_->init(device_.Get(), 0, areaOf(0));
        if (SUCCEEDED(nextDuplication_))
            ASSERT_FALSE(engine_->usesGdi()) << "the stand-in was not taken for the output";
    }
    ComPtr<ID3D11Texture2D> frameOf(uint32_t width, uint32_t height, int quarterTurns = 0)
    {
        uint32_t w = 0, h = 0;
        const std::vector<uint32_t> pixels = scannedOut(width, height, quarterTurns, w, h);
        return makeFrame(device_.Get(), w, h, pixels);
    }
    // One pass: acquire, then give the frame back at its end.
    HRESULT pass()
    {
        const HRESULT result = engine_->acquireFrame();
        engine_->releaseFrame();
        return result;
    }
    void expectThePicture(uint32_t width, uint32_t height)
    {
        ASSERT_TRUE(engine_->frameTexture());
        const TexturePixels pixels = readTexture(device_.Get(), engine_->frameTexture());
        ASSERT_EQ(pixels.width, width);
        ASSERT_EQ(pixels.height, height);
        for (uint32_t y = 0; y < height; y += 7)
            for (uint32_t x = 0; x < width; x += 5)
                ASSERT_EQ(pixelOf(pixels, x, y), pictureAt(x, y)) << x << ", " << y;
    }

    ComPtr<StandInDuplication> standIn_;
    std::unique_ptr<CaptureEngine> engine_;
    int duplicationsMade_ = 0;
    HRESULT nextDuplication_ = S_OK; // what the next factory call answers
    float sdrWhiteNits_ = 80.0f; // what the system says of the monitor's SDR white
};

} // namespace

TEST_F(DuplicationThroughAStandIn, ANewFrameIsCopiedWithItsMipsAndATimeoutKeepsIt)
{
    start();
    standIn_->script.push_back({S_OK, frameOf(64, 48)});
    EXPECT_EQ(pass(), S_OK);
    expectThePicture(64, 48);
    // Level 1 of the chain averages each 2 x 2 block of level 0.
    const TexturePixels level1 = readTexture(device_.Get(), engine_->frameTexture(), 1);
    ASSERT_EQ(level1.width, 32u);
    const uint8_t* averaged = level1.at(3, 2);
    const uint32_t a = pictureAt(6, 4), b = pictureAt(7, 5);
    EXPECT_NEAR(averaged[2], ((a >> 16 & 0xFF) + (b >> 16 & 0xFF)) / 2.0, 2.0);

    // No new frame: the same texture, nothing copied, nothing to give back, nothing new to draw.
    const ComPtr<ID3D11Texture2D> before = engine_->frameTexture();
    const uint64_t version = engine_->pictureVersion();
    EXPECT_EQ(pass(), S_OK);
    EXPECT_EQ(engine_->frameTexture(), before.Get());
    expectThePicture(64, 48);
    EXPECT_EQ(standIn_->acquired, 1);
    EXPECT_EQ(standIn_->released, 1);
    EXPECT_EQ(standIn_->releasesWithoutAFrame, 0);
    EXPECT_EQ(engine_->pictureVersion(), version);

    // A frame that moved only the pointer is given back, its picture not copied; a new one is.
    StandInDuplication::Outcome pointerOnly{S_OK, frameOf(64, 48)};
    pointerOnly.pointerOnly = true;
    standIn_->script.push_back(pointerOnly);
    EXPECT_EQ(pass(), S_OK);
    EXPECT_EQ(standIn_->released, 2);
    EXPECT_EQ(engine_->pictureVersion(), version);
    standIn_->script.push_back({S_OK, frameOf(64, 48)});
    EXPECT_EQ(pass(), S_OK);
    EXPECT_EQ(engine_->pictureVersion(), version + 1);
}

TEST_F(DuplicationThroughAStandIn, AccessLostMakesTheDuplicationAgainAndOtherFailuresTryNextPass)
{
    start();
    standIn_->script.push_back({S_OK, frameOf(64, 48)});
    standIn_->script.push_back({DXGI_ERROR_ACCESS_LOST});
    standIn_->script.push_back({DXGI_ERROR_DEVICE_HUNG});
    standIn_->script.push_back({S_OK, frameOf(40, 30)});
    EXPECT_EQ(pass(), S_OK);
    EXPECT_EQ(pass(), E_PENDING);
    EXPECT_EQ(duplicationsMade_, 2) << "made again at once";
    ASSERT_TRUE(engine_->frameView()) << "the last picture stays meanwhile";
    EXPECT_EQ(pass(), DXGI_ERROR_DEVICE_HUNG);
    // A frame of another size (a resolution change) gets a copy texture of its size.
    EXPECT_EQ(pass(), S_OK);
    expectThePicture(40, 30);
    const std::string log = logText();
    EXPECT_NE(log.find("] [LOG] Captura DXGI perdida; recriando a duplicacao\r\n"), std::string::npos) << log;
}

TEST_F(DuplicationThroughAStandIn, ADuplicationThatCannotBeMadeAgainLeavesGdiAndIsTriedEverySecond)
{
    start();
    standIn_->script.push_back({DXGI_ERROR_ACCESS_LOST});
    nextDuplication_ = E_ACCESSDENIED; // the secure desktop
    EXPECT_EQ(pass(), E_PENDING);
    EXPECT_TRUE(engine_->usesGdi());
    EXPECT_EQ(pass(), S_OK) << "the GDI copy stands in";
    EXPECT_EQ(duplicationsMade_, 2) << "not tried again within the second";
    nextDuplication_ = S_OK;
    Sleep(1100);
    standIn_->script.push_back({S_OK, frameOf(64, 48)});
    EXPECT_EQ(pass(), S_OK);
    EXPECT_EQ(duplicationsMade_, 3);
    EXPECT_FALSE(engine_->usesGdi());
    expectThePicture(64, 48);
}

// Started at log-on, the program meets the lock screen: the first DuplicateOutput is refused. The GDI copy
// stands in, and the picture comes by duplication again once the system allows it.
TEST_F(DuplicationThroughAStandIn, AFirstDuplicationRefusedIsTriedAgainUntilItIsAllowed)
{
    nextDuplication_ = E_ACCESSDENIED;
    start();
    EXPECT_TRUE(engine_->usesGdi());
    EXPECT_EQ(pass(), S_OK) << "the GDI copy stands in";
    EXPECT_EQ(duplicationsMade_, 1) << "not tried again within the second";
    nextDuplication_ = S_OK;
    const ULONGLONG allowedAt = GetTickCount64();
    while (engine_->usesGdi() && GetTickCount64() - allowedAt < 3000) {
        standIn_->script.assign(1, {S_OK, frameOf(64, 48)});
        pass();
        Sleep(20);
    }
    EXPECT_FALSE(engine_->usesGdi());
    EXPECT_LE(GetTickCount64() - allowedAt, 2000u) << "duplication came back too late";
    EXPECT_EQ(duplicationsMade_, 2);
    standIn_->script.assign(1, {S_OK, frameOf(64, 48)});
    EXPECT_EQ(pass(), S_OK);
    expectThePicture(64, 48);
    const std::string log = logText();
    EXPECT_NE(log.find("] [WARN] DXGI indisponivel, usando BitBlt"), std::string::npos) << log;
    EXPECT_NE(log.find("] [LOG] Captura DXGI restabelecida\r\n"), std::string::npos) << log;
}

namespace {

double linearOf(double srgb)
{
    return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
}

// A half float, for the values a desktop holds (positive, normal or zero).
uint16_t halfOf(float value)
{
    if (value <= 0.0f)
        return 0;
    int exponent = 0;
    const float mantissa = std::frexp(value, &exponent); // value = mantissa * 2^exponent, mantissa in [0.5, 1)
    const int biased = exponent - 1 + 15;
    if (biased <= 0)
        return 0;
    const auto fraction = static_cast<uint16_t>(std::lround((mantissa * 2.0f - 1.0f) * 1024.0f));
    return static_cast<uint16_t>((biased << 10) + fraction);
}

} // namespace

// With HDR on (or the system's automatic colour management), the desktop is composed in linear scRGB,
// SDR white at the monitor's SDR white level: brought back with that level, SDR content is projected as
// it looks on the monitor, not washed out or clipped.
TEST_F(DuplicationThroughAStandIn, AFloatDesktopIsProjectedAsTheSdrPictureAtTheMonitorsWhiteLevel)
{
    sdrWhiteNits_ = 240.0f;
    start(DXGI_MODE_ROTATION_IDENTITY, DXGI_FORMAT_R16G16B16A16_FLOAT);
    EXPECT_TRUE(engine_->floatDesktop());
    constexpr uint32_t width = 64, height = 48;
    std::vector<uint16_t> halves(static_cast<std::size_t>(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t colour = pictureAt(x, y);
            uint16_t* pixel = &halves[(static_cast<std::size_t>(y) * width + x) * 4];
            // Red, green, blue from the picture's bytes, each at three times scRGB's 80 nits.
            for (int channel = 0; channel < 3; ++channel) {
                const double srgb = static_cast<double>(colour >> (16 - 8 * channel) & 0xFFu) / 255.0;
                pixel[channel] = halfOf(static_cast<float>(linearOf(srgb) * 3.0));
            }
            pixel[3] = halfOf(1.0f);
        }
    D3D11_TEXTURE2D_DESC description{};
    description.Width = width;
    description.Height = height;
    description.MipLevels = description.ArraySize = 1;
    description.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
    description.SampleDesc.Count = 1;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{halves.data(), width * 8, 0};
    ComPtr<ID3D11Texture2D> frame;
    ASSERT_EQ(device_->CreateTexture2D(&description, &data, frame.GetAddressOf()), S_OK);
    standIn_->script.push_back({S_OK, frame});
    ASSERT_EQ(pass(), S_OK);

    ASSERT_TRUE(engine_->frameTexture());
    D3D11_TEXTURE2D_DESC copied{};
    engine_->frameTexture()->GetDesc(&copied);
    EXPECT_EQ(copied.Format, DXGI_FORMAT_B8G8R8A8_UNORM);
    const TexturePixels pixels = readTexture(device_.Get(), engine_->frameTexture());
    int worst = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int shift = 0; shift < 24; shift += 8)
                worst = std::max(worst, std::abs(static_cast<int>(pixelOf(pixels, x, y) >> shift & 0xFFu) -
                                                 static_cast<int>(pictureAt(x, y) >> shift & 0xFFu)));
    EXPECT_LE(worst, 2) << "the SDR picture's bytes, through half floats";
    EXPECT_NE(logText().find("Area de trabalho HDR capturada; branco SDR em 240 nits"), std::string::npos);
}

TEST_F(DuplicationThroughAStandIn, EveryFrameIsGivenBackOnceOverThousandsOfRandomPasses)
{
    start();
    const ComPtr<ID3D11Texture2D> frames[2] = {frameOf(64, 48), frameOf(32, 24)};
    std::mt19937 random(2026);
    const HRESULT failures[] = {DXGI_ERROR_WAIT_TIMEOUT, DXGI_ERROR_ACCESS_LOST, E_FAIL, DXGI_ERROR_INVALID_CALL};
    for (int i = 0; i < 3000; ++i) {
        const unsigned roll = random() % 10;
        if (roll < 6)
            standIn_->script.push_back({S_OK, frames[roll % 2]});
        else
            standIn_->script.push_back({failures[roll - 6]});
        pass();
        ASSERT_FALSE(standIn_->holding) << "pass " << i;
    }
    EXPECT_GT(standIn_->acquired, 1500);
    EXPECT_EQ(standIn_->released, standIn_->acquired);
    EXPECT_EQ(standIn_->releasesWithoutAFrame, 0);
    EXPECT_EQ(standIn_->acquiresWhileHolding, 0);
    engine_.reset();
    EXPECT_EQ(standIn_->references(), 1u) << "the engine keeps no reference after it is gone";
}

TEST_F(DuplicationThroughAStandIn, ARotatedOutputsPictureArrivesUpright)
{
    const DXGI_MODE_ROTATION rotations[] = {DXGI_MODE_ROTATION_ROTATE90, DXGI_MODE_ROTATION_ROTATE180,
                                            DXGI_MODE_ROTATION_ROTATE270};
    for (int turns = 1; turns <= 3; ++turns) {
        start(rotations[turns - 1]);
        standIn_->script.push_back({S_OK, frameOf(64, 48, turns)});
        EXPECT_EQ(pass(), S_OK);
        SCOPED_TRACE(turns);
        expectThePicture(64, 48);
    }
}

TEST_F(DuplicationThroughAStandIn, PointerShapesOfEachKindArriveAndStayUntilTheyChange)
{
    start();
    engine_->trackPointer(true);
    const auto frameWithPointer = [&](uint32_t type, UINT width, UINT height, UINT pitch, std::vector<uint8_t> bytes, POINT at) {
        StandInDuplication::Outcome outcome{S_OK, frameOf(64, 48)};
        outcome.pointerVisible = true;
        outcome.pointerPosition = at;
        outcome.pointerShapeInfo = {type, width, height, pitch, {0, 0}};
        outcome.pointerShape = std::move(bytes);
        return outcome;
    };
    // Monochrome 8 x 1: AND row over XOR row; black, white, screen, inverted.
    standIn_->script.push_back(frameWithPointer(kMonochromePointer, 8, 2, 1, {0b00110000, 0b01010000}, {10, 20}));
    ASSERT_EQ(pass(), S_OK);
    ASSERT_TRUE(engine_->pointer().visible);
    EXPECT_EQ(engine_->pointer().area, (Rect{10, 20, 18, 21}));
    EXPECT_EQ(engine_->pointer().image.colour[0], 0xFF000000u);
    EXPECT_EQ(engine_->pointer().image.colour[1], 0xFFFFFFFFu);
    EXPECT_EQ(engine_->pointer().image.invert[3], 0xFFFFFFFFu);
    const uint64_t monochrome = engine_->pointer().shapeVersion;

    // The pointer moves without a new shape: the cached one stays.
    StandInDuplication::Outcome moved{S_OK, frameOf(64, 48)};
    moved.pointerVisible = true;
    moved.pointerPosition = {30, 5};
    standIn_->script.push_back(moved);
    ASSERT_EQ(pass(), S_OK);
    EXPECT_EQ(engine_->pointer().shapeVersion, monochrome);
    EXPECT_EQ(engine_->pointer().area, (Rect{30, 5, 38, 6}));

    // Colour, with its alpha; then masked colour, whose 0xFF mask inverts.
    standIn_->script.push_back(frameWithPointer(kColourPointer, 1, 1, 4, {0x10, 0x20, 0x30, 0x80}, {1, 2}));
    ASSERT_EQ(pass(), S_OK);
    EXPECT_GT(engine_->pointer().shapeVersion, monochrome);
    EXPECT_EQ(engine_->pointer().image.colour, (std::vector<uint32_t>{0x80302010u}));
    EXPECT_FALSE(engine_->pointer().image.inverts);
    standIn_->script.push_back(frameWithPointer(kMaskedColourPointer, 2, 1, 8, {0x10, 0x20, 0x30, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, {1, 2}));
    ASSERT_EQ(pass(), S_OK);
    EXPECT_EQ(engine_->pointer().image.colour[0], 0xFF302010u);
    EXPECT_EQ(engine_->pointer().image.invert[1], 0xFFFFFFFFu);

    // Hidden, then the setting off: nothing to draw.
    StandInDuplication::Outcome hidden{S_OK, frameOf(64, 48)};
    standIn_->script.push_back(hidden);
    ASSERT_EQ(pass(), S_OK);
    EXPECT_FALSE(engine_->pointer().visible);
    EXPECT_EQ(standIn_->released, standIn_->acquired);
}
