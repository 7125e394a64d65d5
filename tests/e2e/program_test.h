// What the end-to-end tests share: one virtual display and one Wine prefix per test suite, and polling
// for what the program shows a moment later.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "virtual_display.h"
#include "wine_session.h"

namespace e2e {

using namespace std::chrono_literals;

// Polls until the condition holds (the program draws many frames a second) or the time is up.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

// Passes of the program's main loop that a check that nothing happens waits for. The program acts on
// what it is sent within a pass or two; a slow machine makes the passes slow, not fewer.
constexpr uint64_t kQuietPasses = 20;

template <harness::MonitorLayout (*Layout)() = &harness::MonitorLayout::twoMonitors>
class ProgramTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display_ = new harness::VirtualDisplay(Layout());
        wine_ = new harness::WineSession(*display_);
    }
    static void TearDownTestSuite()
    {
        delete wine_;
        wine_ = nullptr;
        delete display_;
        display_ = nullptr;
    }

    static inline harness::VirtualDisplay* display_ = nullptr;
    static inline harness::WineSession* wine_ = nullptr;
};

} // namespace e2e
