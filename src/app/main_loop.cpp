// One pass of the main loop, as the list of its steps.
#include "app/main_loop.h"

#include "app/app_state.h"

namespace {

constexpr int32_t kTopmostInterval = 10;
constexpr double kFallbackRefreshHz = 60.0;

void dispatchPendingMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Other programs may claim the top-most band; every 11th pass takes it back without moving,
// sizing, activating or showing the window.
void keepProjectionOnTop()
{
    if (++app.topmostCounter > kTopmostInterval) {
        SetWindowPos(app.projectionWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        app.topmostCounter = 0;
    }
}

double secondsSince(LARGE_INTEGER start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Nothing waits for a vertical blank in a pass that presents nothing, so the pass waits out the rest
// of one refresh period itself instead of spinning a core.
void waitOutRefreshPeriod(LARGE_INTEGER passStart)
{
    const double remaining = 1.0 / kFallbackRefreshHz - secondsSince(passStart);
    if (remaining > 0.0)
        Sleep(static_cast<DWORD>(remaining * 1000.0 + 0.5));
}

} // namespace

void runMainLoop()
{
    while (app.running) {
        LARGE_INTEGER passStart;
        QueryPerformanceCounter(&passStart);
        dispatchPendingMessages();
        keepProjectionOnTop();
        waitOutRefreshPeriod(passStart);
    }
}

void shutDown()
{
    Shell_NotifyIconW(NIM_DELETE, &app.trayIcon);
}
