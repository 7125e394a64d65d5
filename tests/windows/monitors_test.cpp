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
        if (app.projectionWindow)
            DestroyWindow(app.projectionWindow);
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
    EXPECT_TRUE(app.hasProjector);
    for (int32_t output : {-1, 2, 5}) {
        app.outputMonitor = output;
        refreshMonitors();
        EXPECT_FALSE(app.hasProjector) << output;
    }
    app.outputMonitor = 0;
    refreshMonitors();
    EXPECT_TRUE(app.hasProjector);
}

TEST_F(MonitorList, PlacementCoversTheOutputMonitorTopMostAndShown)
{
    app.projectionWindow = createPopup();
    ASSERT_TRUE(app.projectionWindow);
    refreshMonitors();
    showProjectionOnOutput();
    RECT area{};
    GetWindowRect(app.projectionWindow, &area);
    EXPECT_EQ(area.left, 1024);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 1824);
    EXPECT_EQ(area.bottom, 600);
    EXPECT_TRUE(IsWindowVisible(app.projectionWindow));
    EXPECT_TRUE(GetWindowLongW(app.projectionWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(MonitorList, NoPlacementForAnIndexOutsideTheList)
{
    app.projectionWindow = createPopup();
    ShowWindow(app.projectionWindow, SW_SHOW);
    app.outputMonitor = 2;
    refreshMonitors();
    showProjectionOnOutput();
    RECT area{};
    GetWindowRect(app.projectionWindow, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, 200);
    EXPECT_FALSE(IsWindowVisible(app.projectionWindow)) << "hidden while its monitor is missing";
}
