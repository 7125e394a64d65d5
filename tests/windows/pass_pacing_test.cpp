// The idle wait of the main loop really blocks, under Wine as on Windows.
#include <gtest/gtest.h>

#include "app/pass_pacing.h"

namespace {

double seconds(FILETIME kernel, FILETIME user)
{
    const auto value = [](FILETIME t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

double threadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return seconds(kernel, user);
}

} // namespace

TEST(PassPacer, PassesWithoutAPresentTakeARefreshPeriodWithoutSpinning)
{
    PassPacer pacer;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    const double cpuBefore = threadCpuSeconds();
    QueryPerformanceCounter(&start);
    for (int pass = 0; pass < 30; ++pass) {
        pacer.startPass();
        pacer.waitOutRefreshPeriod(60.0);
    }
    QueryPerformanceCounter(&end);
    const double elapsed = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    EXPECT_GE(elapsed, 29.0 / 60.0);
    EXPECT_LT(threadCpuSeconds() - cpuBefore, 0.1) << "the wait must block, not spin";
}

TEST(PassPacer, RefreshRateOfAMonitorOrSixty)
{
    const double rate = refreshRateOfMonitorAt(RECT{1024, 0, 1824, 600});
    EXPECT_GE(rate, 24.0);
    EXPECT_LE(rate, 500.0);
    EXPECT_EQ(refreshRateOfMonitorAt(RECT{-50000, -50000, -49000, -49000}), 60.0);
}
