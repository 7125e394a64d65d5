// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include <algorithm>

#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "app/camera_session.h"
#include "app/corner_editing_input.h"
#include "app/device_objects.h"
#include "app/panel_pacing.h"
#include "app/pass_pacing.h"
#include "app/projection_pass.h"
#include "app/projection_windows.h"
#include "app/remote_control.h"
#include "app/show_control.h"
#include "app/tray_icon.h"
#include "app/window_procs.h"
#include "panel/control_panel.h"
#include "panel/layout_report.h"
#include "render/renderer.h"

namespace {

constexpr int32_t kTopmostInterval = 10;
constexpr double kRefreshHzWithoutProjector = 60.0;
// The stand-in camera posts no message of its own: while a camera is open, an idle loop looks for its
// frames this often.
constexpr DWORD kCameraPollMs = 15;

// Input, an uncovered window, a command, the tray, a display change, a hotkey, the control desk or a camera's
// frame: what can change the panel.
// Not the system's own timers (Wine blinks a caret three times a second) or a bare wake-up.
bool mayChangeThePanel(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           message == WM_MOUSELEAVE || message == WM_PAINT || message == WM_COMMAND || message == WM_TRAYICON ||
           message == WM_DISPLAYCHANGE || message == WM_HOTKEY || message == WM_OSC ||
           message == WM_CAMERA_FRAME || message == WM_DEVICECHANGE;
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

// Nothing shown, no panel frame due and no camera frame the panel has not shown: nothing to capture, draw
// or present until a message comes.
bool nothingToDo(const PanelPacing& pacing, const PanelView& shownView)
{
    const bool newCameraFrame = app.cameraFrame.number != shownView.cameraFrame;
    return !anyOutputShown() && !(app.panelVisible && (pacing.due(GetTickCount64()) || newCameraFrame));
}

// How long an idle pass sleeps at most: until the panel is due, and no longer than a camera's poll.
DWORD idleWaitMs(const PanelPacing& pacing)
{
    const DWORD panelWait = app.panelVisible ? pacing.msUntilDue(GetTickCount64()) : INFINITE;
    return app.camera ? std::min(panelWait, kCameraPollMs) : panelWait;
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
void keepProjectionsOnTop(int32_t& passesSinceLastCheck)
{
    if (++passesSinceLastCheck > kTopmostInterval) {
        for (const ProjectionOutput& output : app.outputs)
            if (output.shown && coveredFromAbove(output.window))
                SetWindowPos(output.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        passesSinceLastCheck = 0;
    }
}

// The refresh rate of the first shown output's monitor.
double outputRefreshHz()
{
    for (const ProjectionOutput& output : app.outputs) {
        if (!output.shown)
            continue;
        const Rect& area = app.monitors[static_cast<std::size_t>(output.values.outputMonitor)].rect;
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
    DeviceRecovery deviceRecovery;
    int32_t passesSinceTopmostCheck = 0;
    while (app.running) {
        pacer.startPass();
        if (dispatchPendingMessages())
            panelPacing.somethingChanged();
        // A message may have ended the program ("Sair"): nothing more to draw or wait for.
        if (!app.running)
            break;
        // What the desk sent takes effect in this pass, idle or not.
        runRemoteCommands();
        keepCameraAsNeeded();
        if (!app.renderer) {
            retryDeviceWhenDue(deviceRecovery);
            continue;
        }
        if (nothingToDo(panelPacing, shownPanelView)) {
            waitForMessages(idleWaitMs(panelPacing));
            reportPassEnd();
            continue;
        }
        Renderer& renderer = *app.renderer;
        updateCornerEditing();
        advanceBlackoutFade();
        advanceCameraAlignment();
        const bool acquired = acquireCapturedFrame();
        const bool projected = projectOutputs(renderer);
        drawPanelWhenDue(renderer, panelPacing, shownPanelView);
        keepProjectionsOnTop(passesSinceTopmostCheck);
        releaseCapturedFrame(acquired);
        if (reportedDeviceRemoval())
            renderer.noteDeviceResult(DXGI_ERROR_DEVICE_REMOVED);
        if (deviceWasLost()) {
            recoverLostDevice(deviceRecovery);
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
    stopRemoteControl();
    unregisterShowHotKeys();
    removeTrayIcon();
    dropDeviceObjects();
}
