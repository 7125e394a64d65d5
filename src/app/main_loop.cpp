// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include "app/app_state.h"
#include "app/corner_editing_input.h"
#include "app/device_objects.h"
#include "app/panel_pacing.h"
#include "app/pass_pacing.h"
#include "app/projection_windows.h"
#include "app/tray_icon.h"
#include "app/window_procs.h"
#include "capture/capture_engine.h"
#include "panel/control_panel.h"
#include "panel/layout_report.h"
#include "render/overlay_matrices.h"
#include "render/renderer.h"
#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int32_t kTopmostInterval = 10;
constexpr double kRefreshHzWithoutProjector = 60.0;

// Input, an uncovered window, a command, the tray or a display change: what can change the panel.
// Not the system's own timers (Wine blinks a caret three times a second) or a bare wake-up.
bool mayChangeThePanel(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           message == WM_MOUSELEAVE || message == WM_PAINT || message == WM_COMMAND || message == WM_TRAYICON ||
           message == WM_DISPLAYCHANGE;
}

// Whether a message that may change the panel came.
bool dispatchPendingMessages()
{
    bool panelMayChange = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        panelMayChange = panelMayChange || mayChangeThePanel(message.message);
    }
    return panelMayChange;
}

// Blocks until a message arrives (a click, a key, the tray, a display change) or `timeout` ms pass.
void waitForMessages(DWORD timeout)
{
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void drawGridOrLogo(Renderer& renderer, const ProjectionOutput& output, const WarpMatrix& warp)
{
    // A null grid leaves the picture unchanged with blending on. The grid bends with the picture.
    renderer.drawWarpedTexture(app.gridTexture.Get(), warp, true);
    if (app.logoTexture && !app.gridTexture) {
        RECT client{};
        GetClientRect(output.window, &client);
        renderer.drawTexture(app.logoTexture.Get(), logoMatrix(warp, client.right - client.left, client.bottom - client.top),
                             true);
    }
}

// One handle per mesh point: the corners' as ever, a cross on every other point where it is shown.
void drawPointHandles(Renderer& renderer, const ProjectionOutput& output, const WarpMatrix& warp)
{
    for (int32_t point = 0; point < output.mesh.pointCount(); ++point) {
        const bool selected = point == output.selectedPoint;
        const int32_t corner = cornerOfPoint(output.mesh, point);
        if (corner != -1) {
            const CornerPoint& position = output.corners[static_cast<std::size_t>(corner)];
            renderer.drawCornerHandle(position.x, position.y, corner, selected);
        } else if (const auto position = meshPointPosition(warp, output.mesh, point)) {
            renderer.drawPointHandle(position->x, position->y, selected);
        }
    }
}

// Without a projector nothing would draw the picture, so nothing is captured (a GDI copy of the whole
// screen per pass, for nobody); the first pass with a projector captures again. One capture feeds
// every output.
bool acquireCapturedFrame()
{
    if (!app.capture || !anyOutputShown())
        return false;
    app.capture->trackPointer = app.showCursor;
    ComPtr<ID3D11Texture2D> frame;
    app.capture->acquireFrame(frame);
    return true;
}

void releaseCapturedFrame(bool acquired)
{
    if (acquired && app.capture)
        app.capture->releaseFrame();
}

// The pointer where it is on the output's part of the captured picture, bent as the mesh bends the
// picture there; nothing when it is outside that part.
void drawCapturedPointer(Renderer& renderer, const ProjectionOutput& output, const WarpMatrix& warp)
{
    const CapturedPointer& pointer = app.capture->pointer;
    if (!pointer.visible || !app.capture->frameTexture)
        return;
    D3D11_TEXTURE2D_DESC picture{};
    app.capture->frameTexture->GetDesc(&picture);
    const SourceRect& source = output.source;
    const float width = static_cast<float>(picture.Width) * (source.right - source.left);
    const float height = static_cast<float>(picture.Height) * (source.bottom - source.top);
    const float left = static_cast<float>(picture.Width) * source.left;
    const float top = static_cast<float>(picture.Height) * source.top;
    const float s0 = (static_cast<float>(pointer.area.left) - left) / width;
    const float s1 = (static_cast<float>(pointer.area.right) - left) / width;
    const float t0 = (static_cast<float>(pointer.area.top) - top) / height;
    const float t1 = (static_cast<float>(pointer.area.bottom) - top) / height;
    if (s1 < 0.0f || s0 > 1.0f || t1 < 0.0f || t0 > 1.0f)
        return;
    const MeshOffset bend = offsetAt(output.mesh, {(s0 + s1) / 2, (t0 + t1) / 2});
    renderer.usePointerImage(pointer.image, pointer.shapeVersion);
    renderer.drawPointer(pointerMatrix(warp, s0 + bend.u, t0 + bend.v, s1 + bend.u, t1 + bend.v));
}

// What the output's window would show if it were drawn now.
ProjectionScene sceneOf(const ProjectionOutput& output)
{
    ProjectionScene scene;
    scene.output = output;
    if (app.capture) {
        scene.picture = app.capture->frameView.Get();
        scene.pictureVersion = app.capture->pictureVersion;
        const CapturedPointer& pointer = app.capture->pointer;
        scene.pointerShown = app.showCursor && pointer.visible;
        if (scene.pointerShown) {
            scene.pointerArea = pointer.area;
            scene.pointerShape = pointer.shapeVersion;
        }
    }
    if (app.showGrid) {
        scene.grid = app.gridTexture.Get();
        scene.logo = app.logoTexture.Get();
    }
    scene.handlesShown = app.panelVisible;
    scene.selectedPoint = output.selectedPoint;
    RECT client{};
    GetClientRect(output.window, &client);
    scene.width = client.right - client.left;
    scene.height = client.bottom - client.top;
    return scene;
}

// The output's part of the picture with its edge blend, the grid (or the logo) over it, and the
// handles last, over everything.
void composeProjection(Renderer& renderer, const ProjectionOutput& output)
{
    const WarpMatrix warp = solveWarp(output.corners);
    renderer.useMesh(output.mesh);
    // The captured picture replaces what is under it: blending off, so its fourth byte plays no part.
    if (app.capture && app.capture->frameView) {
        const PictureLook look{output.source, output.blend};
        renderer.drawWarpedTexture(app.capture->frameView.Get(), warp, false, &look);
    }
    if (app.showCursor && app.capture)
        drawCapturedPointer(renderer, output, warp);
    if (app.showGrid)
        drawGridOrLogo(renderer, output, warp);
    if (app.panelVisible)
        drawPointHandles(renderer, output, warp);
}

// Every shown output whose scene changed drawn, then all presented together; only the last present
// waits for the vertical blank, so a pass waits once however many projectors there are. An output whose
// scene is the one its window shows is left alone: the projector keeps the last picture. False when
// nothing was presented.
bool projectOutputs(Renderer& renderer)
{
    std::vector<std::size_t> drawn;
    for (std::size_t index = 0; index < app.outputs.size(); ++index) {
        ProjectionOutput& output = app.outputs[index];
        if (!output.shown)
            continue;
        ProjectionScene scene = sceneOf(output);
        if (output.shownScene == scene || !renderer.beginProjectionFrame(index))
            continue;
        composeProjection(renderer, output);
        output.shownScene = std::move(scene);
        drawn.push_back(index);
    }
    for (std::size_t at = 0; at < drawn.size(); ++at)
        renderer.presentProjection(drawn[at], at + 1 == drawn.size());
    return !drawn.empty();
}

// One frame of the panel library into the control window, presented.
void drawPanelFrame(Renderer& renderer)
{
    renderer.beginControlFrame();
    ImGui_ImplDX11_NewFrame();
    ImGui_ImplWin32_NewFrame();
    ImGui::NewFrame();
    drawControlPanel();
    ImGui::Render();
    ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData());
    renderer.presentControl();
}

// The panel when it is open and due: after a change of what it shows, or to blink a text cursor.
void drawPanelWhenDue(Renderer& renderer, PanelPacing& pacing, PanelView& shownView)
{
    if (!app.panelVisible)
        return;
    PanelView view = currentPanelView();
    if (view != shownView) {
        pacing.somethingChanged();
        shownView = std::move(view);
    }
    const ULONGLONG now = GetTickCount64();
    if (!pacing.due(now))
        return;
    drawPanelFrame(renderer);
    pacing.drawn(ImGui::GetIO().WantTextInput, now);
}

// Nothing shown and no panel frame due: nothing to capture, draw or present until a message comes.
bool nothingToDo(const PanelPacing& pacing)
{
    return !anyOutputShown() && !(app.panelVisible && pacing.due(GetTickCount64()));
}

// Whether a visible window other than the projections lies above this one: only a top-most window of
// another program can.
bool coveredFromAbove(HWND window)
{
    for (HWND above = GetWindow(window, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (IsWindowVisible(above) && outputOfWindow(above) == -1)
            return true;
    return false;
}

// Other programs may claim the top-most band; every 11th pass takes it back, where it was taken,
// without moving, sizing, activating or showing the window. A window left where it is is not redrawn.
void keepProjectionsOnTop()
{
    if (++app.topmostCounter > kTopmostInterval) {
        for (const ProjectionOutput& output : app.outputs)
            if (output.shown && coveredFromAbove(output.window))
                SetWindowPos(output.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        app.topmostCounter = 0;
    }
}

// The refresh rate of the first shown output's monitor.
double outputRefreshHz()
{
    for (const ProjectionOutput& output : app.outputs) {
        if (!output.shown)
            continue;
        const Rect& area = app.monitors[static_cast<std::size_t>(output.outputMonitor)].rect;
        return refreshRateOfMonitorAt(RECT{area.left, area.top, area.right, area.bottom});
    }
    return kRefreshHzWithoutProjector;
}

} // namespace

void runMainLoop()
{
    PassPacer pacer;
    PanelPacing panelPacing;
    PanelView shownPanelView;
    while (app.running) {
        pacer.startPass();
        if (dispatchPendingMessages())
            panelPacing.somethingChanged();
        // A message may have ended the program ("Sair"): nothing more to draw or wait for.
        if (!app.running)
            break;
        if (!app.renderer) {
            retryDeviceWhenDue();
            continue;
        }
        if (nothingToDo(panelPacing)) {
            waitForMessages(app.panelVisible ? panelPacing.msUntilDue(GetTickCount64()) : INFINITE);
            reportPassEnd();
            continue;
        }
        Renderer& renderer = *app.renderer;
        updateCornerEditing();
        const bool acquired = acquireCapturedFrame();
        const bool projected = projectOutputs(renderer);
        drawPanelWhenDue(renderer, panelPacing, shownPanelView);
        keepProjectionsOnTop();
        releaseCapturedFrame(acquired);
        if (reportedDeviceRemoval())
            renderer.lostDevice = DXGI_ERROR_DEVICE_REMOVED;
        if (deviceWasLost()) {
            recoverLostDevice();
            panelPacing.somethingChanged();
        }
        // Only a projection's present waits for a vertical blank; any other pass waits here instead.
        else if (!projected)
            pacer.waitOutRefreshPeriod(outputRefreshHz());
        reportPassEnd();
    }
}

void shutDown()
{
    removeTrayIcon();
    // The engine holds objects made on the Renderer's device, so it goes first.
    app.capture.reset();
    app.renderer.reset();
}
