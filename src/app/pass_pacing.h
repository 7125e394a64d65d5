// Paces passes that present nothing with vertical sync, so an idle program does not spin a core.
#pragma once

#include <windows.h>

class PassPacer {
public:
    PassPacer();
    PassPacer(const PassPacer&) = delete;
    PassPacer& operator=(const PassPacer&) = delete;
    ~PassPacer();

    // Marks the start of a pass.
    void startPass();
    // Blocks until one refresh period at `refreshHz` has passed since the start of the pass.
    void waitOutRefreshPeriod(double refreshHz);

private:
    HANDLE timer_ = nullptr;
    LARGE_INTEGER passStart_{};
    LARGE_INTEGER frequency_{};
};

// The refresh rate of the monitor that covers `area`, or 60 when the system does not tell.
double refreshRateOfMonitorAt(const RECT& area);
