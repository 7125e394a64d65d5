// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include <algorithm>

#include <dwmapi.h>
#include <imgui.h>
#include <imgui_impl_dx11.h>
#include <imgui_impl_win32.h>

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "app/camera_session.h"
#include "app/corner_editing_input.h"
#include "app/device_objects.h"
#include "app/keep_awake.h"
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

// Whether a window is visible but not seen: a window of another virtual desktop or a suspended store app is
// cloaked, and covers nothing.
bool cloaked(HWND window)
{
    DWORD cloak = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloak, sizeof cloak)) && cloak != 0;
}

// Whether a visible window other than the projections lies above this one on its monitor: only a top-most
// window of another program can. A window on another monitor, or a cloaked one, covers nothing, so the
// projection is not put on top again (which would steal nothing, but redraw it) for it.
bool coveredFromAbove(HWND window)
{
    RECT projection{};
    GetWindowRect(window, &projection);
    for (HWND above = GetWindow(window, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        RECT area{}, overlap{};
        if (!IsWindowVisible(above) || outputOfWindow(above) != -1 || !GetWindowRect(above, &area) ||
            !IntersectRect(&overlap, &area, &projection) || cloaked(above))
            continue;
        return true;
    }
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

// The refresh rate of the first shown output's monitor: that output paces the passes.
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

// What the passes carry from one to the next.
struct LoopState {
    PassPacer pacer;
    PanelPacing panelPacing;
    PanelView shownPanelView;
    DeviceRecovery deviceRecovery;
    int32_t passesSinceTopmostCheck = 0;
};

// The loop's state while the main loop runs, for the passes run from inside the system's modal loops.
LoopState* runningLoop = nullptr;
bool passRunning = false;

// Where a pass runs: in the main loop, which takes the messages and may wait for them; or from a timer
// inside a loop of the system's own (the tray menu, the panel moved or sized), which takes the messages
// itself and calls again.
enum class PassPlace { MainLoop, ModalLoop };

// A pass after its messages were taken.
void runPassSteps(LoopState& loop, PassPlace place)
{
    // What the desk sent takes effect in this pass, idle or not.
    runRemoteCommands();
    keepCameraAsNeeded();
    keepDisplaysAwakeWhileShown();
    warnOfProjectionsOnCapturedMonitor();
    if (!app.renderer) {
        if (place == PassPlace::MainLoop)
            retryDeviceWhenDue(loop.deviceRecovery);
        return;
    }
    if (nothingToDo(loop.panelPacing, loop.shownPanelView)) {
        if (place == PassPlace::MainLoop)
            waitForMessages(idleWaitMs(loop.panelPacing));
        reportPassEnd();
        return;
    }
    Renderer& renderer = *app.renderer;
    updateCornerEditing();
    advanceBlackoutFade();
    advanceCameraAlignment();
    const bool acquired = acquireCapturedFrame();
    const bool paced = projectOutputs(renderer);
    drawPanelWhenDue(renderer, loop.panelPacing, loop.shownPanelView);
    keepProjectionsOnTop(loop.passesSinceTopmostCheck);
    releaseCapturedFrame(acquired);
    if (reportedDeviceRemoval())
        renderer.noteDeviceResult(DXGI_ERROR_DEVICE_REMOVED);
    if (deviceWasLost()) {
        recoverLostDevice(loop.deviceRecovery);
        loop.panelPacing.somethingChanged();
    }
    // Only the first shown output's present waits for its vertical blank; a pass it did not present in
    // waits here instead, and so does one in a modal loop, whose timer may come sooner.
    else if (!paced)
        loop.pacer.waitOutRefreshPeriod(outputRefreshHz());
    reportPassEnd();
}

// The modal loop's timer comes at the shortest period the system allows: each pass waits out its own
// refresh period.
constexpr UINT kModalPassTimerMs = USER_TIMER_MINIMUM;

// One pass. Its messages are taken while no pass runs: the tray menu and the panel's move and size loops
// start from them and run passes of their own.
void runPass(LoopState& loop, PassPlace place)
{
    loop.pacer.startPass();
    if (place == PassPlace::MainLoop && dispatchPendingMessages())
        loop.panelPacing.somethingChanged();
    // A message may have ended the program ("Sair"): nothing more to draw or wait for.
    if (!app.running)
        return;
    passRunning = true;
    runPassSteps(loop, place);
    passRunning = false;
}

} // namespace

void runMainLoop()
{
    LoopState loop;
    runningLoop = &loop;
    while (app.running)
        runPass(loop, PassPlace::MainLoop);
    runningLoop = nullptr;
}

void keepPassesGoingInModalLoop(bool entering)
{
    if (entering)
        SetTimer(app.controlWindow, kModalPassTimer, kModalPassTimerMs, nullptr);
    else
        KillTimer(app.controlWindow, kModalPassTimer);
}

bool runPassFromTimer(UINT_PTR timer)
{
    if (timer != kModalPassTimer)
        return false;
    // A pass never runs inside another: a modal loop started from a pass's own steps waits for it.
    if (runningLoop && !passRunning && app.running)
        runPass(*runningLoop, PassPlace::ModalLoop);
    return true;
}

void shutDown()
{
    releaseDisplays();
    stopRemoteControl();
    unregisterShowHotKeys();
    removeTrayIcon();
    dropDeviceObjects();
}
