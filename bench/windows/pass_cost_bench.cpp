// Cost of one pass of the main loop with the projector, next to the capture steps no pass can avoid
// (screen copy, upload, mip generation), on the real Renderer and CaptureEngine. Every figure is a ratio
// of two sides timed in turns, pair after pair, so that a moment when the shared machine is busy weighs on
// both sides of one pair and on few pairs: the median of the pairs' ratios holds from one run to the next.
// Each timed side ends by waiting for the device, as a pass does, so its time is its own.
// scripts/bench runs it with Mesa's rasterizer on one thread (LP_NUM_THREADS=1): with one thread a core,
// a draw takes half as long when the other core happens to be free, and every ratio of a draw to a copy
// would follow the other programs on the machine.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/projection_pass.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "pair_ratios.h"
#include "render/renderer.h"
#include "table_row.h"
#include "warp/solve_warp.h"

using Microsoft::WRL::ComPtr;

namespace {

// Pairs per figure, and turns per pair: in each turn every side of the pair makes one timed pass.
constexpr int kPairs = 40;
constexpr int kTurns = 3;

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

// Milliseconds of each capture step of one copy. The upload and the
// mip generation are timed together, with one wait for the device as a pass has: a wait of its own for
// each would count the device's hand-over twice.
struct CaptureSteps {
    double gdiObjects = 0.0, bitBlt = 0.0, getDIBits = 0.0, compare = 0.0, uploadAndMips = 0.0;
    double unavoidable() const { return bitBlt + getDIBits + uploadAndMips; }
    double copyAndCompare() const { return gdiObjects + bitBlt + getDIBits + compare; }
};

// The bare screen copy of the captured area as the engine makes it (device contexts and bitmap included),
// its comparison with the copy before, and the upload and mip generation of its picture.
class BareCapture {
public:
    static constexpr int kWidth = 1024, kHeight = 768;

    explicit BareCapture(Renderer& renderer) : renderer_(renderer), pixels_(static_cast<std::size_t>(kWidth) * kHeight)
    {
        D3D11_TEXTURE2D_DESC description{};
        description.Width = kWidth;
        description.Height = kHeight;
        description.MipLevels = 0;
        description.ArraySize = 1;
        description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
        description.SampleDesc.Count = 1;
        description.BindFlags = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
        description.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
        renderer.device()->CreateTexture2D(&description, nullptr, texture_.GetAddressOf());
        renderer.device()->CreateShaderResourceView(texture_.Get(), nullptr, view_.GetAddressOf());
    }

    ID3D11ShaderResourceView* view() const { return view_.Get(); }
    // Copies that differed from the one before.
    int changes() const { return changes_; }

    // One copy, compared with the one before; uploaded with its mips when `upload`.
    CaptureSteps run(bool upload)
    {
        CaptureSteps steps;
        clock_.start();
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        steps.gdiObjects += clock_.milliseconds();
        clock_.start();
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY | CAPTUREBLT);
        steps.bitBlt += clock_.milliseconds();
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        clock_.start();
        GetDIBits(memory, bitmap, 0, kHeight, pixels_.data(), &info, DIB_RGB_COLORS);
        steps.getDIBits += clock_.milliseconds();
        if (previousPixels_.empty())
            previousPixels_ = pixels_;
        // A still desktop's copy equals the one before, so it is compared whole.
        clock_.start();
        const bool same = std::memcmp(previousPixels_.data(), pixels_.data(), pixels_.size() * sizeof(uint32_t)) == 0;
        steps.compare += clock_.milliseconds();
        changes_ += same ? 0 : 1;
        previousPixels_.swap(pixels_);
        clock_.start();
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        steps.gdiObjects += clock_.milliseconds();
        if (!upload)
            return steps;
        clock_.start();
        renderer_.context()->UpdateSubresource(texture_.Get(), 0, nullptr, previousPixels_.data(), kWidth * 4, 0);
        renderer_.context()->GenerateMips(view_.Get());
        finish(renderer_);
        steps.uploadAndMips += clock_.milliseconds();
        return steps;
    }

private:
    Renderer& renderer_;
    Stopwatch clock_;
    std::vector<uint32_t> pixels_, previousPixels_;
    int changes_ = 0;
    ComPtr<ID3D11Texture2D> texture_;
    ComPtr<ID3D11ShaderResourceView> view_;
};

// What a side's pass shows: on `outputs` projectors, which share the picture, each with its part and a
// blend band over the shared part when `split`; `shape` gives the first one surfaces and masks, `edit`
// changes it before the pass, as a drag would. A side that `settle`s first makes one untimed pass: the
// first pass after a change of mesh makes its buffers, which is not what is compared.
using Shape = std::function<void(OutputValues&)>;
using Edit = std::function<void(OutputValues&, int)>;
struct PassSide {
    Mesh mesh;
    std::size_t outputs = 1;
    bool split = false;
    bool settle = false;
    Shape shape;
    Edit edit;
};

// "1.23x (middle half of 40 pairs: 1.18x to 1.29x)"
std::string describe(const PairedFigure& figure)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.2fx (middle half of %d pairs: %.2fx to %.2fx)", figure.ratio, figure.pairs,
                  figure.lowRatio, figure.highRatio);
    return text;
}

double median(const std::vector<double>& values)
{
    return quantile(values, 0.5);
}

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
        // Wine shows what was drawn in a window when its thread finds its message queue empty (or 50 ms
        // later): without this, most passes would copy the desktop as it was.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
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
    BareCapture bare(renderer);
    bare.run(true); // the copy the next one is compared with

    // One pair: kTurns turns of one timed pass of each side, in order. Each side's time is the median of
    // its turns, so that a pass held up by another process does not weigh.
    using Side = std::function<double(int turn)>;
    const auto pairOf = [&](const std::vector<Side>& sides) {
        std::vector<std::vector<double>> times(sides.size());
        for (int turn = 0; turn < kTurns; ++turn)
            for (std::size_t side = 0; side < sides.size(); ++side)
                times[side].push_back(sides[side](turn));
        std::vector<double> medians;
        for (const std::vector<double>& sideTimes : times)
            medians.push_back(median(sideTimes));
        return medians;
    };

    // One real pass, timed, on a desktop that changed just before it: the main loop's own capture and
    // projection steps on what `side` shows.
    int changingPasses = 0, newPictures = 0;
    const auto pass = [&](const PassSide& side, int turn) {
        const SourceRect halves[] = {{0.0f, 0.0f, 0.6f, 1.0f}, {0.4f, 0.0f, 1.0f, 1.0f}};
        const EdgeBlend blends[] = {{0.0f, 0.2f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}, {0.2f, 0.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}};
        for (std::size_t output = 0; output < 2; ++output) {
            ProjectionOutput& shown = app.outputs[output];
            shown.shown = output < side.outputs;
            shown.values.surfaces.resize(1);
            shown.values.surfaces.front().mesh = side.mesh;
            shown.values.surfaces.front().source = side.split ? halves[output] : SourceRect{};
            shown.values.surfaces.front().blend = side.split ? blends[output] : EdgeBlend{};
            shown.values.masks.clear();
            shown.values.surfaces.front().corners = keystone;
        }
        if (side.shape)
            side.shape(app.outputs[0].values);
        if (side.edit)
            side.edit(app.outputs[0].values, turn);
        double milliseconds = 0.0;
        for (int run = side.settle ? 0 : 1; run <= 1; ++run) {
            changeTheDesktop();
            const uint64_t version = capture.pictureVersion();
            clock.start();
            const bool acquired = acquireCapturedFrame();
            projectOutputs(renderer);
            renderer.presentControl();
            releaseCapturedFrame(acquired);
            finish(renderer);
            milliseconds = clock.milliseconds();
            changingPasses += 1;
            newPictures += capture.pictureVersion() != version ? 1 : 0;
        }
        return milliseconds;
    };

    // The whole pass against the capture steps no pass can avoid, measured back to back.
    PairedRatios passToSteps;
    std::vector<double> copies, uploads;
    const Side captureSteps = [&](int) {
        const CaptureSteps steps = bare.run(true);
        copies.push_back(steps.bitBlt + steps.getDIBits);
        uploads.push_back(steps.uploadAndMips);
        return steps.unavoidable();
    };
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({captureSteps, [&](int turn) { return pass({}, turn); }});
        passToSteps.add(times[1], times[0]);
    }

    // Bowed as on a curved screen. A mesh that changed has its buffers made by the next pass: each side
    // settles first.
    Mesh bent = resizedMesh(Mesh{}, 9, 9);
    for (int32_t point = 0; point < bent.pointCount(); ++point) {
        const PicturePoint rest = restPosition(bent, point);
        if (cornerOfPoint(bent, point) == -1)
            bent.offsets[static_cast<std::size_t>(point)] = {0.02f * std::sin(3.14159f * rest.t),
                                                             0.05f * std::sin(3.14159f * rest.s)};
    }
    PassSide settledKeystone;
    settledKeystone.settle = true;
    PassSide settledMesh = settledKeystone;
    settledMesh.mesh = bent;
    PairedRatios meshToKeystone;
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({[&](int turn) { return pass(settledKeystone, turn); },
                                   [&](int turn) { return pass(settledMesh, turn); }});
        meshToKeystone.add(times[1], times[0]);
    }

    // What a second projector adds to the pass, against its own draw and present (with the part and
    // blend it has in the pass). The first projector shows its own part and blend on both sides, so that
    // the difference is the second one's alone.
    PairedRatios secondToOwn;
    std::vector<double> onePass, twoPass, ownPasses;
    // Timed as a pass times it: begun, drawn and presented, then one wait for the device.
    const PictureLook secondLook{{0.4f, 0.0f, 1.0f, 1.0f}, {0.2f, 0.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.0f}, {}};
    const Side ownDrawAndPresent = [&](int) {
        clock.start();
        renderer.beginProjectionFrame(app.outputs[1].target);
        renderer.drawWarpedTexture(bare.view(), warp, false, &secondLook);
        renderer.presentProjection(app.outputs[1].target, false); // as in the pass: the first output waits
        finish(renderer);
        ownPasses.push_back(clock.milliseconds());
        return ownPasses.back();
    };
    PassSide firstAlone;
    firstAlone.split = true;
    PassSide both = firstAlone;
    both.outputs = 2;
    // The difference is taken within each turn, between passes next to each other, before its median.
    for (int pair = 0; pair < kPairs; ++pair) {
        std::vector<double> added, own;
        for (int turn = 0; turn < kTurns; ++turn) {
            onePass.push_back(pass(firstAlone, turn));
            twoPass.push_back(pass(both, turn));
            added.push_back(twoPass.back() - onePass.back());
            own.push_back(ownDrawAndPresent(turn));
        }
        secondToOwn.add(median(added), median(own));
    }

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
    PassSide whole, tiled;
    whole.shape = wholeWindow;
    tiled.shape = eightTiles;
    PairedRatios tilesToWhole;
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({[&](int turn) { return pass(whole, turn); },
                                   [&](int turn) { return pass(tiled, turn); }});
        tilesToWhole.add(times[1], times[0]);
    }

    // Eight masks of 32 points, feather 50: rings of 32 points around eight centres over the keystone's
    // picture. Then the same while a corner moves every pass, and while a mask point does (each side
    // starts from the unmoved shape, so that its pass always has a change to draw).
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
    const Edit moveCorner = [](OutputValues& output, int turn) {
        output.surfaces.front().corners[0].x = -0.6f + 0.0025f * static_cast<float>(1 + turn % 2);
    };
    const Edit moveMaskPoint = [](OutputValues& output, int turn) {
        output.masks[2].points[5].x += turn % 2 ? -0.0025f : 0.0025f;
    };
    PassSide maskedSide;
    maskedSide.shape = eightMasks;
    PassSide cornerMoving = maskedSide, maskPointMoving = maskedSide;
    cornerMoving.edit = moveCorner;
    maskPointMoving.edit = moveMaskPoint;
    PairedRatios maskedToPlain, maskPointToCorner;
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({[&](int turn) { return pass({}, turn); },
                                   [&](int turn) { return pass(maskedSide, turn); }});
        maskedToPlain.add(times[1], times[0]);
    }
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({[&](int turn) { return pass(cornerMoving, turn); },
                                   [&](int turn) { return pass(maskPointMoving, turn); }});
        maskPointToCorner.add(times[1], times[0]);
    }

    // A still desktop: the engine copies and compares, finds no new picture, and the program draws nothing;
    // against the bare copy and its comparison.
    PairedRatios stillToCopy;
    std::vector<double> bareCopies, comparisons;
    // The pictures both sides compare with.
    capture.acquireFrame();
    capture.releaseFrame();
    bare.run(false);
    const int bareChanges = bare.changes();
    int stillNewPictures = 0;
    const Side bareCopy = [&](int) {
        const CaptureSteps steps = bare.run(false);
        bareCopies.push_back(steps.gdiObjects + steps.bitBlt + steps.getDIBits);
        comparisons.push_back(steps.compare);
        return steps.copyAndCompare();
    };
    const Side stillPass = [&](int) {
        clock.start();
        const uint64_t version = capture.pictureVersion();
        capture.acquireFrame();
        stillNewPictures += capture.pictureVersion() != version ? 1 : 0;
        capture.releaseFrame();
        return clock.milliseconds();
    };
    for (int pair = 0; pair < kPairs; ++pair) {
        const auto times = pairOf({bareCopy, stillPass});
        stillToCopy.add(times[1], times[0]);
    }
    std::printf("passes on a changing desktop that found a new picture: %d of %d\n", newPictures, changingPasses);
    if (stillNewPictures > 0 || bare.changes() > bareChanges)
        std::printf("  (the desktop changed during the still passes: %d new pictures in the engine, %d in the bare "
                    "copy)\n",
                    stillNewPictures, bare.changes() - bareChanges);

    // The rasterizer's threads as Mesa reads them from the environment Wine was started in.
    char threads[16];
    const DWORD length = GetEnvironmentVariableA("LP_NUM_THREADS", threads, sizeof threads);
    const std::string rendering = length > 0 && length < sizeof threads
                                      ? std::string("software rendering on ") + threads + " rasterizer thread(s)"
                                      : std::string("software rendering on Mesa's rasterizer threads, one a core");
    const std::string oneShownText = "Wine, " + rendering + ", 1024x768 captured, 800x600 shown";
    const std::string twoShownText = "Wine, " + rendering + ", 1024x768 captured, two 800x600 shown";
    const char* const oneShown = oneShownText.c_str();
    std::printf("one pass with the projector (%s): each ratio the median of %d pairs, each pair %d turns of one pass "
                "a side, each side the median of its turns\n",
                oneShown, kPairs, kTurns);
    const PairedFigure wholePass = passToSteps.figure();
    std::printf("  whole pass %.2f ms against %.2f ms of capture steps no pass can avoid (screen copy %.2f ms, upload "
                "and mip generation %.2f ms): %s (target: at most 1.3x)\n",
                wholePass.numerator, wholePass.denominator, median(copies), median(uploads), describe(wholePass).c_str());
    printTableRow("One pass against the capture steps it cannot avoid (screen copy, upload, mips), in pairs", oneShown,
                  "at most 1.3x", "%.1f ms against %.1f ms: %s (copy %.1f, upload and mips %.1f ms)", wholePass.numerator,
                  wholePass.denominator, describe(wholePass).c_str(), median(copies), median(uploads));
    const PairedFigure mesh = meshToKeystone.figure();
    std::printf("  through a bowed 9 x 9 mesh %.2f ms against %.2f ms with the keystone alone: %s (target: at most "
                "1.15x)\n",
                mesh.numerator, mesh.denominator, describe(mesh).c_str());
    printTableRow("One pass through a bowed 9 x 9 mesh against the 2 x 2 pass, in pairs", oneShown, "at most 1.15x",
                  "%.1f ms against %.1f ms: %s", mesh.numerator, mesh.denominator, describe(mesh).c_str());
    const PairedFigure second = secondToOwn.figure();
    std::printf("  with a second projector %.2f ms against %.2f ms with the first alone: it adds %.2f ms against its "
                "own draw and present %.2f ms: %s (target: at most 1.2x)\n",
                median(twoPass), median(onePass), second.numerator, median(ownPasses), describe(second).c_str());
    printTableRow("A second projector's cost in a pass against its own draw and present, in pairs",
                  twoShownText.c_str(), "at most 1.2x",
                  "adds %.1f ms against %.1f ms: %s", second.numerator, second.denominator, describe(second).c_str());
    const PairedFigure tiles = tilesToWhole.figure();
    std::printf("  eight surfaces tiling the projection %.2f ms against one surface over all of it %.2f ms: %s "
                "(target: at most 1.25x)\n",
                tiles.numerator, tiles.denominator, describe(tiles).c_str());
    printTableRow("Eight surfaces that tile the projection once against one surface over all of it, in pairs",
                  oneShown, "at most 1.25x", "%.1f ms against %.1f ms: %s", tiles.numerator, tiles.denominator,
                  describe(tiles).c_str());
    const PairedFigure masked = maskedToPlain.figure();
    std::printf("  eight masks of 32 points, feather 50: %.2f ms against %.2f ms without: %s (target: at most 1.1x)\n",
                masked.numerator, masked.denominator, describe(masked).c_str());
    printTableRow("A pass under eight masks of 32 points, feather 50, against the same pass without masks, in pairs",
                  oneShown, "at most 1.1x", "%.1f ms against %.1f ms: %s", masked.numerator, masked.denominator,
                  describe(masked).c_str());
    const PairedFigure maskPoint = maskPointToCorner.figure();
    std::printf("  under those masks, moving a mask point every pass %.2f ms against moving a corner %.2f ms: %s "
                "(target: no more than moving a corner)\n",
                maskPoint.numerator, maskPoint.denominator, describe(maskPoint).c_str());
    printTableRow("Under those masks, a pass that moves a mask point against one that moves a corner, in pairs",
                  oneShown, "no more than moving a corner", "%.1f ms against %.1f ms: %s", maskPoint.numerator,
                  maskPoint.denominator, describe(maskPoint).c_str());
    const PairedFigure still = stillToCopy.figure();
    std::printf("  a pass on a still desktop %.2f ms against the bare screen copy and its comparison %.2f ms (copy "
                "%.2f ms with its DCs and bitmap, comparison %.2f ms): %s (target: no more than the copy and the "
                "comparison)\n",
                still.numerator, still.denominator, median(bareCopies), median(comparisons), describe(still).c_str());
    printTableRow("A pass on a still desktop against the bare screen copy and its comparison, in pairs",
                  "Wine, 1024x768 captured, 800x600 shown", "the copy and the comparison alone (before: a whole pass)",
                  "%.2f ms against %.2f ms: %s", still.numerator, still.denominator, describe(still).c_str());
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
