// The monitor list and placement against the virtual display's two monitors, as Wine reports them, and
// how the program wires them into AppState.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "app/projector_follow.h"
#include "display/monitors.h"
#include "temp_folder.h"

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

// Wine 8 answers QueryDisplayConfig with a target per monitor, matched by its source's GDI name, but its
// targets have no EDID and generic names numbered in list order ("Default_Monitor#0001"): the list keeps
// none, and every output is known by its index, as before names were kept.
TEST_F(MonitorList, WineGivesATargetPerMonitorButNoNameThatFollowsAMonitor)
{
    const std::vector<DisplayTarget> targets = displayTargets();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].gdiDeviceName, L"\\\\.\\DISPLAY1");
    EXPECT_EQ(targets[1].gdiDeviceName, L"\\\\.\\DISPLAY2");
    EXPECT_NE(targets[1].devicePath.find(L"Default_Monitor#0001"), std::wstring::npos);
    EXPECT_FALSE(targets[1].edidIdsValid || targets[1].friendlyNameFromEdid);
    for (const MonitorInfo& monitor : enumerateMonitors()) {
        EXPECT_TRUE(monitor.devicePath.empty() && monitor.friendlyName.empty()) << monitor.devicePath;
        EXPECT_TRUE(monitor.name == L"Monitor 1 (Principal)" || monitor.name == L"Monitor 2");
    }
}

// The wiring with the names a Windows machine gives (Wine gives none): an output finds its projector at
// another index, one whose projector is gone is hidden rather than put on the monitor now at its index,
// the capture finds its monitor; none of it is an undo step, and a step replayed follows the names too.
TEST_F(MonitorList, OutputsAndCaptureFollowTheirMonitorsByNameAndAGoneProjectorIsHidden)
{
    TempWorkingFolder folder;
    refreshMonitors();
    ASSERT_EQ(app.monitors.size(), 2u);
    const MonitorId operatorScreen{"op", "DELL P2419H"};
    const MonitorId epson{"pj", "EPSON PJ"};
    app.monitors[0].devicePath = operatorScreen.path;
    app.monitors[0].friendlyName = operatorScreen.name;
    app.monitors[1].devicePath = epson.path;
    app.monitors[1].friendlyName = epson.name;
    app.outputs.resize(2);
    app.outputs[0].values.outputMonitor = 0; // saved when the projector was the first monitor
    app.outputs[0].values.outputMonitorId = epson;
    app.outputs[1].values.outputMonitor = 1; // a projector switched off
    app.outputs[1].values.outputMonitorId = {"stage", "NEC PA"};
    app.captureMonitor = 1;
    app.captureMonitorId = operatorScreen;
    app.history.start(currentCalibration());
    const Calibration saved = currentCalibration();

    followProjectors();
    EXPECT_EQ(app.outputs[0].values.outputMonitor, 1);
    EXPECT_TRUE(app.outputs[0].shown);
    EXPECT_EQ(app.outputs[1].values.outputMonitor, 1) << "the saved index is kept for the file";
    EXPECT_TRUE(app.outputs[1].projectorMissing);
    EXPECT_FALSE(app.outputs[1].shown) << "never on the monitor its index names now";
    EXPECT_EQ(app.captureMonitor, 0);
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_EQ(app.history.current(), currentCalibration());
    const std::string log = fileBytes(L"debug.log");
    EXPECT_NE(log.find("[LOG] Saida 1: projetor EPSON PJ encontrado no Monitor 2\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[LOG] Saida 2: projetor NEC PA nao conectado; saida oculta\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[LOG] Captura: monitor DELL P2419H encontrado no Monitor 1\r\n"), std::string::npos) << log;

    // The file's step replayed: its indices are those of before, its outputs go to their projectors now.
    replaceCalibration(saved);
    EXPECT_EQ(app.outputs[0].values.outputMonitor, 1);
    EXPECT_FALSE(app.outputs[1].shown);

    // An output of a file without names, on a monitor that has them, gains them for the next save.
    app.outputs[0].values.outputMonitorId = {};
    followProjectors();
    EXPECT_EQ(app.outputs[0].values.outputMonitorId, epson);
    EXPECT_EQ(app.outputs[0].values.outputMonitor, 1);
}
