// ControlWndProc and ProjectionWndProc: hiding instead of closing, display changes, the panel's triggers.
#include "app/window_procs.h"

#include "app/app_state.h"
#include "app/camera_session.h"
#include "app/keep_awake.h"
#include "app/main_loop.h"
#include "app/operator_actions.h"
#include "app/projection_windows.h"
#include "app/remote_control.h"
#include "app/show_control.h"
#include "app/tray_icon.h"
#include "render/renderer.h"

namespace {

// While a projector shows the picture, the screen saver and the monitors' power-off are refused. The low
// four bits of the command are the system's own.
bool refusedWhileShowing(UINT message, WPARAM wParam)
{
    if (message != WM_SYSCOMMAND || !displaysHeldAwake())
        return false;
    const WPARAM command = wParam & 0xFFF0;
    return command == SC_SCREENSAVE || command == SC_MONITORPOWER;
}

// The loops of the system's own that hold the thread: the tray menu (TrackPopupMenu) and the panel moved or
// sized by its frame.
bool startsModalLoop(UINT message)
{
    return message == WM_ENTERMENULOOP || message == WM_ENTERSIZEMOVE;
}

bool endsModalLoop(UINT message)
{
    return message == WM_EXITMENULOOP || message == WM_EXITSIZEMOVE;
}

} // namespace

// Declared by the backend's header only in a comment, so that including it does not drag in windows.h.
extern LRESULT ImGui_ImplWin32_WndProcHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The panel gets its input first; before its context exists the handler returns 0.
    if (ImGui_ImplWin32_WndProcHandler(window, message, wParam, lParam))
        return 1;

    // A registered message, so no case label. Zero when it could not be registered: never WM_NULL's
    // nudges taken for the shell's announcement.
    static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        // Sent to every top-level window when the shell is made anew, which forgets every icon.
        addTrayIconAgain();
        return 0;
    }

    if (refusedWhileShowing(message, wParam))
        return 0;
    if (startsModalLoop(message) || endsModalLoop(message))
        keepPassesGoingInModalLoop(startsModalLoop(message));

    switch (message) {
    case WM_SIZE:
        // The panel's back buffers follow its size; minimised, they keep theirs.
        if (app.renderer && wParam != SIZE_MINIMIZED)
            app.renderer->resizeControlTarget(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_DESTROY:
        removeTrayIcon();
        app.running = false;
        return 0;
    case WM_CLOSE:
        // Closing only hides the panel; the program lives on in the notification area.
        closePanel();
        return 0;
    case WM_DISPLAYCHANGE:
        followDisplayChange();
        break;
    case WM_DEVICECHANGE:
        followCameraDeviceChange(wParam);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_OPEN_PANEL)
            openPanel(PanelFocus::Keep); // the menu already brought this window to the front
        else if (LOWORD(wParam) == IDM_EXIT)
            app.running = false;
        else if (LOWORD(wParam) == IDM_BLACKOUT)
            chooseBlackout(!app.blackout);
        else if (LOWORD(wParam) == IDM_FREEZE)
            chooseFreeze(!app.frozen);
        break;
    case WM_HOTKEY:
        followShowHotKey(wParam);
        return 0;
    case WM_OSC:
        noteDatagramsWaiting();
        return 0;
    case WM_TIMER:
        if (wParam == kRemoteDropTimer) {
            followRemoteDropTimer();
            return 0;
        }
        if (runPassFromTimer(wParam))
            return 0;
        break;
    case WM_TRAYICON:
        // Only button releases count, so a double click opens the panel on its first release.
        if (LOWORD(lParam) == WM_LBUTTONUP)
            openPanel(PanelFocus::BringToFront);
        else if (LOWORD(lParam) == WM_RBUTTONUP)
            showTrayMenu(window);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ProjectionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (refusedWhileShowing(message, wParam))
        return 0;
    switch (message) {
    case WM_RBUTTONUP:
        // The panel opens on the output whose projection was clicked.
        chooseEditedOutput(outputOfWindow(window));
        openPanel(PanelFocus::BringToFront);
        break;
    case WM_CLOSE:
        // Refused: nothing could draw the projection again once its window were destroyed.
        return 0;
    case WM_PAINT:
        // Uncovered or shown again: the picture is drawn anew in the next pass, whatever changed.
        if (const int32_t output = outputOfWindow(window); output != -1)
            app.outputs[static_cast<std::size_t>(output)].shownScene.reset();
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
