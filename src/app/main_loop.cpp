// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include "app/app_state.h"
#include "app/pass_pacing.h"
#include "capture/capture_engine.h"
#include "panel/control_panel.h"
#include "panel/layout_report.h"
#include "render/overlay_matrices.h"
#include "warp/update_corner_editing.h"
#include "render/renderer.h"
#include "warp/solve_warp.h"

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
    // A null grid leaves the picture unchanged with blending on.
    renderer.drawTexture(app.gridTexture.Get(), warp, true);
    if (app.logoTexture && !app.gridTexture) {
        RECT client{};
        GetClientRect(app.projectionWindow, &client);
        renderer.drawTexture(app.logoTexture.Get(), logoMatrix(warp, client.right - client.left, client.bottom - client.top),
                             true);
    }
}

void drawCornerHandles(Renderer& renderer)
{
    for (int i = 0; i < 4; ++i) {
        const CornerPoint& corner = app.corners[static_cast<std::size_t>(i)];
        renderer.drawCornerHandle(corner.x, corner.y, i, i == app.selectedCorner);
    }
}

// Without a projector nothing would draw the picture, so nothing is captured (a GDI copy of the whole
// screen per pass, for nobody); the first pass with a projector captures again.
bool acquireCapturedFrame()
{
    if (!app.capture || !app.hasProjector)
        return false;
    ComPtr<ID3D11Texture2D> frame;
    app.capture->acquireFrame(frame);
    return true;
}

void releaseCapturedFrame(bool acquired)
{
    if (acquired && app.capture)
        app.capture->releaseFrame();
}

// The picture, the grid (or the logo) over it, and the handles last, over everything.
void composeProjection(Renderer& renderer, const WarpMatrix& warp)
{
    // The captured picture replaces what is under it: blending off, so its fourth byte plays no part.
    if (app.capture && app.capture->frameView)
        renderer.drawTexture(app.capture->frameView.Get(), warp, false);
    if (app.showGrid)
        drawGridOrLogo(renderer, warp);
    if (app.panelVisible)
        drawCornerHandles(renderer);
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
    Renderer& renderer = *app.renderer;
    while (app.running) {
        pacer.startPass();
        dispatchPendingMessages();
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
        // Only the projection's present waits for a vertical blank; any other pass waits here instead.
        if (!projected)
            pacer.waitOutRefreshPeriod(outputRefreshHz());
        reportPassEnd();
    }
}

void shutDown()
{
    Shell_NotifyIconW(NIM_DELETE, &app.trayIcon);
    // The engine holds objects made on the Renderer's device, so it goes first.
    app.capture.reset();
    app.renderer.reset();
}
