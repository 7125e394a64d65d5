// The monitor list and placement against the virtual display's two monitors, as Wine reports them.
#include <gtest/gtest.h>

#include "app/app_state.h"
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
    enumerateMonitors();
    ASSERT_EQ(app.monitors.size(), 2u);
    EXPECT_EQ(app.monitors[0].index, 0);
    EXPECT_EQ(app.monitors[0].name, L"Monitor 1 (Principal)");
    EXPECT_EQ(app.monitors[0].rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(app.monitors[1].index, 1);
    EXPECT_EQ(app.monitors[1].name, L"Monitor 2");
    EXPECT_EQ(app.monitors[1].rect, (Rect{1024, 0, 1824, 600}));
    EXPECT_TRUE(app.hasProjector);
}

TEST_F(MonitorList, RebuildingNeverAccumulates)
{
    enumerateMonitors();
    enumerateMonitors();
    EXPECT_EQ(app.monitors.size(), 2u);
    EXPECT_EQ(app.monitors[1].name, L"Monitor 2");
}

TEST_F(MonitorList, ProjectorOnlyForAnIndexInTheList)
{
    for (int32_t output : {-1, 2, 5}) {
        app.outputMonitor = output;
        enumerateMonitors();
        EXPECT_FALSE(app.hasProjector) << output;
    }
    app.outputMonitor = 0;
    enumerateMonitors();
    EXPECT_TRUE(app.hasProjector);
}

TEST_F(MonitorList, PlacementCoversTheOutputMonitorTopMostAndShown)
{
    app.projectionWindow = createPopup();
    ASSERT_TRUE(app.projectionWindow);
    enumerateMonitors();
    placeProjectionWindow();
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
    app.outputMonitor = 2;
    enumerateMonitors();
    placeProjectionWindow();
    RECT area{};
    GetWindowRect(app.projectionWindow, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, 200);
    EXPECT_FALSE(IsWindowVisible(app.projectionWindow));
}
