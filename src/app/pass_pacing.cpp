// A waitable timer (high resolution where the system has one): it really blocks, unlike a present
// that nothing waits for, and it is finer than Sleep's default 15.6 ms tick on Windows.
#include "app/pass_pacing.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
constexpr double kDefaultRefreshHz = 60.0;
} // namespace

PassPacer::PassPacer()
{
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!timer_)
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    QueryPerformanceFrequency(&frequency_);
}

PassPacer::~PassPacer()
{
    if (timer_)
        CloseHandle(timer_);
}

void PassPacer::startPass()
{
    QueryPerformanceCounter(&passStart_);
}

void PassPacer::waitOutRefreshPeriod(double refreshHz)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const double elapsed =
        static_cast<double>(now.QuadPart - passStart_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    const double remaining = 1.0 / refreshHz - elapsed;
    if (remaining <= 0.0)
        return;
    if (!timer_) {
        Sleep(static_cast<DWORD>(remaining * 1000.0));
        return;
    }
    // Relative due times are negative, in 100-nanosecond units.
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(remaining * 1e7);
    if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer_, INFINITE);
}

double refreshRateOfMonitorAt(const RECT& area)
{
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&area, MONITOR_DEFAULTTONULL);
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return kDefaultRefreshHz;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    // 0 and 1 stand for the hardware's default rate.
    if (!EnumDisplaySettingsW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1)
        return kDefaultRefreshHz;
    return static_cast<double>(mode.dmDisplayFrequency);
}
