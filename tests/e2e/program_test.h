// What the end-to-end tests share: one virtual display and one Wine prefix per test suite, and polling
// for what the program shows a moment later.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "virtual_display.h"
#include "wine_session.h"

namespace e2e {

using namespace std::chrono_literals;

// Polls until the condition holds (the program draws many frames a second) or the time is up.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

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
