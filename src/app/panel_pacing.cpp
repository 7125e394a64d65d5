// The panel's view of AppState and the pacing of its frames.
#include "app/panel_pacing.h"

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "panel/panel_items.h"

PanelView currentPanelView()
{
    PanelView view;
    view.monitorItems = monitorItemList(app.monitors);
    view.captureMonitor = app.captureMonitor;
    view.editedOutput = app.editedOutput;
    view.startWithWindows = app.startWithWindows;
    view.showCursor = app.showCursor;
    view.showGrid = app.showGrid;
    view.saveFailed = app.saveFailed;
    view.canUndo = app.history.canUndo();
    view.canRedo = app.history.canRedo();
    view.presets = app.presets;
    view.blackout = app.blackout;
    view.frozen = app.frozen;
    view.remote = app.remote;
    view.camera = app.cameraSettings;
    view.cameraFrame = app.cameraFrame.number;
    view.aligning = cameraAlignmentRunning();
    view.alignmentMessage = app.alignmentMessage;
    for (const ProjectionOutput& output : app.outputs)
        view.outputs.push_back({output.values, output.editing.selectedPoint, output.pattern, output.projectorMissing,
                                output.onCapturedMonitor});
    return view;
}

void PanelPacing::drawn(bool textFieldActive, ULONGLONG now)
{
    if (framesDue_ > 0)
        --framesDue_;
    blinking_ = textFieldActive;
    blinkAt_ = now + kBlinkFrameMs;
}

DWORD PanelPacing::msUntilDue(ULONGLONG now) const
{
    if (framesDue_ > 0)
        return 0;
    if (!blinking_)
        return INFINITE;
    return blinkAt_ > now ? static_cast<DWORD>(blinkAt_ - now) : 0;
}
