// The operator's actions, wiring the subsystems into AppState.
#include "app/operator_actions.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/calibration_steps.h"
#include "app/camera_session.h"
#include "app/projection_windows.h"
#include "app/projector_follow.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "panel/panel_items.h"
#include "platform/debug_log.h"
#include "platform/executable_path.h"
#include "render/renderer.h"
#include "settings/settings_text.h"
#include "settings/start_with_windows.h"
#include "warp/corner_editing.h"

namespace {

// A change of the calibration: an undo step (or part of the one under way), saved at once.
void saveChange()
{
    recordStep();
    saveSettings();
}

} // namespace

void openPanel(PanelFocus focus)
{
    refreshPresets();
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
    // No tab is drawn now: the camera closes, and its devices are listed anew when the tab next shows.
    app.cameraTabShown = false;
    forgetCameraNames();
}

void concludeEditing()
{
    closePanel();
    saveSettings();
}

void chooseShowGrid(bool show)
{
    app.showGrid = show;
}

namespace {

// Whether `output`'s monitor exists; its window over that monitor and shown, or hidden.
void showProjection(ProjectionOutput& output)
{
    output.shown = outputMonitorShown(output);
    if (!output.window)
        return;
    if (output.shown) {
        placeProjectionWindow(output.window, app.monitors[static_cast<std::size_t>(output.values.outputMonitor)].rect);
        // Shown without taking the keyboard from what the operator is typing into.
        ShowWindow(output.window, SW_SHOWNA);
        output.drawAnew();
    } else {
        ShowWindow(output.window, SW_HIDE);
    }
}

bool monitorShowsAnOutput(int32_t monitor)
{
    for (const ProjectionOutput& output : app.outputs)
        if (output.values.outputMonitor == monitor)
            return true;
    return false;
}

} // namespace

void refreshMonitors()
{
    app.monitors = enumerateMonitors();
    for (ProjectionOutput& output : app.outputs)
        output.shown = outputMonitorShown(output);
}

void showProjections()
{
    for (ProjectionOutput& output : app.outputs)
        showProjection(output);
}

void followDisplayChange()
{
    Log("LOG", "Display change detectado pelo Windows!");
    refreshMonitors();
    followProjectors();
    showProjections();
    // The capture monitor may have another size, place or output now: the engine starts on what it is.
    startCapture(app.captureMonitor);
}

void startCapture(int32_t index)
{
    if (!app.capture || !app.renderer)
        return;
    // An empty rectangle tells the engine that no monitor has this index.
    if (!isMonitorIndex(index, app.monitors.size())) {
        app.capture->init(app.renderer->device(), index, Rect{});
        return;
    }
    const MonitorInfo& monitor = app.monitors[static_cast<std::size_t>(index)];
    app.capture->init(app.renderer->device(), index, monitor.rect, monitor.handle);
}

void chooseCaptureMonitor(int32_t index)
{
    app.captureMonitor = index;
    app.captureMonitorId = namesOfMonitor(index);
    startCapture(index);
    saveSettings();
}

void chooseOutputMonitor(int32_t output, int32_t index)
{
    if (output < 0 || static_cast<std::size_t>(output) >= app.outputs.size())
        return;
    ProjectionOutput& chosen = app.outputs[static_cast<std::size_t>(output)];
    chosen.values.outputMonitor = index;
    chosen.values.outputMonitorId = namesOfMonitor(index);
    chosen.projectorMissing = false;
    showProjection(chosen);
    loadCalibrationGrid();
    saveChange();
}

std::optional<int32_t> monitorForNewOutput()
{
    if (app.outputs.size() >= static_cast<std::size_t>(kMostOutputs))
        return std::nullopt;
    const int32_t count = static_cast<int32_t>(app.monitors.size());
    for (int32_t monitor = 0; monitor < count; ++monitor)
        if (monitor != app.captureMonitor && !monitorShowsAnOutput(monitor))
            return monitor;
    for (int32_t monitor = 0; monitor < count; ++monitor)
        if (!monitorShowsAnOutput(monitor))
            return monitor;
    return std::nullopt;
}

namespace {

// A window for an output on its monitor and its swap chain, or neither: without a target the output
// could never be drawn.
bool openProjection(ProjectionOutput& output, std::size_t index)
{
    makeProjectionWindow(output, index);
    if (!output.window)
        return false;
    // Placed before its swap chain is made, which takes the window's size.
    showProjection(output);
    if (app.renderer && FAILED(app.renderer->makeProjectionTarget(output.window, output.target))) {
        DestroyWindow(output.window);
        output.window = nullptr;
        return false;
    }
    return true;
}

void closeProjection(ProjectionOutput& output)
{
    // The swap chain goes before its window.
    if (app.renderer)
        app.renderer->releaseProjectionTarget(output.target);
    DestroyWindow(output.window);
}

// The selection and the chosen mask within what the output now holds, and no drag under way.
void keepEditingWithin(ProjectionOutput& output)
{
    EditingState& editing = output.editing;
    const auto surfaces = static_cast<int32_t>(output.values.surfaces.size());
    if (editing.editedSurface >= surfaces)
        editing.editedSurface = surfaces - 1;
    if (editing.selectedPoint >= static_cast<int32_t>(output.editedSurface().mesh.pointCount()))
        editing.selectedPoint = 0;
    const auto masks = static_cast<int32_t>(output.values.masks.size());
    if (editing.chosenMask >= masks)
        editing.chosenMask = masks - 1;
    editing.draggedPoint = editing.selectedMaskPoint = editing.draggedMaskPoint = -1;
}

} // namespace

void addOutput()
{
    const auto monitor = monitorForNewOutput();
    if (!monitor)
        return;
    ProjectionOutput output;
    output.values.outputMonitor = *monitor;
    output.values.outputMonitorId = namesOfMonitor(*monitor);
    if (!openProjection(output, app.outputs.size()))
        return;
    app.outputs.push_back(std::move(output));
    app.editedOutput = static_cast<int32_t>(app.outputs.size()) - 1;
    saveChange();
}

void removeOutput(int32_t output)
{
    if (output < 1 || static_cast<std::size_t>(output) >= app.outputs.size())
        return;
    closeProjection(app.outputs[static_cast<std::size_t>(output)]);
    app.outputs.erase(app.outputs.begin() + output);
    titleProjectionWindows();
    if (app.editedOutput >= output)
        app.editedOutput = app.editedOutput == output ? 0 : app.editedOutput - 1;
    saveChange();
}

void replaceCalibration(const Calibration& replaced)
{
    // Its indices are the ones its outputs had when it was made: each output goes to its projector now.
    Calibration calibration = replaced;
    const std::vector<bool> projectorMissing = followProjectorsIn(calibration, false);
    // Windows differ only in their place, given below: the list grows and shrinks at its end.
    while (app.outputs.size() > std::max<std::size_t>(calibration.size(), 1)) {
        closeProjection(app.outputs.back());
        app.outputs.pop_back();
    }
    while (app.outputs.size() < std::min<std::size_t>(calibration.size(), kMostOutputs)) {
        ProjectionOutput output;
        output.values = calibration[app.outputs.size()];
        output.projectorMissing = projectorMissing[app.outputs.size()];
        if (!openProjection(output, app.outputs.size()))
            break;
        app.outputs.push_back(std::move(output));
    }
    bool monitorsChanged = false;
    for (std::size_t index = 0; index < app.outputs.size() && index < calibration.size(); ++index) {
        ProjectionOutput& output = app.outputs[index];
        monitorsChanged = monitorsChanged || output.values.outputMonitor != calibration[index].outputMonitor;
        output.values = calibration[index];
        output.projectorMissing = projectorMissing[index];
        keepEditingWithin(output);
        showProjection(output);
    }
    titleProjectionWindows();
    if (app.editedOutput >= static_cast<int32_t>(app.outputs.size()))
        app.editedOutput = static_cast<int32_t>(app.outputs.size()) - 1;
    if (monitorsChanged)
        loadCalibrationGrid();
}

void chooseEditedOutput(int32_t output)
{
    if (output >= 0 && static_cast<std::size_t>(output) < app.outputs.size())
        app.editedOutput = output;
}

namespace {

// The surface whose points the panel and the handles edit from now on, none of them selected or dragged.
void editSurface(ProjectionOutput& output, int32_t surface)
{
    output.editing.editedSurface = surface;
    output.editing.selectedPoint = 0;
    output.editing.draggedPoint = -1;
}

// The mask whose outline is shown and edited from now on (-1: none), none of its points picked.
void showMask(ProjectionOutput& output, int32_t mask)
{
    output.editing.chosenMask = mask;
    output.editing.selectedMaskPoint = output.editing.draggedMaskPoint = -1;
}

} // namespace

void chooseEditedSurface(int32_t surface)
{
    ProjectionOutput& output = editedOutput();
    if (surface < 0 || static_cast<std::size_t>(surface) >= output.values.surfaces.size() ||
        surface == output.editing.editedSurface)
        return;
    editSurface(output, surface);
}

void addSurface()
{
    ProjectionOutput& output = editedOutput();
    if (static_cast<int32_t>(output.values.surfaces.size()) >= kMostSurfaces)
        return;
    output.values.surfaces.push_back(middleQuarterSurface());
    chooseEditedSurface(static_cast<int32_t>(output.values.surfaces.size()) - 1);
    saveChange();
}

void removeSurface()
{
    ProjectionOutput& output = editedOutput();
    std::vector<SurfaceValues>& surfaces = output.values.surfaces;
    const int32_t removed = output.editing.editedSurface;
    if (surfaces.size() < 2 || removed < 0 || static_cast<std::size_t>(removed) >= surfaces.size())
        return;
    surfaces.erase(surfaces.begin() + removed);
    editSurface(output, std::max(removed - 1, 0));
    saveChange();
}

void moveSurface(int32_t step)
{
    ProjectionOutput& output = editedOutput();
    std::vector<SurfaceValues>& surfaces = output.values.surfaces;
    const int32_t from = output.editing.editedSurface;
    const int32_t to = from + step;
    const auto count = static_cast<int32_t>(surfaces.size());
    if (from < 0 || to < 0 || from >= count || to >= count)
        return;
    std::swap(surfaces[static_cast<std::size_t>(from)], surfaces[static_cast<std::size_t>(to)]);
    // The operator keeps editing the surface that moved.
    output.editing.editedSurface = to;
    saveChange();
}

void addMask()
{
    ProjectionOutput& output = editedOutput();
    if (static_cast<int32_t>(output.values.masks.size()) >= kMostMasks)
        return;
    output.values.masks.push_back(middleNinthMask());
    showMask(output, static_cast<int32_t>(output.values.masks.size()) - 1);
    saveChange();
}

void removeMask()
{
    ProjectionOutput& output = editedOutput();
    std::vector<MaskValues>& masks = output.values.masks;
    const int32_t removed = output.editing.chosenMask;
    if (removed < 0 || static_cast<std::size_t>(removed) >= masks.size())
        return;
    masks.erase(masks.begin() + removed);
    showMask(output, masks.empty() ? -1 : std::max(removed - 1, 0));
    saveChange();
}

void chooseMask(int32_t mask)
{
    ProjectionOutput& output = editedOutput();
    if (mask < 0 || static_cast<std::size_t>(mask) >= output.values.masks.size())
        return;
    showMask(output, mask);
}

void chooseMaskFeather(float feather)
{
    MaskValues* mask = editedOutput().chosenMask();
    if (!mask || !(feather >= 0.0f && feather <= kMostFeather))
        return;
    mask->feather = feather;
    saveChange();
}

void chooseMaskInvert(bool invert)
{
    MaskValues* mask = editedOutput().chosenMask();
    if (!mask)
        return;
    mask->invert = invert;
    saveChange();
}

void chooseSource(const SourceRect& source)
{
    if (!isSourceRect(source))
        return;
    editedOutput().editedSurface().source = source;
    saveChange();
}

void chooseBlend(const EdgeBlend& blend)
{
    if (!isEdgeBlend(blend))
        return;
    editedOutput().editedSurface().blend = blend;
    saveChange();
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

void chooseCorner(int32_t corner, CornerPoint position)
{
    if (corner < 0 || corner >= static_cast<int32_t>(kDefaultCorners.size()) || !isAcceptedCornerValue(position.x) ||
        !isAcceptedCornerValue(position.y))
        return;
    editedOutput().editedSurface().corners[static_cast<std::size_t>(corner)] = position;
    saveChange();
}

void chooseOutputCorner(int32_t output, int32_t corner, CornerPoint position)
{
    if (output < 0 || output >= static_cast<int32_t>(app.outputs.size()) || corner < 0 ||
        corner >= static_cast<int32_t>(kDefaultCorners.size()) || !isAcceptedCornerValue(position.x) ||
        !isAcceptedCornerValue(position.y))
        return;
    app.outputs[static_cast<std::size_t>(output)].values.surfaces.front().corners[static_cast<std::size_t>(corner)] =
        position;
    saveChange();
}

void chooseColor(const ColorMatch& color)
{
    if (!isColorMatch(color))
        return;
    editedOutput().values.color = color;
    saveChange();
}

void selectCorner(int32_t corner)
{
    ProjectionOutput& output = editedOutput();
    output.editing.selectedPoint = pointOfCorner(output.editedSurface().mesh, corner);
}

void resetCorners()
{
    SurfaceValues& values = editedOutput().editedSurface();
    values.corners = kDefaultCorners;
    values.mesh = zeroedMesh(values.mesh);
    saveChange();
}

void chooseMeshSize(int32_t columns, int32_t rows)
{
    ProjectionOutput& output = editedOutput();
    Mesh& mesh = output.editedSurface().mesh;
    const int32_t corner = cornerOfPoint(mesh, output.editing.selectedPoint);
    mesh = resizedMesh(mesh, columns, rows);
    output.editing.selectedPoint = corner != -1 ? pointOfCorner(mesh, corner) : 0;
    saveChange();
}

void zeroMesh()
{
    Mesh& mesh = editedOutput().editedSurface().mesh;
    mesh = zeroedMesh(mesh);
    saveChange();
}

void moveSelectedPoint(CornerPoint position)
{
    ProjectionOutput& output = editedOutput();
    SurfaceValues& surface = output.editedSurface();
    if (movePointTo(surface.corners, surface.mesh, output.editing.selectedPoint, position))
        saveChange();
}

void finishEditingOnProjection()
{
    saveChange();
}

void loadCalibrationGrid()
{
    if (app.renderer)
        app.renderer->loadCalibrationGrid(app.gridTexture);
}
