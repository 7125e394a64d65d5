// Start-up steps: process set-up, settings, monitors, the two windows.
#include "app/startup.h"

#include "app/app_state.h"
#include "app/executable_path.h"
#include "app/module_path.h"
#include "app/window_procs.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "render/renderer.h"
#include "app/tray_icon.h"
#include "settings/start_with_windows.h"
#include "settings/debug_log.h"
#include "settings/settings_file.h"

namespace {

constexpr int kIconResource = 101;

// Older SDK headers lack the flag that keeps a window out of screen captures.
#ifndef WDA_EXCLUDEFROMCAPTURE
constexpr DWORD WDA_EXCLUDEFROMCAPTURE = 0x11;
#endif

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
                                        WS_OVERLAPPEDWINDOW, 100, 100, 400, 450, nullptr, nullptr, instance,
                                        nullptr);
}

void createProjectionWindow(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = ProjectionWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"OstrelProj";
    RegisterClassExW(&windowClass);

    app.projectionWindow = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"OstrelProj",
                                           L"Ostrel Projection", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                           instance, nullptr);
}

void showOrHideWindows()
{
    ShowWindow(app.controlWindow, app.panelVisible ? SW_SHOW : SW_HIDE);
    if (app.hasProjector) {
        ShowWindow(app.projectionWindow, SW_SHOW);
    } else {
        ShowWindow(app.projectionWindow, SW_HIDE);
        Log("LOG", "Iniciado sem projetor. Aguardando conexao do Monitor 2.");
    }
}

// The grid: "gradil.png", else "gradil.jpg", else the procedural grid, each fallback logged. The last
// decision rests on the slot being empty, so a failed ".jpg" load also leads to the procedural grid.
void loadImages(Renderer& renderer)
{
    Log("LOG", "Tentando carregar gradil: assets/gradil.png");
    app.gridTexture.Reset();
    if (FAILED(renderer.loadImageTexture(L"assets/gradil.png", app.gridTexture))) {
        Log("LOG", "Tentando fallback: assets/gradil.jpg");
        app.gridTexture.Reset();
        renderer.loadImageTexture(L"assets/gradil.jpg", app.gridTexture);
    }
    app.logoTexture.Reset();
    renderer.loadImageTexture(L"assets/logo.png", app.logoTexture);
    if (!app.gridTexture) {
        Log("LOG", "Usando gradil procedural (fallback final)");
        app.gridTexture.Reset();
        renderer.createGridTexture(app.gridTexture);
    }
}

} // namespace

bool startUp(HINSTANCE instance)
{
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    enterExecutableFolder();
    loadSettings();
    // Registers the executable's current path, so a moved program is found at its new place.
    if (app.startWithWindows)
        setStartWithWindows(true);
    enumerateMonitors();
    createControlWindow(instance);
    createProjectionWindow(instance);
    SetWindowDisplayAffinity(app.projectionWindow, WDA_EXCLUDEFROMCAPTURE);
    placeProjectionWindow();
    app.renderer = std::make_unique<Renderer>();
    if (FAILED(app.renderer->initialize(app.controlWindow, app.projectionWindow,
                                        static_cast<UINT>(app.adapterIdx))))
        return false;
    app.capture = std::make_unique<CaptureEngine>();
    app.capture->init(app.renderer->device.Get(), app.captureMonitor);
    showOrHideWindows();
    loadImages(*app.renderer);
    addTrayIcon(*app.renderer);
    return true;
}
