// The operator's hands on the real program: the tray icon and its menu, a right click on the projection,
// dragging and nudging corners, all through real input sent to the X server.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <functional>
#include <regex>

#include "app_folder.h"
#include "program_test.h"
#include "file_events.h"
#include "ostrel_process.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using e2e::eventually;

namespace {

constexpr uint32_t WM_CLOSE = 0x0010, WM_DISPLAYCHANGE = 0x007E;
const ScreenRect kFirstMonitor{0, 0, 1024, 768};
const ScreenRect kProjector{1024, 0, 1824, 600};

// The corner values saved in config.json, in the file's order TL, TR, BL, BR.
std::vector<std::pair<double, double>> savedCorners(const std::string& config)
{
    static const std::regex point(R"re("x": (-?[0-9.eE+-]+),\s*"y": (-?[0-9.eE+-]+))re");
    std::vector<std::pair<double, double>> corners;
    for (auto it = std::sregex_iterator(config.begin(), config.end(), point); it != std::sregex_iterator(); ++it)
        corners.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return corners;
}

// How many steps of `step` (added one float at a time, as the program does) lead from `from` to `to`.
int wholeSteps(float from, float to, float step)
{
    float x = from;
    for (int n = 0; n <= 20000; ++n) {
        if (x == to)
            return n;
        x += step;
    }
    return -1;
}

// The mesh offsets saved in config.json, row by row.
std::vector<std::pair<double, double>> savedOffsets(const std::string& config)
{
    static const std::regex offset(R"re("u": (-?[0-9.eE+-]+),\s*"v": (-?[0-9.eE+-]+))re");
    std::vector<std::pair<double, double>> offsets;
    for (auto it = std::sregex_iterator(config.begin(), config.end(), offset); it != std::sregex_iterator(); ++it)
        offsets.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return offsets;
}

bool orange(const Rgb& p)
{
    return p.r > 200 && p.g > 140 && p.g < 210 && p.b < 80;
}

class Operator : public e2e::ProgramTest<> {
protected:
    void start(const std::string& config = "")
    {
        if (!config.empty())
            folder_.writeFile("config.json", config);
        program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
        ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
    }

    void finish()
    {
        ASSERT_TRUE(program_->running());
        program_->requestExit();
        EXPECT_EQ(program_->waitForExit(), 0) << program_->output();
    }

    // The first icon in Wine's notification area, which appears a moment after the icon is added.
    ScreenRect trayIcon() const
    {
        std::optional<XWindowState> tray;
        EXPECT_TRUE(eventually([&] {
            tray = display_->findWindow("Wine System Tray");
            return tray && tray->viewable;
        })) << "no notification area";
        if (!tray)
            return {};
        const int side = tray->area.height();
        return {tray->area.left, tray->area.top, tray->area.left + side, tray->area.top + side};
    }

    bool panelShown() const
    {
        const auto control = wine_->window("OstrelControl");
        return control && control->visible;
    }

    // The grid's orange frame runs along the projection's left edge.
    bool gridShown() const
    {
        const Image edge = display_->capture({kProjector.left, 300, kProjector.left + 6, 301});
        for (int x = 0; x < edge.width; ++x)
            if (orange(edge.at(x, 0)))
                return true;
        return false;
    }

    // The test build, which counts its passes: input and checks that nothing happens wait for passes.
    AppFolder folder_{Program::LayoutProbe};
    std::unique_ptr<OstrelProcess> program_;
};

} // namespace

TEST_F(Operator, TrayIconOpensThePanelWithTheGridAndClosingHidesBoth)
{
    start();
    EXPECT_FALSE(panelShown());
    EXPECT_FALSE(gridShown());
    const ScreenRect icon = trayIcon();
    ASSERT_TRUE(program_->click((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2, 1));
    EXPECT_TRUE(eventually([&] { return panelShown(); })) << "left click on the tray icon";
    EXPECT_TRUE(eventually([&] { return gridShown(); })) << "the grid shows while the panel is open";
    const auto control = wine_->window("OstrelControl");
    ASSERT_TRUE(control);
    EXPECT_TRUE(control->foreground);

    // The close command hides the panel and the grid; the program and its icon stay.
    ASSERT_TRUE(wine_->post("OstrelControl", WM_CLOSE, 0, 0));
    EXPECT_TRUE(eventually([&] { return !panelShown() && !gridShown(); }));
    EXPECT_TRUE(program_->running());
    EXPECT_TRUE(display_->findWindow("Wine System Tray")->viewable);
    finish();
}

TEST_F(Operator, TrayMenuSwitchesTheBlackoutAndSairEndsTheProgramAndTakesTheIconAway)
{
    start();
    const ScreenRect icon = trayIcon();
    // The menu's n-th item chosen with the keys. The menu runs a loop of its own, in which the program
    // makes no passes: input waits for time here.
    const auto chooseItem = [&](int item) {
        display_->click((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2, 3);
        ASSERT_TRUE(eventually([&] { return wine_->window("#32768").has_value(); })) << "the tray menu did not open";
        for (int down = 0; down < item; ++down)
            display_->tapKey("Down");
        display_->tapKey("Return");
    };
    const auto logged = [&](const char* line) {
        return eventually([&] { return folder_.readFile("debug.log").value_or("").find(line) != std::string::npos; });
    };
    // "Abrir Painel", "Tela preta", "Congelar", "Sair".
    chooseItem(2);
    EXPECT_TRUE(logged("Tela preta ligada"));
    chooseItem(2);
    EXPECT_TRUE(logged("Tela preta desligada"));
    chooseItem(4);
    EXPECT_EQ(program_->waitForExit(20s), 0) << program_->output();
    EXPECT_TRUE(eventually([&] {
        const auto tray = display_->findWindow("Wine System Tray");
        return !tray || !tray->viewable;
    })) << "the icon stayed in the notification area";
}

// Explorer restarting loses every icon of the notification area and then tells every top-level window
// "TaskbarCreated": the icon must come back and open the panel, or the program could only be reached by
// starting it again.
TEST_F(Operator, TrayIconComesBackWhenTheShellAnnouncesANewTaskbar)
{
    start();
    const auto trayShown = [&] {
        const auto tray = display_->findWindow("Wine System Tray");
        return tray && tray->viewable;
    };
    const auto trayWarnings = [&] {
        return folder_.readFile("debug.log").value_or("").find("Falha ao adicionar o icone") != std::string::npos;
    };
    ASSERT_TRUE(eventually(trayShown)) << "no notification area";

    // A shell that kept the icon refuses to add it twice: still there, nothing to warn about.
    ASSERT_TRUE(wine_->announceTaskbar());
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_TRUE(trayShown());
    EXPECT_FALSE(trayWarnings()) << folder_.readFile("debug.log").value_or("");

    ASSERT_TRUE(wine_->dropTrayIcon());
    ASSERT_TRUE(eventually([&] { return !trayShown(); })) << "the icon was not taken away";
    ASSERT_TRUE(wine_->announceTaskbar());
    ASSERT_TRUE(eventually(trayShown)) << "the icon did not come back";
    EXPECT_FALSE(trayWarnings()) << folder_.readFile("debug.log").value_or("");

    const ScreenRect icon = trayIcon();
    ASSERT_TRUE(program_->click((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2, 1));
    EXPECT_TRUE(eventually([&] { return panelShown(); })) << "left click on the icon that came back";
    finish();
}

TEST_F(Operator, DraggingTheTopLeftHandleMovesThePictureAndSavesOnceOnRelease)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.5);
    start();
    picture.draw(0.5);
    // A right click on the projection opens the panel.
    ASSERT_TRUE(program_->click(kProjector.left + 400, 300, 3));
    ASSERT_TRUE(eventually([&] { return panelShown(); }));
    FileEvents files(folder_.path());

    // Pressed over the handle, then moved in steps that each last a pass or more.
    display_->moveCursor(kProjector.left + 6, 5);
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->pressButton(1);
    ASSERT_TRUE(program_->waitForPasses(2));
    for (int step = 1; step <= 10; ++step) {
        display_->moveCursor(kProjector.left + 6 + step * 19, 5 + step * 14 + (step == 10 ? 5 : 0));
        ASSERT_TRUE(program_->waitForPasses(1));
    }
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), 0) << "nothing is saved during the drag";
    display_->releaseButton(1);
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 1; })) << "no save on release";
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), 1) << "one save per drag";

    // The cursor ended at (196, 150) of the projection: TL = (196 / 800 * 2 - 1, 1 - 150 / 600 * 2).
    const auto corners = savedCorners(folder_.readFile("config.json").value_or(""));
    ASSERT_EQ(corners.size(), 4u);
    EXPECT_FLOAT_EQ(static_cast<float>(corners[0].first), 196.0f / 800.0f * 2.0f - 1.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(corners[0].second), 1.0f - 150.0f / 600.0f * 2.0f);
    EXPECT_EQ(corners[3], (std::pair<double, double>{1.0, -1.0}));
    // A four-corner file keeps exactly its five keys: four corners of two coordinates and four values.
    const std::string config = folder_.readFile("config.json").value_or("");
    EXPECT_EQ(std::count(config.begin(), config.end(), ':'), 13) << config;
    EXPECT_EQ(config.find("mesh"), std::string::npos) << config;

    // The picture's top-left corner followed: black above-left of the new corner, picture below-right.
    EXPECT_TRUE(eventually([&] {
        const Rgb outside = display_->pixel(kProjector.left + 150, 110);
        const Rgb inside = display_->pixel(kProjector.left + 215, 170);
        return outside == Rgb{0, 0, 0} && !(inside == Rgb{0, 0, 0});
    }));
    finish();
}

TEST_F(Operator, KeysOneToFourAndTheArrowsNudgeTheChosenCornerByWholeSteps)
{
    start();
    ASSERT_TRUE(program_->click(kProjector.left + 400, 300, 3));
    ASSERT_TRUE(eventually([&] { return panelShown(); }));
    // The panel took the foreground: the projection must be clicked before the keys act.
    ASSERT_TRUE(program_->click(kProjector.left + 400, 300, 1));
    ASSERT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj");
        return projection && projection->foreground;
    }));
    FileEvents files(folder_.path());

    ASSERT_TRUE(program_->tapKey("3"));
    display_->pressKey("Right");
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), 0) << "no save while the key is held";
    display_->releaseKey("Right");
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 1; }));
    auto corners = savedCorners(folder_.readFile("config.json").value_or(""));
    ASSERT_EQ(corners.size(), 4u);
    const float bottomLeftX = static_cast<float>(corners[2].first);
    const int fine = wholeSteps(-1.0f, bottomLeftX, 0.001f);
    EXPECT_GT(fine, 0) << "BL x " << bottomLeftX << " is not a whole number of fine steps right of -1";
    EXPECT_EQ(corners[2].second, -1.0) << "y unchanged";
    EXPECT_EQ(corners[0], (std::pair<double, double>{-1.0, 1.0})) << "other corners untouched";

    // With Shift the steps are five times larger. Shift is down before the arrow and up only after
    // a pass has found the arrow up, so that every step is a large one.
    display_->pressKey("Shift_L");
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->pressKey("Right");
    ASSERT_TRUE(program_->waitForPasses(10));
    display_->releaseKey("Right");
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->releaseKey("Shift_L");
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 2; }));
    corners = savedCorners(folder_.readFile("config.json").value_or(""));
    const int fast = wholeSteps(bottomLeftX, static_cast<float>(corners[2].first), 0.005f);
    EXPECT_GT(fast, 0) << "BL x " << corners[2].first << " is not a whole number of fast steps on";
    EXPECT_EQ(corners[2].second, -1.0);
    finish();
}

TEST_F(Operator, ProjectionRefusesToCloseAndADisplayChangePlacesItAgain)
{
    start();
    ASSERT_TRUE(wine_->post("OstrelProj", WM_CLOSE, 0, 0));
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    ASSERT_TRUE(wine_->window("OstrelProj").has_value()) << "the projection window was destroyed";
    EXPECT_TRUE(program_->running());

    ASSERT_TRUE(wine_->move("OstrelProj", {100, 100, 500, 400}));
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelProj")->rect == ScreenRect{100, 100, 500, 400}; }));
    ASSERT_TRUE(wine_->post("OstrelControl", WM_DISPLAYCHANGE, 32, (600 << 16) | 800));
    EXPECT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj");
        return projection && projection->visible && projection->rect == kProjector;
    }));
    const std::string log = folder_.readFile("debug.log").value_or("");
    EXPECT_NE(log.find("] [LOG] Display change detectado pelo Windows!\r\n"), std::string::npos) << log;
    finish();
}

TEST_F(Operator, StormOfDisplayChangesLogsEachAndLeavesTheWindowPlaced)
{
    start();
    ASSERT_TRUE(wine_->move("OstrelProj", {100, 100, 500, 400}));
    ASSERT_TRUE(wine_->post("OstrelControl", WM_DISPLAYCHANGE, 32, (600 << 16) | 800, 1000));
    const std::string line = "] [LOG] Display change detectado pelo Windows!\r\n";
    const auto lines = [&] {
        const std::string log = folder_.readFile("debug.log").value_or("");
        std::size_t found = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
            ++found;
        return found;
    };
    EXPECT_TRUE(eventually([&] { return lines() >= 1000; }, 60s)) << lines() << " lines";
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(lines(), 1000u) << "one line per notification";
    EXPECT_EQ(wine_->window("OstrelProj")->rect, kProjector);
    EXPECT_TRUE(program_->running());
    finish();
}

TEST_F(Operator, AnInteriorPointDraggedThenNudgedAfterTabBendsThePictureAndIsSavedEachTime)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.1);
    start(R"({"mesh":{"columns":3,"rows":3,"offsets":[{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},)"
          R"({"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0}]}})");
    picture.draw(0.1);
    ASSERT_TRUE(program_->click(kProjector.left + 200, 450, 3));
    ASSERT_TRUE(eventually([&] { return panelShown(); }));
    FileEvents files(folder_.path());
    // Where the picture's four blocks meet, a little below and right of it: green above, yellow below.
    const auto yellowAt = [&](int x, int y) {
        const Rgb p = display_->pixel(kProjector.left + x, y);
        return p.r > 150 && p.g > 150 && p.b < 110;
    };
    ASSERT_TRUE(eventually([&] { return !yellowAt(465, 270); }));

    // The centre point, at the projection's centre, dragged 60 pixels right and 40 up.
    display_->moveCursor(kProjector.left + 400, 300);
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->pressButton(1);
    ASSERT_TRUE(program_->waitForPasses(2));
    for (int step = 1; step <= 10; ++step) {
        display_->moveCursor(kProjector.left + 400 + step * 6, 300 - step * 4);
        ASSERT_TRUE(program_->waitForPasses(1));
    }
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->releaseButton(1);
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 1; })) << "no save on release";
    auto offsets = savedOffsets(folder_.readFile("config.json").value_or(""));
    ASSERT_EQ(offsets.size(), 9u);
    EXPECT_NEAR(offsets[4].first, 460.0 / 800.0 - 0.5, 1e-6);
    EXPECT_NEAR(offsets[4].second, 260.0 / 600.0 - 0.5, 1e-6);
    EXPECT_TRUE(eventually([&] { return yellowAt(465, 270); })) << "the blocks' meeting point did not follow";

    // Tab steps from the centre point to the middle of the right edge; Shift and Left pull it inwards.
    ASSERT_TRUE(program_->click(kProjector.left + 200, 450, 1));
    ASSERT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj");
        return projection && projection->foreground;
    }));
    ASSERT_TRUE(eventually([&] { return !(display_->pixel(kProjector.left + 790, 325) == Rgb{0, 0, 0}); }));
    // Keys are polled once a pass: each is held across passes.
    display_->pressKey("Tab");
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->releaseKey("Tab");
    display_->pressKey("Shift_L");
    ASSERT_TRUE(program_->waitForPasses(2));
    // Held until the picture's right edge has come in past x = 790, then let go.
    display_->pressKey("Left");
    const bool cameIn = eventually([&] { return display_->pixel(kProjector.left + 790, 325) == Rgb{0, 0, 0}; });
    display_->releaseKey("Left");
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->releaseKey("Shift_L");
    EXPECT_TRUE(cameIn) << "the picture's right edge did not come in";
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 2; }));
    offsets = savedOffsets(folder_.readFile("config.json").value_or(""));
    ASSERT_EQ(offsets.size(), 9u);
    EXPECT_LT(offsets[5].first, 0.0) << "the right edge's middle point moved left";
    EXPECT_NEAR(offsets[5].second, 0.0, 1e-6);
    EXPECT_NEAR(offsets[4].first, 460.0 / 800.0 - 0.5, 1e-6) << "the centre point stayed";
    finish();
}
