// The main job end to end: a known picture on one monitor, warped onto the other by the real program.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <functional>
#include <thread>

#include "app_folder.h"
#include "program_test.h"
#include "ostrel_process.h"
#include "reference_warp.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using e2e::eventually;

namespace {

const ScreenRect kFirstMonitor{0, 0, 1024, 768};
const ScreenRect kSecondMonitor{1024, 0, 1824, 600};

const std::array<cv::Point2f, 4> kKeystone{{{-0.6f, 0.8f}, {0.6f, 0.8f}, {-0.9f, -0.8f}, {0.9f, -0.8f}}};
const std::array<cv::Point2f, 4> kUnitQuad{{{-1, 1}, {1, 1}, {-1, -1}, {1, -1}}};

bool isBlack(const cv::Vec3b& p)
{
    return p[0] < 16 && p[1] < 16 && p[2] < 16;
}

class MainJob : public e2e::ProgramTest<> {
protected:
    std::unique_ptr<OstrelProcess> start(const std::string& config)
    {
        folder_.writeFile("config.json", config);
        auto program = std::make_unique<OstrelProcess>(*wine_, folder_);
        EXPECT_TRUE(program->waitUntilStarted()) << program->output();
        return program;
    }

    bool showsReference(const ScreenRect& monitor, const cv::Mat& reference, Difference& difference)
    {
        return ::showsReference(*display_, monitor, reference, difference);
    }

    AppFolder folder_;
};

} // namespace

TEST_F(MainJob, KeystonedPictureMatchesTheReferenceAndFollowsChanges)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.25);
    auto program = start(R"({"corners":)" + cornersJson(kKeystone) + R"(,"captureMonitor":0,"outputMonitor":1})");
    picture.draw(0.25);

    const cv::Size projector(kSecondMonitor.width(), kSecondMonitor.height());
    Difference difference;
    EXPECT_TRUE(showsReference(kSecondMonitor, referenceWarp(testPictureImage(1024, 768, 0.25), kKeystone, projector),
                               difference))
        << "mean difference per channel (B, G, R): " << difference.mean << " over " << difference.comparedPixels;

    // Each corner of the picture within 2 pixels of where it belongs: picture just inside, black just outside.
    const cv::Mat shown = toMat(display_->capture(kSecondMonitor));
    const cv::Point2f centre = (cornerPixel(kKeystone[0], projector) + cornerPixel(kKeystone[3], projector)) * 0.5f;
    for (const cv::Point2f& corner : kKeystone) {
        const cv::Point2f at = cornerPixel(corner, projector);
        const cv::Point2f inward = (centre - at) / cv::norm(centre - at);
        const cv::Point inside = at + inward * 3.0f, outside = at - inward * 3.0f;
        if (outside.x >= 0 && outside.y >= 0 && outside.x < projector.width && outside.y < projector.height) {
            EXPECT_TRUE(isBlack(shown.at<cv::Vec3b>(outside))) << "outside corner at " << at;
        }
        EXPECT_FALSE(isBlack(shown.at<cv::Vec3b>(inside))) << "inside corner at " << at;
    }

    // The picture changes (its bar moves): the projection follows, the bar white where it has gone and
    // no longer where it was.
    picture.draw(0.75);
    const auto barShownAt = [&](const cv::Mat& shown, double phase, float y) {
        const cv::Point2f at = warpedPoint({1024, 768}, kKeystone, projector,
                                           {static_cast<float>(TestPicture::barCentre(1024, phase)), y});
        const cv::Vec3b p = shown.at<cv::Vec3b>(cv::Point(at));
        return std::min({p[0], p[1], p[2]}) > 200;
    };
    EXPECT_TRUE(eventually([&] {
        const cv::Mat now = toMat(display_->capture(kSecondMonitor));
        for (float y : {100.0f, 300.0f, 500.0f, 700.0f})
            if (!barShownAt(now, 0.75, y) || barShownAt(now, 0.25, y))
                return false;
        return true;
    })) << "the bar did not move on the projector";
    EXPECT_TRUE(showsReference(kSecondMonitor, referenceWarp(testPictureImage(1024, 768, 0.75), kKeystone, projector),
                               difference))
        << "after the change: " << difference.mean;

    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0) << program->output();
}

TEST_F(MainJob, CaptureIndexWithoutMonitorProjectsThePrimary)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.5);
    auto program = start(R"({"captureMonitor":5,"outputMonitor":1})");
    picture.draw(0.5);
    Difference difference;
    EXPECT_TRUE(showsReference(kSecondMonitor,
                               referenceWarp(testPictureImage(1024, 768, 0.5), kUnitQuad,
                                             cv::Size(kSecondMonitor.width(), kSecondMonitor.height())),
                               difference))
        << difference.mean << " over " << difference.comparedPixels;
    const std::string log = folder_.readFile("debug.log").value_or("");
    EXPECT_NE(log.find("[INFO] CaptureEngine: Monitor 5 selecionado (0x0)\r\n"), std::string::npos) << log;
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0);
}

TEST_F(MainJob, SecondMonitorProjectedOntoTheFirst)
{
    TestPicture picture(display_->x(), kSecondMonitor);
    picture.draw(0.1);
    auto program = start(R"({"captureMonitor":1,"outputMonitor":0})");
    picture.draw(0.1);
    Difference difference;
    EXPECT_TRUE(showsReference(kFirstMonitor,
                               referenceWarp(testPictureImage(800, 600, 0.1), kUnitQuad,
                                             cv::Size(kFirstMonitor.width(), kFirstMonitor.height())),
                               difference))
        << difference.mean << " over " << difference.comparedPixels;
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0);
}
