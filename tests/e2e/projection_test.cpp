// What the real program draws on the projector (the second monitor), read from the X server.
#include <gtest/gtest.h>

#include <functional>

#include "app_folder.h"
#include "program_test.h"
#include "ostrel_process.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using e2e::eventually;

namespace {

constexpr uint32_t WM_CLOSE = 0x0010, WM_COMMAND = 0x0111;
constexpr uint64_t kOpenPanelCommand = 2001;

const ScreenRect kProjector{1024, 0, 1824, 600};
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlack{0, 0, 0};

// Corners well inside the window: TL, TR, BL, BR.
const char* kKeystoneConfig = R"({"corners":[{"x":-0.6,"y":0.8},{"x":0.6,"y":0.8},{"x":-0.9,"y":-0.8},{"x":0.9,"y":-0.8}],
                                  "outputMonitor":1})";
const int kCornerPixels[4][2] = {{160, 60}, {640, 60}, {40, 540}, {760, 540}};

ScreenRect around(int x, int y, int reach)
{
    return {x - reach, y - reach, x + reach + 1, y + reach + 1};
}

// Polls until the condition holds; the program draws many frames a second.
class Projection : public e2e::ProgramTest<> {
protected:
    Image projector() const { return display_->capture(kProjector); }

    // Handle pixels of a colour near each corner.
    std::array<int, 4> handlePixels(const Image& image, Rgb colour) const
    {
        std::array<int, 4> found{};
        for (int i = 0; i < 4; ++i)
            found[static_cast<std::size_t>(i)] = image.count(around(kCornerPixels[i][0], kCornerPixels[i][1], 20), colour);
        return found;
    }

    // The test build, which counts its passes: the check that nothing is drawn waits for passes.
    AppFolder folder_{Program::LayoutProbe};
};

} // namespace

TEST_F(Projection, HandlesShowOnlyWhileThePanelIsOpen)
{
    folder_.writeFile("config.json", kKeystoneConfig);
    OstrelProcess program(*wine_, folder_);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();

    // Hidden panel: the projector shows the cleared window and no handle anywhere.
    ASSERT_TRUE(program.waitForPasses(e2e::kQuietPasses));
    Image image = projector();
    EXPECT_EQ(image.count({0, 0, image.width, image.height}, kRed), 0);
    EXPECT_EQ(image.count({0, 0, image.width, image.height}, kGreen), 0);
    EXPECT_EQ(image.at(400, 300), kBlack);

    // Open: TL is the selected corner (green); the other three are red.
    ASSERT_TRUE(wine_->post("OstrelControl", WM_COMMAND, kOpenPanelCommand, 0));
    EXPECT_TRUE(eventually([&] {
        image = projector();
        const auto green = handlePixels(image, kGreen), red = handlePixels(image, kRed);
        return green[0] > 10 && red[1] > 10 && red[2] > 10 && red[3] > 10;
    })) << "handles did not appear at the corners";
    EXPECT_EQ(handlePixels(image, kRed)[0], 0);
    EXPECT_EQ(image.count({300, 200, 500, 400}, kRed), 0) << "nothing drawn away from the corners";

    // Closing the panel (its window's close command) takes the handles away again.
    ASSERT_TRUE(wine_->post("OstrelControl", WM_CLOSE, 0, 0));
    EXPECT_TRUE(eventually([&] {
        image = projector();
        return image.count({0, 0, image.width, image.height}, kGreen) == 0 &&
               image.count({0, 0, image.width, image.height}, kRed) == 0;
    })) << "handles stayed after the panel closed";
    EXPECT_TRUE(program.running());

    program.requestExit();
    EXPECT_EQ(program.waitForExit(), 0) << program.output();
}
