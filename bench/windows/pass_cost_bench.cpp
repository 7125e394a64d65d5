// Cost of one pass of the main loop with the projector, step by step, next to the capture steps no
// pass can avoid (screen copy, upload, mip generation), on the real Renderer and CaptureEngine.
// Each step is closed by waiting for the device, so its time is its own.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/app_state.h"
#include "app/projection_pass.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "render/renderer.h"
#include "table_row.h"
#include "warp/solve_warp.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kPasses = 120;

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceFrequency(&frequency_); }
    void start() { QueryPerformanceCounter(&start_); }
    double milliseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_{}, start_{};
};

// Waits until the device has done everything asked of it so far.
void finish(Renderer& renderer)
{
    D3D11_QUERY_DESC description{D3D11_QUERY_EVENT, 0};
    ComPtr<ID3D11Query> query;
    renderer.device()->CreateQuery(&description, query.GetAddressOf());
    renderer.context()->End(query.Get());
    BOOL done = FALSE;
    while (renderer.context()->GetData(query.Get(), &done, sizeof done, 0) != S_OK)
        Sleep(0);
}

HWND makeWindow(const wchar_t* title, int x, int y, int width, int height, bool visible)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OstrelPassCost";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(WS_EX_TOOLWINDOW, L"OstrelPassCost", title, WS_POPUP | (visible ? WS_VISIBLE : 0), x, y,
                           width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

struct Average {
    double total = 0.0;
    int count = 0;
    void add(double ms)
    {
        total += ms;
        ++count;
    }
    double per() const { return count > 0 ? total / count : 0.0; }
};

} // namespace

int main()
{
    HWND control = makeWindow(L"control", 100, 100, 440, 560, false);
    HWND projection = makeWindow(L"projection", 1024, 0, 800, 600, true);
    // A second projector of the same size, for the pass with two outputs.
    HWND secondProjection = makeWindow(L"second projection", 1024, 0, 800, 600, true);
    // A patch of the captured monitor painted anew before every pass that must see a changing desktop.
    HWND marker = makeWindow(L"changing patch", 0, 0, 64, 64, true);
    uint32_t markerColour = 0;
    const auto changeTheDesktop = [&] {
        HDC dc = GetDC(marker);
        const RECT patch{0, 0, 64, 64};
        markerColour = (markerColour + 0x00103050u) & 0x00FFFFFFu;
        HBRUSH brush = CreateSolidBrush(markerColour);
        FillRect(dc, &patch, brush);
        DeleteObject(brush);
        ReleaseDC(marker, dc);
    };
    // The program's own state, as start-up leaves it with two outputs: the passes below run the main
    // loop's own steps on it.
    app.renderer = std::make_unique<Renderer>();
    Renderer& renderer = *app.renderer;
    if (FAILED(renderer.initialize(control, 0)))
        return 1;
    app.capture = std::make_unique<CaptureEngine>();
    CaptureEngine& capture = *app.capture;
    capture.init(renderer.device(), 0, enumerateMonitors().at(0).rect);
    const CornerSet keystone{{{-0.6f, 0.8f}, {0.6f, 0.8f}, {-0.9f, -0.8f}, {0.9f, -0.8f}}};
    app.outputs.resize(2);
    HWND windows[] = {projection, secondProjection};
    for (std::size_t output = 0; output < 2; ++output) {
        app.outputs[output].window = windows[output];
        app.outputs[output].values.surfaces.front().corners = keystone;
        if (FAILED(renderer.makeProjectionTarget(windows[output], app.outputs[output].target)))
            return 1;
    }
    const WarpMatrix warp = solveWarp(keystone);
    Stopwatch clock;

    // The bare screen copy of the same area, and the upload and mip generation of its picture.
    const int width = 1024, height = 768;
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * height);
    // The copy before, which a still desktop's copy is compared with: equal, so compared whole.
    std::vector<uint32_t> previousPixels;
    D3D11_TEXTURE2D_DESC description{};
    description.Width = width;
    description.Height = height;
    description.MipLevels = 0;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    description.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
    ComPtr<ID3D11Texture2D> texture;
    ComPtr<ID3D11ShaderResourceView> view;
    renderer.device()->CreateTexture2D(&description, nullptr, texture.GetAddressOf());
    renderer.device()->CreateShaderResourceView(texture.Get(), nullptr, view.GetAddressOf());
    Average bitBlt, getDIBits, compare, upload, mips, draw, present, secondDraw, secondPresent, pass;
    // The copy as the engine makes it, its device contexts and bitmap included.
    Average gdiObjects;
    for (int i = 0; i < kPasses; ++i) {
        clock.start();
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        gdiObjects.add(clock.milliseconds());
        clock.start();
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
        bitBlt.add(clock.milliseconds());
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        clock.start();
        GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        getDIBits.add(clock.milliseconds());
        if (previousPixels.empty())
            previousPixels = pixels;
        clock.start();
        const bool same = std::memcmp(previousPixels.data(), pixels.data(), pixels.size() * sizeof(uint32_t)) == 0;
        compare.add(clock.milliseconds());
        previousPixels.swap(pixels);
        if (!same)
            pixels = previousPixels;
        clock.start();
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        gdiObjects.add(clock.milliseconds());

        clock.start();
        renderer.context()->UpdateSubresource(texture.Get(), 0, nullptr, pixels.data(), width * 4, 0);
        finish(renderer);
        upload.add(clock.milliseconds());
        clock.start();
        renderer.context()->GenerateMips(view.Get());
        finish(renderer);
        mips.add(clock.milliseconds());

        // Each projector's own draw and present, the second with the part and blend it has below.
        const PictureLook secondLook{{0.5f, 0.0f, 1.0f, 1.0f}, {0.1f, 0.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}, {}};
        const PictureLook* looks[] = {nullptr, &secondLook};
        Average* draws[] = {&draw, &secondDraw};
        Average* presents[] = {&present, &secondPresent};
        for (std::size_t output = 0; output < 2; ++output) {
            renderer.beginProjectionFrame(app.outputs[output].target);
            clock.start();
            renderer.drawWarpedTexture(view.Get(), warp, false, looks[output]);
            finish(renderer);
            draws[output]->add(clock.milliseconds());
            clock.start();
            renderer.presentProjection(app.outputs[output].target, true);
            finish(renderer);
            presents[output]->add(clock.milliseconds());
        }
    }

    // The real pass on a desktop that changes before every pass: the main loop's own capture and
    // projection steps; with the keystone alone, through a bent 9 x 9 mesh, and on two projectors (one
    // capture, two draws, one present waiting).
    // `shape` then gives the first output its surfaces and masks; `edit` changes it before each pass, as a
    // drag would.
    using Shape = std::function<void(OutputValues&)>;
    using Edit = std::function<void(OutputValues&, int)>;
    const auto runPasses = [&](const Mesh& mesh, std::size_t outputs, Average& average, const Shape& shape = {},
                               const Edit& edit = {}) {
        const SourceRect halves[] = {{0.0f, 0.0f, 0.6f, 1.0f}, {0.4f, 0.0f, 1.0f, 1.0f}};
        const EdgeBlend blends[] = {{0.0f, 0.2f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}, {0.2f, 0.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}};
        for (std::size_t output = 0; output < 2; ++output) {
            ProjectionOutput& shown = app.outputs[output];
            shown.shown = output < outputs;
            shown.values.surfaces.front().mesh = mesh;
            shown.values.surfaces.front().source = outputs > 1 ? halves[output] : SourceRect{};
            shown.values.surfaces.front().blend = outputs > 1 ? blends[output] : EdgeBlend{};
            shown.values.surfaces.resize(1);
            shown.values.masks.clear();
            shown.values.surfaces.front().corners = keystone;
        }
        if (shape)
            shape(app.outputs[0].values);
        for (int i = 0; i < kPasses; ++i) {
            if (edit)
                edit(app.outputs[0].values, i);
            changeTheDesktop();
            clock.start();
            const bool acquired = acquireCapturedFrame();
            projectOutputs(renderer);
            renderer.presentControl();
            releaseCapturedFrame(acquired);
            finish(renderer);
            average.add(clock.milliseconds());
        }
    };
    // Bowed as on a curved screen.
    Mesh bent = resizedMesh(Mesh{}, 9, 9);
    for (int32_t point = 0; point < bent.pointCount(); ++point) {
        const PicturePoint rest = restPosition(bent, point);
        if (cornerOfPoint(bent, point) == -1)
            bent.offsets[static_cast<std::size_t>(point)] = {0.02f * std::sin(3.14159f * rest.t),
                                                             0.05f * std::sin(3.14159f * rest.s)};
    }
    // A still desktop: the engine copies and compares, finds no new picture, and the program draws nothing.
    Average stillPass;
    capture.acquireFrame(); // the picture the still passes compare with
    capture.releaseFrame();
    for (int i = 0; i < kPasses; ++i) {
        clock.start();
        const uint64_t version = capture.pictureVersion();
        capture.acquireFrame();
        if (capture.pictureVersion() != version)
            std::printf("  (a still pass found a new picture)\n");
        capture.releaseFrame();
        stillPass.add(clock.milliseconds());
    }
    Average meshPass, twoOutputPass;
    runPasses(Mesh{}, 1, pass);
    runPasses(bent, 1, meshPass);
    runPasses(Mesh{}, 2, twoOutputPass);

    // Eight surfaces that tile the projection once, 4 x 2, each showing its own part of the picture,
    // against one surface over all of it.
    const Shape wholeWindow = [](OutputValues& output) { output.surfaces.front().corners = kDefaultCorners; };
    const Shape eightTiles = [](OutputValues& output) {
        output.surfaces.clear();
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 4; ++column) {
                SurfaceValues tile;
                const float left = -1.0f + 0.5f * column, top = 1.0f - 1.0f * row;
                tile.corners = {{{left, top}, {left + 0.5f, top}, {left, top - 1.0f}, {left + 0.5f, top - 1.0f}}};
                tile.source = {0.25f * column, 0.5f * row, 0.25f * (column + 1), 0.5f * (row + 1)};
                output.surfaces.push_back(tile);
            }
    };

    // Eight masks of 32 points, feather 50: rings of 32 points around eight centres over the keystone's
    // picture. Then the same while a corner moves every pass, and while a mask point does.
    const Shape eightMasks = [](OutputValues& output) {
        for (int mask = 0; mask < kMostMasks; ++mask) {
            MaskValues ring;
            ring.feather = 50.0f;
            const float cx = -0.6f + 0.4f * static_cast<float>(mask % 4), cy = mask < 4 ? 0.4f : -0.4f;
            for (int point = 0; point < kMostMaskPoints; ++point) {
                const float angle = 6.2831853f * static_cast<float>(point) / kMostMaskPoints;
                ring.points.push_back({cx + 0.15f * std::cos(angle), cy + 0.2f * std::sin(angle)});
            }
            output.masks.push_back(ring);
        }
    };
    const Edit moveCorner = [](OutputValues& output, int pass) {
        output.surfaces.front().corners[0].x = -0.6f + 0.0025f * static_cast<float>(pass % 2);
    };
    const Edit moveMaskPoint = [](OutputValues& output, int pass) {
        output.masks[2].points[5].x += pass % 2 ? -0.0025f : 0.0025f;
    };
    // Each comparison runs its two sides in turns, so that a machine busy for a while weighs on both.
    Average wholePass, tiledPass, plainPass, maskedPass, cornerMovedPass, maskPointMovedPass;
    for (int round = 0; round < 3; ++round) {
        runPasses(Mesh{}, 1, wholePass, wholeWindow);
        runPasses(Mesh{}, 1, tiledPass, eightTiles);
        runPasses(Mesh{}, 1, plainPass);
        runPasses(Mesh{}, 1, maskedPass, eightMasks);
        runPasses(Mesh{}, 1, cornerMovedPass, eightMasks, moveCorner);
        runPasses(Mesh{}, 1, maskPointMovedPass, eightMasks, moveMaskPoint);
    }

    const double unavoidable = bitBlt.per() + getDIBits.per() + upload.per() + mips.per();
    std::printf("one pass with the projector (Wine, software rendering, 1024x768 captured, 800x600 shown), "
                "mean of %d:\n",
                kPasses);
    std::printf("  screen copy: BitBlt %.2f ms + GetDIBits %.2f ms; upload %.2f ms; mip generation %.2f ms; "
                "draw %.2f ms; present %.2f ms\n",
                bitBlt.per(), getDIBits.per(), upload.per(), mips.per(), draw.per(), present.per());
    std::printf("  whole pass %.2f ms against %.2f ms of capture steps no pass can avoid: %.2fx "
                "(target: at most 1.3x)\n",
                pass.per(), unavoidable, pass.per() / unavoidable);
    printTableRow("One pass against the capture steps it cannot avoid (screen copy, upload, mips)",
                  "Wine, software rendering, 1024x768 captured, 800x600 shown", "at most 1.3x",
                  "%.1f ms against %.1f ms: %.1fx (copy %.1f, upload %.1f, mips %.1f, draw %.1f, present %.1f ms)",
                  pass.per(), unavoidable, pass.per() / unavoidable, bitBlt.per() + getDIBits.per(), upload.per(),
                  mips.per(), draw.per(), present.per());
    std::printf("  through a bowed 9 x 9 mesh %.2f ms against %.2f ms with the keystone alone: %.2fx "
                "(target: at most 1.15x)\n",
                meshPass.per(), pass.per(), meshPass.per() / pass.per());
    printTableRow("One pass through a bowed 9 x 9 mesh against the 2 x 2 pass, same run",
                  "Wine, software rendering, 1024x768 captured, 800x600 shown", "at most 1.15x",
                  "%.1f ms against %.1f ms: %.2fx", meshPass.per(), pass.per(), meshPass.per() / pass.per());
    const double copy = gdiObjects.per() + bitBlt.per() + getDIBits.per();
    const double copyAndCompare = copy + compare.per();
    std::printf("  a pass on a still desktop %.2f ms against the bare screen copy and its comparison %.2f ms (copy "
                "%.2f ms with its DCs and bitmap, comparison %.2f ms): %.2fx (target: no more than the copy and the "
                "comparison)\n",
                stillPass.per(), copyAndCompare, copy, compare.per(), stillPass.per() / copyAndCompare);
    printTableRow("A pass on a still desktop against the bare screen copy and its comparison, same run",
                  "Wine, 1024x768 captured, 800x600 shown", "the copy and the comparison alone (before: a whole pass)",
                  "%.2f ms against %.2f ms (copy %.2f, comparison %.2f ms): %.2fx", stillPass.per(), copyAndCompare, copy,
                  compare.per(), stillPass.per() / copyAndCompare);
    const double secondOwn = secondDraw.per() + secondPresent.per();
    const double added = twoOutputPass.per() - pass.per();
    std::printf("  with a second projector %.2f ms against %.2f ms: it adds %.2f ms against its own draw %.2f ms "
                "and present %.2f ms: %.2fx (target: at most 1.2x)\n",
                twoOutputPass.per(), pass.per(), added, secondDraw.per(), secondPresent.per(), added / secondOwn);
    printTableRow("A second projector's cost in a pass against its own draw and present, same run",
                  "Wine, software rendering, 1024x768 captured, two 800x600 shown", "at most 1.2x",
                  "%.1f ms against %.1f ms: adds %.1f ms against %.1f ms: %.2fx", twoOutputPass.per(), pass.per(), added,
                  secondOwn, added / secondOwn);
    std::printf("  eight surfaces tiling the projection %.2f ms against one surface over all of it %.2f ms: %.2fx "
                "(target: at most 1.25x)\n",
                tiledPass.per(), wholePass.per(), tiledPass.per() / wholePass.per());
    printTableRow("Eight surfaces that tile the projection once against one surface over all of it, same run",
                  "Wine, software rendering, 1024x768 captured, 800x600 shown", "at most 1.25x",
                  "%.1f ms against %.1f ms: %.2fx", tiledPass.per(), wholePass.per(), tiledPass.per() / wholePass.per());
    std::printf("  eight masks of 32 points, feather 50: %.2f ms against %.2f ms without: %.2fx (target: at most "
                "1.1x); moving a mask point every pass %.2f ms against moving a corner %.2f ms: %.2fx\n",
                maskedPass.per(), plainPass.per(), maskedPass.per() / plainPass.per(), maskPointMovedPass.per(),
                cornerMovedPass.per(), maskPointMovedPass.per() / cornerMovedPass.per());
    printTableRow("A pass under eight masks of 32 points, feather 50, against the same pass without masks",
                  "Wine, software rendering, 1024x768 captured, 800x600 shown", "at most 1.1x",
                  "%.1f ms against %.1f ms: %.2fx", maskedPass.per(), plainPass.per(), maskedPass.per() / plainPass.per());
    printTableRow("Under those masks, a pass that moves a mask point against one that moves a corner",
                  "Wine, software rendering, 1024x768 captured, 800x600 shown", "no more than moving a corner",
                  "%.2f ms against %.2f ms: %.2fx", maskPointMovedPass.per(), cornerMovedPass.per(),
                  maskPointMovedPass.per() / cornerMovedPass.per());
    for (ProjectionOutput& output : app.outputs)
        renderer.releaseProjectionTarget(output.target);
    app.capture.reset();
    app.renderer.reset();
    DestroyWindow(marker);
    DestroyWindow(secondProjection);
    DestroyWindow(projection);
    DestroyWindow(control);
    return 0;
}
