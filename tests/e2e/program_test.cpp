// Polling for the end-to-end tests.
#include "program_test.h"

#include <thread>

namespace e2e {

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

} // namespace e2e
