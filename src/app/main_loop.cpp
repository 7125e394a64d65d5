// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include "app/app_state.h"
#include "app/corner_editing_input.h"
#include "app/device_objects.h"
#include "app/pass_pacing.h"
#include "app/tray_icon.h"
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

void dispatchPendingMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void drawGridOrLogo(Renderer& renderer, const WarpMatrix& warp)
{
    // A null grid leaves the picture unchanged with blending on. The grid bends with the picture.
    renderer.drawWarpedTexture(app.gridTexture.Get(), warp, true);
    if (app.logoTexture && !app.gridTexture) {
        RECT client{};
        GetClientRect(app.projectionWindow, &client);
        renderer.drawTexture(app.logoTexture.Get(), logoMatrix(warp, client.right - client.left, client.bottom - client.top),
                             true);
    }
}

// One handle per mesh point: the corners' as ever, a cross on every other point where it is shown.
void drawPointHandles(Renderer& renderer, const WarpMatrix& warp)
{
    for (int32_t point = 0; point < app.mesh.pointCount(); ++point) {
        const bool selected = point == app.selectedPoint;
        const int32_t corner = cornerOfPoint(app.mesh, point);
        if (corner != -1) {
            const CornerPoint& position = app.corners[static_cast<std::size_t>(corner)];
            renderer.drawCornerHandle(position.x, position.y, corner, selected);
        } else if (const auto position = meshPointPosition(warp, app.mesh, point)) {
            renderer.drawPointHandle(position->x, position->y, selected);
        }
    }
}

// Without a projector nothing would draw the picture, so nothing is captured (a GDI copy of the whole
// screen per pass, for nobody); the first pass with a projector captures again.
bool acquireCapturedFrame()
{
    if (!app.capture || !app.hasProjector)
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

// The pointer where it is on the captured picture, bent as the mesh bends the picture there.
void drawCapturedPointer(Renderer& renderer, const WarpMatrix& warp)
{
    const CapturedPointer& pointer = app.capture->pointer;
    if (!pointer.visible || !app.capture->frameTexture)
        return;
    D3D11_TEXTURE2D_DESC picture{};
    app.capture->frameTexture->GetDesc(&picture);
    const float width = static_cast<float>(picture.Width), height = static_cast<float>(picture.Height);
    const float s0 = static_cast<float>(pointer.area.left) / width, s1 = static_cast<float>(pointer.area.right) / width;
    const float t0 = static_cast<float>(pointer.area.top) / height, t1 = static_cast<float>(pointer.area.bottom) / height;
    const MeshOffset bend = offsetAt(app.mesh, {(s0 + s1) / 2, (t0 + t1) / 2});
    renderer.usePointerImage(pointer.image, pointer.shapeVersion);
    renderer.drawPointer(pointerMatrix(warp, s0 + bend.u, t0 + bend.v, s1 + bend.u, t1 + bend.v));
}

// The picture, the grid (or the logo) over it, and the handles last, over everything.
void composeProjection(Renderer& renderer, const WarpMatrix& warp)
{
    // The captured picture replaces what is under it: blending off, so its fourth byte plays no part.
    renderer.useMesh(app.mesh);
    if (app.capture && app.capture->frameView)
        renderer.drawWarpedTexture(app.capture->frameView.Get(), warp, false);
    if (app.showCursor && app.capture)
        drawCapturedPointer(renderer, warp);
    if (app.showGrid)
        drawGridOrLogo(renderer, warp);
    if (app.panelVisible)
        drawPointHandles(renderer, warp);
    renderer.presentProjection();
}

// One frame of the panel library into the control window.
void drawPanelFrame(Renderer& renderer)
{
    renderer.beginControlFrame();
    ImGui_ImplDX11_NewFrame();
    ImGui_ImplWin32_NewFrame();
    ImGui::NewFrame();
    drawControlPanel();
    ImGui::Render();
    ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData());
}

// Other programs may claim the top-most band; every 11th pass takes it back without moving,
// sizing, activating or showing the window.
void keepProjectionOnTop()
{
    if (++app.topmostCounter > kTopmostInterval) {
        SetWindowPos(app.projectionWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        app.topmostCounter = 0;
    }
}

double outputRefreshHz()
{
    if (!app.hasProjector)
        return kRefreshHzWithoutProjector;
    const Rect& area = app.monitors[static_cast<std::size_t>(app.outputMonitor)].rect;
    return refreshRateOfMonitorAt(RECT{area.left, area.top, area.right, area.bottom});
}

} // namespace

void runMainLoop()
{
    PassPacer pacer;
    while (app.running) {
        pacer.startPass();
        dispatchPendingMessages();
        if (!app.renderer) {
            retryDeviceWhenDue();
            continue;
        }
        Renderer& renderer = *app.renderer;
        updateCornerEditing();
        renderer.clearTargets();
        const WarpMatrix warp = solveWarp(app.corners);
        const bool acquired = acquireCapturedFrame();
        const bool projected = app.hasProjector && renderer.beginProjectionFrame();
        if (projected)
            composeProjection(renderer, warp);
        if (app.panelVisible)
            drawPanelFrame(renderer);
        renderer.presentControl();
        keepProjectionOnTop();
        releaseCapturedFrame(acquired);
        if (reportedDeviceRemoval())
            renderer.lostDevice = DXGI_ERROR_DEVICE_REMOVED;
        if (deviceWasLost())
            recoverLostDevice();
        // Only the projection's present waits for a vertical blank; any other pass waits here instead.
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
