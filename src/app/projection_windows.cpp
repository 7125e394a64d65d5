// Making and naming the projection windows.
#include "app/projection_windows.h"

#include <string>

#include "app/app_state.h"
#include "platform/debug_log.h"
#include "app/window_procs.h"

namespace {

// Older SDK headers lack the flag that keeps a window out of screen captures.
#ifndef WDA_EXCLUDEFROMCAPTURE
constexpr DWORD WDA_EXCLUDEFROMCAPTURE = 0x11;
#endif

std::wstring projectionTitle(std::size_t index)
{
    return index == 0 ? L"Ostrel Projection" : L"Ostrel Projection " + std::to_wstring(index + 1);
}

} // namespace

void registerProjectionClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = ProjectionWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"OstrelProj";
    RegisterClassExW(&windowClass);
}

void makeProjectionWindow(ProjectionOutput& output, std::size_t index)
{
    output.window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"OstrelProj",
                                    projectionTitle(index).c_str(), WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    // Refused before Windows 10 version 2004, and by Wine.
    output.excludedFromCapture = output.window && SetWindowDisplayAffinity(output.window, WDA_EXCLUDEFROMCAPTURE);
    output.warnedOnCapturedMonitor = false;
}

void warnOfProjectionsOnCapturedMonitor()
{
    for (std::size_t index = 0; index < app.outputs.size(); ++index) {
        ProjectionOutput& output = app.outputs[index];
        const bool onCaptured = output.shown && output.values.outputMonitor == app.captureMonitor;
        output.onCapturedMonitor = onCaptured && !output.excludedFromCapture;
        if (!output.onCapturedMonitor) {
            output.warnedOnCapturedMonitor = false;
            continue;
        }
        if (output.warnedOnCapturedMonitor)
            continue;
        output.warnedOnCapturedMonitor = true;
        const std::string message = "Saida " + std::to_string(index + 1) +
                                    " esta no monitor capturado e o Windows nao a exclui da captura: a projecao "
                                    "aparece dentro da propria imagem";
        Log("WARN", message.c_str());
    }
}

void titleProjectionWindows()
{
    for (std::size_t index = 0; index < app.outputs.size(); ++index)
        if (app.outputs[index].window)
            SetWindowTextW(app.outputs[index].window, projectionTitle(index).c_str());
}

int32_t outputOfWindow(HWND window)
{
    for (std::size_t index = 0; index < app.outputs.size(); ++index)
        if (app.outputs[index].window == window)
            return static_cast<int32_t>(index);
    return -1;
}
