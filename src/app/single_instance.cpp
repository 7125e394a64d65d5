// A named mutex marks the running instance; a second start finds the first's control window and asks
// it to open the panel, as a left click on its tray icon would.
#include "app/single_instance.h"

#include <windows.h>

#include "app/window_procs.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\OstrelMapper.Instance";
constexpr int kWaitForWindowMs = 5000; // the first instance may still be starting

HWND runningControlWindow()
{
    for (int waited = 0; waited <= kWaitForWindowMs; waited += 50) {
        if (HWND window = FindWindowW(L"OstrelControl", nullptr))
            return window;
        Sleep(50);
    }
    return nullptr;
}

} // namespace

bool handedOverToRunningInstance()
{
    // Kept until the process ends, which releases it.
    CreateMutexW(nullptr, FALSE, kInstanceMutex);
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (HWND window = runningControlWindow()) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        // This process was just started by the operator, so it may hand the foreground on.
        AllowSetForegroundWindow(processId);
        PostMessageW(window, WM_TRAYICON, 1, WM_LBUTTONUP);
    }
    return true;
}
