// The operator's actions, wiring the subsystems into AppState.
#include "app/operator_actions.h"

#include <cstdio>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "platform/debug_log.h"
#include "platform/executable_path.h"
#include "render/renderer.h"
#include "settings/start_with_windows.h"
#include "warp/corner_editing.h"

void openPanel(PanelFocus focus)
{
    app.panelVisible = true;
    app.showGrid = true;
    ShowWindow(app.controlWindow, SW_SHOW);
    if (focus == PanelFocus::BringToFront)
        SetForegroundWindow(app.controlWindow);
}

void closePanel()
{
    ShowWindow(app.controlWindow, SW_HIDE);
    app.panelVisible = false;
    app.showGrid = false;
}

void refreshMonitors()
{
    app.monitors = enumerateMonitors();
    app.hasProjector = isMonitorIndex(app.outputMonitor, app.monitors.size());
}

void showProjectionOnOutput()
{
    if (app.hasProjector) {
        placeProjectionWindow(app.projectionWindow, app.monitors[static_cast<std::size_t>(app.outputMonitor)].rect);
        ShowWindow(app.projectionWindow, SW_SHOW);
    } else {
        ShowWindow(app.projectionWindow, SW_HIDE);
    }
}

void followDisplayChange()
{
    Log("LOG", "Display change detectado pelo Windows!");
    refreshMonitors();
    showProjectionOnOutput();
}

void startCapture(int32_t index)
{
    if (!app.capture || !app.renderer)
        return;
    // An empty rectangle tells the engine that no monitor has this index.
    const Rect area = isMonitorIndex(index, app.monitors.size()) ? app.monitors[static_cast<std::size_t>(index)].rect
                                                                 : Rect{};
    app.capture->init(app.renderer->device.Get(), index, area);
}

void chooseCaptureMonitor(int32_t index)
{
    app.captureMonitor = index;
    startCapture(index);
    saveSettings();
}

void chooseOutputMonitor(int32_t index)
{
    app.outputMonitor = index;
    app.hasProjector = isMonitorIndex(app.outputMonitor, app.monitors.size());
    showProjectionOnOutput();
    loadCalibrationGrid();
    saveSettings();
}

void chooseStartWithWindows(bool enable)
{
    app.startWithWindows = enable;
    registerStartWithWindows();
    saveSettings();
}

void registerStartWithWindows()
{
    // A registration that fails is tried again at the next start, while the setting stays on.
    const LONG result = setStartWithWindows(app.startWithWindows, executablePath());
    if (result != ERROR_SUCCESS) {
        char message[96];
        std::snprintf(message, sizeof message, "Falha ao registrar o inicio com o Windows (%ld)", result);
        Log("WARN", message);
    }
}

void chooseShowCursor(bool show)
{
    app.showCursor = show;
    saveSettings();
}

void resetCorners()
{
    app.corners = kDefaultCorners;
    app.mesh = zeroedMesh(app.mesh);
    saveSettings();
}

void chooseMeshSize(int32_t columns, int32_t rows)
{
    const int32_t corner = cornerOfPoint(app.mesh, app.selectedPoint);
    app.mesh = resizedMesh(app.mesh, columns, rows);
    app.selectedPoint = corner != -1 ? pointOfCorner(app.mesh, corner) : 0;
    saveSettings();
}

void zeroMesh()
{
    app.mesh = zeroedMesh(app.mesh);
    saveSettings();
}

void moveSelectedPoint(CornerPoint position)
{
    if (movePointTo(app.corners, app.mesh, app.selectedPoint, position))
        saveSettings();
}

void loadCalibrationGrid()
{
    if (app.renderer)
        app.renderer->loadCalibrationGrid(app.gridTexture);
}
