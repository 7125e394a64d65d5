// Start-up steps: process set-up, settings, monitors, the control window and the projection windows.
#include "app/startup.h"

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/device_objects.h"
#include "app/operator_actions.h"
#include "app/projection_windows.h"
#include "app/projector_follow.h"
#include "app/remote_control.h"
#include "app/show_control.h"
#include "app/tray_icon.h"
#include "app/window_procs.h"
#include "capture/capture_engine.h"
#include "platform/debug_log.h"
#include "platform/executable_path.h"
#include "platform/module_path.h"
#include "render/renderer.h"

namespace {

constexpr int kIconResource = 101;

// Relative names ("config.json", "debug.log", "assets/...") resolve beside the executable,
// whatever folder the program was started from.
void enterExecutableFolder()
{
    if (const auto folder = folderOfPath(executablePath()))
        SetCurrentDirectoryW(folder->c_str());
}

void createControlWindow(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = ControlWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"OstrelControl";
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    RegisterClassExW(&windowClass);

    app.controlWindow = CreateWindowExW(WS_EX_APPWINDOW, L"OstrelControl", L"Ostrel Mapper 1.0",
                                        WS_OVERLAPPEDWINDOW, 100, 40, 440, 700, nullptr, nullptr, instance,
                                        nullptr);
}

void createProjectionWindows(HINSTANCE instance)
{
    registerProjectionClass(instance);
    for (std::size_t index = 0; index < app.outputs.size(); ++index)
        app.outputs[index].window = makeProjectionWindow(index);
}

void showControlWindow()
{
    ShowWindow(app.controlWindow, app.panelVisible ? SW_SHOW : SW_HIDE);
    if (!anyOutputShown())
        Log("LOG", "Iniciado sem projetor. Aguardando conexao do Monitor 2.");
}

} // namespace

bool startUp(HINSTANCE instance)
{
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    enterExecutableFolder();
    loadSettings();
    if (app.startWithWindows)
        registerStartWithWindows();
    refreshMonitors();
    followProjectors();
    createControlWindow(instance);
    createProjectionWindows(instance);
    // Placed before the swap chains are made, which take the window's size.
    showProjections();
    if (!makeRenderer())
        return false;
    makeCaptureEngine();
    showControlWindow();
    loadImages();
    addTrayIcon(*app.renderer);
    registerShowHotKeys();
    startRemoteControl();
    return true;
}
