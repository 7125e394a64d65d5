// Polls the mouse and keyboard level by level (no messages, no transitions) once per pass.
#include "app/corner_editing_input.h"

#include <utility>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "warp/corner_editing.h"

namespace {

bool downNow(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

EditingInput pollInput()
{
    EditingInput input;
    input.panelVisible = true;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(app.projectionWindow, &cursor);
    RECT client{};
    GetClientRect(app.projectionWindow, &client);
    input.cursorX = static_cast<float>(cursor.x);
    input.cursorY = static_cast<float>(cursor.y);
    input.clientWidth = static_cast<float>(client.right);
    input.clientHeight = static_cast<float>(client.bottom);
    input.leftButtonDown = downNow(VK_LBUTTON);
    input.projectionInForeground = GetForegroundWindow() == app.projectionWindow;
    for (int digit = 0; digit < 4; ++digit)
        input.digitDown[digit] = downNow('1' + digit);
    input.tabDown = downNow(VK_TAB);
    // Shift as this thread's message queue has seen it.
    input.shiftDown = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    input.leftDown = downNow(VK_LEFT);
    input.rightDown = downNow(VK_RIGHT);
    input.upDown = downNow(VK_UP);
    input.downDown = downNow(VK_DOWN);
    return input;
}

} // namespace

void updateCornerEditing()
{
    if (!app.panelVisible)
        return;
    EditingState state{app.corners, std::move(app.mesh), app.selectedPoint, app.draggedPoint, app.arrowKeysHeld, app.tabHeld};
    const bool save = applyCornerEditing(pollInput(), state);
    app.corners = state.corners;
    app.mesh = std::move(state.mesh);
    app.selectedPoint = state.selectedPoint;
    app.draggedPoint = state.draggedPoint;
    app.tabHeld = state.tabHeld;
    app.arrowKeysHeld = state.arrowKeysHeld;
    if (save)
        saveSettings();
}
