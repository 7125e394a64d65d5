// Start-up steps: process set-up, settings, monitors, the control window and the projection windows.
#include "app/startup.h"

#include <string>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/device_objects.h"
#include "app/keep_awake.h"
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
#include "platform/wide_text.h"
#include "render/renderer.h"

namespace {

constexpr int kIconResource = 101;

// Why start-up could not go on, as its log line said.
std::string startFailure;

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
        makeProjectionWindow(app.outputs[index], index);
}

void showControlWindow()
{
    ShowWindow(app.controlWindow, app.panelVisible ? SW_SHOW : SW_HIDE);
    if (!anyOutputShown())
        Log("LOG", "Iniciado sem projetor. Aguardando conexao do Monitor 2.");
}

} // namespace

void tellStartFailure()
{
    Log("WARN", ("Inicio interrompido: " + startFailure).c_str());
    const std::wstring text = L"O Ostrel Mapper nao pode iniciar.\n\n" + wideText(startFailure) +
                              L"\n\nA placa grafica precisa de Direct3D 11 no nivel 10_0 ou superior, com o "
                              L"driver atualizado. Detalhes em debug.log, ao lado do programa.";
    MessageBoxW(nullptr, text.c_str(), L"Ostrel Mapper", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

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
    if (!app.controlWindow) {
        startFailure = "Falha ao criar a janela de controle";
        Log("WARN", startFailure.c_str());
        return false;
    }
    createProjectionWindows(instance);
    // Placed before the swap chains are made, which take the window's size.
    showProjections();
    if (!makeRenderer()) {
        startFailure = deviceFailure();
        return false;
    }
    makeCaptureEngine();
    showControlWindow();
    loadImages();
    addTrayIcon(*app.renderer);
    registerShowHotKeys();
    startRemoteControl();
    // Held from the start when a projector shows the picture, not from the first pass.
    keepDisplaysAwakeWhileShown();
    return true;
}
