// The monitor list and placement against the virtual display's two monitors, as Wine reports them, and
// how the program wires them into AppState.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "display/monitors.h"

namespace {

class MonitorList : public testing::Test {
protected:
    void TearDown() override
    {
        for (const ProjectionOutput& output : app.outputs)
            if (output.window)
                DestroyWindow(output.window);
        app = AppState{};
    }

    // A window like the projection window, to be placed.
    static HWND createPopup()
    {
        return CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"STATIC", L"placement test", WS_POPUP, 0, 0,
                               200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
};

} // namespace

TEST_F(MonitorList, ListsBothMonitorsInOrderWithTheirNamesAndAreas)
{
    const std::vector<MonitorInfo> monitors = enumerateMonitors();
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[0].index, 0);
    EXPECT_EQ(monitors[0].name, L"Monitor 1 (Principal)");
    EXPECT_EQ(monitors[0].rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(monitors[1].index, 1);
    EXPECT_EQ(monitors[1].name, L"Monitor 2");
    EXPECT_EQ(monitors[1].rect, (Rect{1024, 0, 1824, 600}));
}

TEST_F(MonitorList, RefreshingReplacesTheListAndDecidesTheProjector)
{
    refreshMonitors();
    refreshMonitors();
    EXPECT_EQ(app.monitors.size(), 2u) << "rebuilding never accumulates";
    EXPECT_TRUE(anyOutputShown());
    for (int32_t output : {-1, 2, 5}) {
        app.outputs[0].values.outputMonitor = output;
        refreshMonitors();
        EXPECT_FALSE(anyOutputShown()) << output;
    }
    app.outputs[0].values.outputMonitor = 0;
    refreshMonitors();
    EXPECT_TRUE(anyOutputShown());
}

TEST_F(MonitorList, PlacementCoversTheOutputMonitorTopMostAndShown)
{
    HWND& window = app.outputs[0].window;
    window = createPopup();
    ASSERT_TRUE(window);
    refreshMonitors();
    showProjections();
    RECT area{};
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, 1024);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 1824);
    EXPECT_EQ(area.bottom, 600);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// Each output follows its own monitor: the one whose monitor is missing is hidden and left where it was,
// the other placed and shown.
TEST_F(MonitorList, NoPlacementForAnIndexOutsideTheListAndOnlyThatOutputHidden)
{
    app.outputs.resize(2);
    app.outputs[0].values.outputMonitor = 2;
    app.outputs[1].values.outputMonitor = 1;
    for (ProjectionOutput& output : app.outputs) {
        output.window = createPopup();
        ShowWindow(output.window, SW_SHOW);
    }
    refreshMonitors();
    showProjections();
    RECT area{};
    GetWindowRect(app.outputs[0].window, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, 200);
    EXPECT_FALSE(IsWindowVisible(app.outputs[0].window)) << "hidden while its monitor is missing";
    EXPECT_FALSE(app.outputs[0].shown);
    GetWindowRect(app.outputs[1].window, &area);
    EXPECT_EQ(area.left, 1024);
    EXPECT_TRUE(IsWindowVisible(app.outputs[1].window));
    EXPECT_TRUE(anyOutputShown());
}
