// Running a show on the real program: the blackout and the freeze switched by the hotkeys, the
// colour matching and every test pattern on the projector's real pixels against the model.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <string>

#include "panel_fixture.h"
#include "reference_warp.h"
#include "render/test_patterns.h"
#include "test_picture.h"
#include "warp/color_match.h"

using namespace e2e;

namespace {

constexpr uint32_t WM_HOTKEY = 0x0312;
constexpr int64_t kCtrlAltB = (0x42 << 16) | 0x3;
const cv::Size kProjector(800, 600);


// The picture with every channel matched as the output's colour matching says.
cv::Mat matched(const cv::Mat& bgr, const ColorMatch& color)
{
    cv::Mat out = bgr.clone();
    const float gains[3] = {color.blue, color.green, color.red};
    out.forEach<cv::Vec3b>([&](cv::Vec3b& pixel, const int*) {
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = cv::saturate_cast<uint8_t>(
                matchedValue(color, gains[channel], static_cast<float>(pixel[channel]) / 255.0f) * 255.0f);
    });
    return out;
}

// A pattern's 0xAARRGGBB pixels as a BGR image.
cv::Mat patternImage(const std::vector<uint32_t>& pixels)
{
    cv::Mat image(kPatternHeight, kPatternWidth, CV_8UC3);
    for (int y = 0; y < kPatternHeight; ++y)
        for (int x = 0; x < kPatternWidth; ++x) {
            const uint32_t word = pixels[static_cast<std::size_t>(y * kPatternWidth + x)];
            image.at<cv::Vec3b>(y, x) = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                                         static_cast<uint8_t>(word >> 16)};
        }
    return image;
}

class Show : public Panel {
protected:
    // Black counts as the picture too where the whole window shows it (a pattern's field).
    bool projectorShows(const cv::Mat& reference, cv::Mat* shown = nullptr, bool wholeWindow = false)
    {
        Difference difference;
        const bool matches = showsReference(*display_, kSecondMonitor, reference, difference, shown, wholeWindow);
        if (!matches)
            ADD_FAILURE() << "mean difference " << difference.mean << " over " << difference.comparedPixels;
        return matches;
    }
    // Every pixel of the projector black.
    bool projectorBlack() const
    {
        return eventually([&] {
            const Image shown = display_->capture(kSecondMonitor);
            return std::all_of(shown.pixels.begin(), shown.pixels.end(),
                               [](const Rgb& p) { return std::max({p.r, p.g, p.b}) <= 2; });
        });
    }
    // Ctrl+Alt+KEY pressed for real through the X server.
    void pressHotkey(const char* key) const
    {
        display_->pressKey("Control_L");
        display_->pressKey("Alt_L");
        ASSERT_TRUE(program_->tapKey(key));
        display_->releaseKey("Alt_L");
        display_->releaseKey("Control_L");
    }
    bool logged(const std::string& line) const
    {
        return eventually([&] { return log().find(line) != std::string::npos; });
    }
};

} // namespace

TEST_F(Show, ColourMatchingAndEveryTestPatternReachTheProjectorThroughTheBlendAsTheModelSays)
{
    const ColorMatch color{0.05f, 1.2f, 1.5f, 0.8f, 1.0f, 1.15f};
    const OutputLook look{0.0f, 0.0f, 1.0f, 1.0f, 0.3f, 0.0f, 0.0f, 0.0f, 2.0f, 1.8f, 0.0f};
    folder_.writeFile("config.json", R"({"captureMonitor": 2, )" + lookJson(look) +
                                         R"(, "color": {"b": 0.05, "c": 1.2, "g": 1.5, "r": 0.8, "bl": 1.15}})");
    // The panel opens over the first monitor: the picture is captured from the third.
    TestPicture picture(display_->x(), kThirdMonitor);
    picture.draw(0.5);
    startWithPanelOpen();
    switchToTab("Mapeamento", "EXIBIR GRADIL");
    clickWidget("EXIBIR GRADIL");
    // The captured picture matched, then blended.
    const cv::Mat captured = testPictureImage(800, 600, 0.5);
    EXPECT_TRUE(projectorShows(referenceOutputPicture(matched(captured, color), look, kProjector)));
    switchToTab("Apresentacao", "Padrao");
    const auto pick = [&](TestPattern pattern) { pickEntry("Padrao", static_cast<int>(pattern), kPatternCount); };
    // The solid fields, the ramp and the crosshatch stand in for the picture, matched and blended alike.
    const cv::Mat white(64, 64, CV_8UC3, cv::Scalar(255, 255, 255));
    const struct {
        TestPattern pattern;
        cv::Mat image;
    } fields[] = {{TestPattern::White, white},
                  {TestPattern::Red, cv::Mat(64, 64, CV_8UC3, cv::Scalar(0, 0, 255))},
                  {TestPattern::Green, cv::Mat(64, 64, CV_8UC3, cv::Scalar(0, 255, 0))},
                  {TestPattern::Blue, cv::Mat(64, 64, CV_8UC3, cv::Scalar(255, 0, 0))},
                  {TestPattern::Ramp, patternImage(rampPixels(kPatternWidth, kPatternHeight))},
                  {TestPattern::Crosshatch, patternImage(crosshatchPixels(kPatternWidth, kPatternHeight))}};
    for (const auto& field : fields) {
        pick(field.pattern);
        EXPECT_TRUE(projectorShows(referenceOutputPicture(matched(field.image, color), look, kProjector), nullptr, true))
            << patternName(field.pattern);
    }
    // Black stays black: the contrast takes more than the brightness gives.
    pick(TestPattern::Black);
    EXPECT_TRUE(projectorShows(
        referenceOutputPicture(matched(cv::Mat(64, 64, CV_8UC3, cv::Scalar(0, 0, 0)), color), look, kProjector),
        nullptr, true));

    // The identification over the whole window: its framed edges (but where the corners' handles lie over
    // them) and a large white number in the middle.
    pick(TestPattern::Identification);
    std::string counts;
    EXPECT_TRUE(eventually([&] {
        const Image shown = display_->capture(kSecondMonitor);
        const Rgb frame{255, 200, 0};
        const int edges[5] = {shown.count({0, 0, 800, 4}, frame), shown.count({0, 596, 800, 600}, frame),
                              shown.count({0, 0, 4, 600}, frame), shown.count({796, 0, 800, 600}, frame),
                              shown.count({300, 100, 500, 350}, Rgb{255, 255, 255})};
        counts = std::to_string(edges[0]) + " " + std::to_string(edges[1]) + " " + std::to_string(edges[2]) + " " +
                 std::to_string(edges[3]) + " " + std::to_string(edges[4]);
        return edges[0] > 2800 && edges[1] > 2800 && edges[2] > 2000 && edges[3] > 2000 && edges[4] > 2000;
    })) << counts;

    // The grid pattern: this output's picture with the grid over it, as EXIBIR GRADIL shows it.
    pick(TestPattern::Grid);
    cv::Mat gridded;
    ASSERT_TRUE(eventually([&] {
        gridded = toMat(display_->capture(kSecondMonitor));
        return meanDifferenceAwayFromEdges(gridded, referenceOutputPicture(matched(captured, color), look, kProjector), 2)
                   .mean[0] > 1.0;
    })) << "no grid over the picture";
    pick(TestPattern::None);
    EXPECT_TRUE(projectorShows(referenceOutputPicture(matched(captured, color), look, kProjector)));
    switchToTab("Mapeamento", "EXIBIR GRADIL");
    clickWidget("EXIBIR GRADIL");
    EXPECT_TRUE(projectorShows(gridded));
}

TEST_F(Show, TheHotkeysBlackOutAndFreezeThePictureAndBringItBackLive)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.3);
    program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
    ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
    const cv::Mat before = referenceOutputPicture(testPictureImage(1024, 768, 0.3), OutputLook{}, kProjector);
    const cv::Mat after = referenceOutputPicture(testPictureImage(1024, 768, 0.7), OutputLook{}, kProjector);
    ASSERT_TRUE(projectorShows(before));
    // The keys pressed as the operator would, with Control and Alt held. Wine takes them from the X server
    // only while one of its windows has the keyboard: the projection, clicked.
    ASSERT_TRUE(program_->click(kSecondMonitor.left + 400, 300));

    // Ctrl+Alt+B: black, then the picture again.
    pressHotkey("b");
    EXPECT_TRUE(logged("Tela preta ligada"));
    EXPECT_TRUE(projectorBlack());
    pressHotkey("b");
    EXPECT_TRUE(projectorShows(before));

    // Ctrl+Alt+F: the desktop changes underneath, the projector keeps the picture it had.
    pressHotkey("f");
    EXPECT_TRUE(logged("Imagem congelada"));
    picture.draw(0.7);
    ASSERT_TRUE(program_->waitForPasses(kQuietPasses));
    const Difference held = meanDifferenceAwayFromEdges(toMat(display_->capture(kSecondMonitor)), before, 2);
    EXPECT_LT(std::max({held.mean[0], held.mean[1], held.mean[2]}), 8.0) << held.mean;
    // A blackout while frozen, by the message the hotkey posts, and out of it still frozen.
    ASSERT_TRUE(wine_->post("OstrelControl", WM_HOTKEY, 1, kCtrlAltB));
    EXPECT_TRUE(projectorBlack());
    ASSERT_TRUE(wine_->post("OstrelControl", WM_HOTKEY, 1, kCtrlAltB));
    EXPECT_TRUE(projectorShows(before));
    // Live again: the new picture.
    pressHotkey("f");
    EXPECT_TRUE(logged("Imagem ao vivo"));
    EXPECT_TRUE(projectorShows(after));
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0) << program_->output();
}

// Another program holds Ctrl+Alt+B: one "WARN" line says so, and Ctrl+Alt+F still freezes.
TEST_F(Show, AHotkeyHeldByAnotherProgramIsOneWarningAndTheOtherStillWorks)
{
    ChildProcess holder({"wine", windowsBuildPath("tests/wintool.exe"), "hold-hotkey", "B", "60000"},
                        wine_->environment(), folder_.elsewhere(), folder_.elsewhere() + "/holder.txt");
    ASSERT_TRUE(eventually([&] {
        return readWholeFile(folder_.elsewhere() + "/holder.txt").value_or("").find("held=1") != std::string::npos;
    })) << readWholeFile(folder_.elsewhere() + "/holder.txt").value_or("");
    program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
    ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
    EXPECT_TRUE(logged("[WARN] Atalho Ctrl+Alt+B indisponivel"));
    EXPECT_EQ(count(log(), "[WARN] Atalho"), 1u) << log();
    ASSERT_TRUE(program_->click(kSecondMonitor.left + 400, 300));
    pressHotkey("f");
    EXPECT_TRUE(logged("Imagem congelada"));
    EXPECT_EQ(log().find("Tela preta"), std::string::npos);
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0) << program_->output();
}
