// What the end-to-end tests share: one virtual display and one Wine prefix per test suite, and polling
// for what the program shows a moment later.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

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
    static void SetUpTestSuite() { startSession(Layout()); }
    static void TearDownTestSuite() { endSession(); }

    // A failure here would only skip the suite's tests (googletest skips them, and CTest counts a skip as
    // no failure): it is kept, and every test fails with it instead. One more try first, since a display
    // or a Wine server starting while another suite starts its own can lose the race under load.
    static void startSession(const harness::MonitorLayout& layout)
    {
        for (int attempt = 0; attempt < 2 && !wine_; ++attempt) {
            try {
                display_ = new harness::VirtualDisplay(layout);
                wine_ = new harness::WineSession(*display_);
                sessionError_.clear();
            } catch (const std::exception& error) {
                sessionError_ = error.what();
                endSession();
            }
        }
    }
    static void endSession()
    {
        delete wine_;
        wine_ = nullptr;
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override
    {
        if (!wine_)
            FAIL() << "no virtual display and Wine session for this suite: " << sessionError_;
    }

    static inline harness::VirtualDisplay* display_ = nullptr;
    static inline harness::WineSession* wine_ = nullptr;
    static inline std::string sessionError_;
};

} // namespace e2e
