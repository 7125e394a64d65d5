// Polls the mouse and keyboard level by level (no messages, no transitions) once per pass, for each
// shown output on its own projection window.
#include "app/corner_editing_input.h"

#include "app/app_state.h"
#include "app/calibration_steps.h"
#include "app/operator_actions.h"
#include "app/projection_windows.h"
#include "warp/output_editing.h"

namespace {

bool downNow(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

// The keys, the button and the cursor, once a pass for every projection.
struct PolledInput {
    EditingInput keys; // every field but the window's own
    POINT cursor{};
    HWND foreground = nullptr;
    bool controlDown = false;
    bool zDown = false;
    bool yDown = false;
};

PolledInput pollInput()
{
    PolledInput polled;
    polled.controlDown = downNow(VK_CONTROL);
    polled.zDown = downNow('Z');
    polled.yDown = downNow('Y');
    EditingInput& input = polled.keys;
    input.panelVisible = true;
    GetCursorPos(&polled.cursor);
    polled.foreground = GetForegroundWindow();
    input.leftButtonDown = downNow(VK_LBUTTON);
    for (int digit = 0; digit < 4; ++digit)
        input.digitDown[digit] = downNow('1' + digit);
    input.tabDown = downNow(VK_TAB);
    // Shift as this thread's message queue has seen it.
    input.shiftDown = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    input.leftDown = downNow(VK_LEFT);
    input.rightDown = downNow(VK_RIGHT);
    input.upDown = downNow(VK_UP);
    input.downDown = downNow(VK_DOWN);
    input.deleteDown = downNow(VK_DELETE);
    input.timeMs = GetTickCount();
    input.doubleClickMs = GetDoubleClickTime();
    return polled;
}

// The polled input as one projection window sees it: the cursor in its client pixels, its size, whether
// it has the keys.
EditingInput inputFor(const PolledInput& polled, HWND window)
{
    EditingInput input = polled.keys;
    POINT cursor = polled.cursor;
    ScreenToClient(window, &cursor);
    RECT client{};
    GetClientRect(window, &client);
    input.cursorX = static_cast<float>(cursor.x);
    input.cursorY = static_cast<float>(cursor.y);
    input.clientWidth = static_cast<float>(client.right);
    input.clientHeight = static_cast<float>(client.bottom);
    input.projectionInForeground = polled.foreground == window;
    return input;
}

// True when a drag or a run of arrow-key steps on this output ended.
bool editOutput(ProjectionOutput& output, EditingInput input, bool mayGrab)
{
    // Where two projections meet, a handle of each may lie within reach of the cursor: a drag starts only
    // on the projection under it.
    if (!mayGrab && output.editing.draggedPoint == -1 && output.editing.draggedMaskPoint == -1)
        input.leftButtonDown = false;
    return applyOutputEditing(input, output.values, output.editing);
}

// Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo, once per press, while a projection has the keys.
void followUndoKeys(const PolledInput& polled)
{
    static bool letterHeld = false;
    const bool pressed = (polled.zDown || polled.yDown) && !letterHeld;
    letterHeld = polled.zDown || polled.yDown;
    if (!pressed || !polled.controlDown || outputOfWindow(polled.foreground) == -1)
        return;
    if (polled.yDown || polled.keys.shiftDown)
        redoStep();
    else
        undoStep();
}

} // namespace

void updateCornerEditing()
{
    if (!app.panelVisible || !anyOutputShown())
        return;
    const PolledInput polled = pollInput();
    // Off every projection, any may grab a handle just beside its picture, as a single projection can.
    const int32_t underCursor = outputOfWindow(WindowFromPoint(polled.cursor));
    followUndoKeys(polled);
    bool save = false;
    for (std::size_t index = 0; index < app.outputs.size(); ++index) {
        ProjectionOutput& output = app.outputs[index];
        if (!output.shown)
            continue;
        const bool mayGrab = underCursor == -1 || underCursor == static_cast<int32_t>(index);
        const bool nudging = output.editing.arrowKeysHeld;
        const bool ended = editOutput(output, inputFor(polled, output.window), mayGrab);
        // Runs of nudges on one point, one after another, are one step.
        if (ended && nudging)
            app.stepKey = StepKey{StepKey::Kind::Nudge, static_cast<int32_t>(index), output.editing.editedSurface,
                                  output.editing.selectedPoint};
        save = ended || save;
        // The panel follows the projection the operator works on.
        if (output.editing.draggedPoint != -1 || output.editing.draggedMaskPoint != -1 ||
            polled.foreground == output.window)
            app.editedOutput = static_cast<int32_t>(index);
    }
    if (save)
        finishEditingOnProjection();
    app.stepKey.reset();
}
