// The main job end to end: a known picture on one monitor, warped onto the other by the real program.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <thread>

#include "app_folder.h"
#include "program_test.h"
#include "ostrel_process.h"
#include "process_status.h"
#include "reference_warp.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"
#include "x_redraws.h"

using namespace harness;
using e2e::eventually;

namespace {

const ScreenRect kFirstMonitor{0, 0, 1024, 768};
const ScreenRect kSecondMonitor{1024, 0, 1824, 600};
const ScreenRect kThirdMonitor{1824, 0, 2624, 600};

const std::array<cv::Point2f, 4> kKeystone{{{-0.6f, 0.8f}, {0.6f, 0.8f}, {-0.9f, -0.8f}, {0.9f, -0.8f}}};
const std::array<cv::Point2f, 4> kUnitQuad{{{-1, 1}, {1, 1}, {-1, -1}, {1, -1}}};

bool isBlack(const cv::Vec3b& p)
{
    return p[0] < 16 && p[1] < 16 && p[2] < 16;
}

// Which of the test picture's four blocks a shown pixel belongs to: 0 red, 1 green, 2 blue, 3 yellow,
// -1 for anything else (the white lines, the bar, black).
int blockOf(const cv::Vec3b& p)
{
    const int b = p[0], g = p[1], r = p[2];
    if (r > 150 && g > 150 && b < 110)
        return 3;
    if (r > 120 && r > g + 60 && r > b + 60)
        return 0;
    if (g > 110 && g > r + 50 && g > b + 50)
        return 1;
    if (b > 140 && b > r + 60 && b > g + 60)
        return 2;
    return -1;
}

// Where, within 12 pixels of `expected` along x (or y), the shown picture passes from block `before`
// to block `after`: the middle of the last `before` pixel and the first `after` pixel after it.
std::optional<float> boundaryNear(const cv::Mat& shown, cv::Point2f expected, bool alongX, int before, int after)
{
    std::optional<int> last;
    for (int d = -12; d <= 12; ++d) {
        const cv::Point at = alongX ? cv::Point(cvRound(expected.x) + d, cvRound(expected.y))
                                    : cv::Point(cvRound(expected.x), cvRound(expected.y) + d);
        if (at.x < 0 || at.y < 0 || at.x >= shown.cols || at.y >= shown.rows)
            continue;
        const int block = blockOf(shown.at<cv::Vec3b>(at));
        if (block == before)
            last = alongX ? at.x : at.y;
        else if (block == after && last)
            return (static_cast<float>(*last) + static_cast<float>(alongX ? at.x : at.y)) / 2.0f;
    }
    return std::nullopt;
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

    bool showsReference(const ScreenRect& monitor, const cv::Mat& reference, Difference& difference,
                        cv::Mat* shown = nullptr)
    {
        return ::showsReference(*display_, monitor, reference, difference, shown);
    }

    AppFolder folder_;
};

// The capture monitor and two projectors side by side.
class SeveralProjectors : public MainJob {
protected:
    static void SetUpTestSuite() { startSession(MonitorLayout::threeMonitors()); }
};

} // namespace

// Two projectors, each showing 60 % of the picture; their ramps run over the same 20 % in the middle.
// Each projector's real pixels match the model, the ramps included. The desktop stays still from before
// the start: each projector shows its part without any change to redraw it, with Wine's Direct3D
// command thread on, as a new prefix has it (the first presents into a window just shown can be lost).
TEST_F(SeveralProjectors, EachShowsItsPartWithOverlappingRampsAsTheModelSays)
{
    wine_->wine({"reg", "delete", "HKCU\\Software\\Wine\\Direct3D", "/v", "csmt", "/f"});
    const OutputLook leftPart{0.0f, 0.0f, 0.6f, 1.0f, 0.0f, 1.0f / 3.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.05f};
    const OutputLook rightPart{0.4f, 0.0f, 1.0f, 1.0f, 1.0f / 3.0f, 0.0f, 0.0f, 0.0f, 2.0f, 2.2f, 0.05f};
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.5);
    auto program = start(R"({"captureMonitor":0,"outputMonitor":1,)" + lookJson(leftPart) +
                         R"(,"extraOutputs":[{"outputMonitor":2,"corners":)" + cornersJson(kUnitQuad) + "," +
                         lookJson(rightPart) + "}]}");
    ASSERT_TRUE(wine_->waitForWindow("OstrelProj|Ostrel Projection 2"));
    EXPECT_EQ(wine_->window("OstrelProj|Ostrel Projection 2")->rect, kThirdMonitor);
    EXPECT_EQ(wine_->window("OstrelProj|Ostrel Projection")->rect, kSecondMonitor);

    const cv::Mat captured = testPictureImage(1024, 768, 0.5);
    const cv::Size projector(800, 600);
    // The band each ramp covers, a third of its projector.
    const cv::Rect leftBand(533, 0, 267, 600), rightBand(0, 0, 267, 600);
    const struct {
        const ScreenRect& monitor;
        const OutputLook& look;
        cv::Rect band;
    } projectors[] = {{kSecondMonitor, leftPart, leftBand}, {kThirdMonitor, rightPart, rightBand}};
    for (const auto& shown : projectors) {
        const cv::Mat reference = referenceOutputPicture(captured, shown.look, projector);
        Difference difference;
        // The ramp is measured on the very picture that matched: with Wine's command thread on, a capture
        // between two presents can find the window black.
        cv::Mat now;
        EXPECT_TRUE(showsReference(shown.monitor, reference, difference, &now))
            << shown.monitor.left << ": " << difference.mean << " over " << difference.comparedPixels;
        // The ramp on its own: close to the model, and far from the same part left unblended.
        const Difference inBand = meanDifferenceAwayFromEdges(now(shown.band), reference(shown.band), 3);
        OutputLook unblended = shown.look;
        unblended.blendLeft = unblended.blendRight = unblended.blackLevel = 0.0f;
        const cv::Mat flat = referenceOutputPicture(captured, unblended, projector);
        const Difference againstFlat = meanDifferenceAwayFromEdges(now(shown.band), flat(shown.band), 3);
        EXPECT_GT(inBand.comparedPixels, 40000);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_LT(inBand.mean[channel], 8.0) << shown.monitor.left << " in the ramp: " << inBand.mean;
            EXPECT_GT(againstFlat.mean[channel], 20.0) << shown.monitor.left << " the ramp is missing: " << againstFlat.mean;
        }
    }
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0) << program->output();
}

namespace {

// A box seen from above and to the left: its top, front and right faces, each a surface showing its own
// quarter of the picture.
struct Face {
    std::array<cv::Point2f, 4> corners;
    OutputLook look;
};
const Face kBoxFaces[] = {
    {{{{-0.6f, 0.9f}, {0.4f, 0.9f}, {-0.8f, 0.4f}, {0.2f, 0.4f}}}, {0.5f, 0.0f, 1.0f, 0.5f}},
    {{{{-0.8f, 0.4f}, {0.2f, 0.4f}, {-0.8f, -0.8f}, {0.2f, -0.8f}}}, {0.0f, 0.5f, 0.5f, 1.0f}},
    {{{{0.2f, 0.4f}, {0.4f, 0.9f}, {0.2f, -0.8f}, {0.4f, -0.3f}}}, {0.5f, 0.5f, 1.0f, 1.0f}},
};
// A square on the front face, feathered over 40 pixels.
const std::vector<cv::Point2f> kMaskSquare{{-0.6f, 0.1f}, {0.0f, 0.1f}, {0.0f, -0.5f}, {-0.6f, -0.5f}};
constexpr float kMaskFeather = 40.0f;

// The mask model written out on its own: inside the polygon (even-odd), the distance to its nearest edge
// over the feather, at most 1; 0 outside. Points and pixel in window pixels.
double maskDarkness(const std::vector<cv::Point2f>& polygon, float feather, cv::Point2f p)
{
    bool inside = false;
    double nearest = 1e9;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const cv::Point2f a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
        const cv::Point2f ab = b - a;
        const double t = std::clamp(static_cast<double>((p - a).dot(ab) / ab.dot(ab)), 0.0, 1.0);
        nearest = std::min(nearest, cv::norm(p - (a + ab * static_cast<float>(t))));
    }
    return inside ? std::min(nearest / feather, 1.0) : 0.0;
}

// The faces drawn in order, each over the ones before it, then darkened by the mask.
cv::Mat referenceBox(const cv::Mat& captured, cv::Size window, bool masked)
{
    cv::Mat box(window, CV_8UC3, cv::Scalar(0, 0, 0));
    for (const Face& face : kBoxFaces) {
        const cv::Rect part(cvRound(face.look.left * captured.cols), cvRound(face.look.top * captured.rows),
                            cvRound((face.look.right - face.look.left) * captured.cols),
                            cvRound((face.look.bottom - face.look.top) * captured.rows));
        const cv::Mat shown = referenceWarp(captured(part), face.corners, window);
        const cv::Mat covered = referenceWarp(cv::Mat(part.size(), CV_8UC3, cv::Scalar(255, 255, 255)), face.corners, window);
        cv::Mat where;
        cv::extractChannel(covered, where, 0);
        shown.copyTo(box, where > 127);
    }
    if (!masked)
        return box;
    std::vector<cv::Point2f> polygon;
    for (const cv::Point2f& point : kMaskSquare)
        polygon.push_back(cornerPixel(point, window));
    for (int y = 0; y < box.rows; ++y)
        for (int x = 0; x < box.cols; ++x) {
            const double keep = 1.0 - maskDarkness(polygon, kMaskFeather, {x + 0.5f, y + 0.5f});
            cv::Vec3b& p = box.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c)
                p[c] = cv::saturate_cast<uchar>(p[c] * keep);
        }
    return box;
}

} // namespace

// One projector maps the three faces of a box, each from its own part of the picture, and a feathered
// mask darkens part of the front face: the real pixels match the model, the mask's ramp included.
TEST_F(MainJob, ABoxOfThreeSurfacesWithAFeatheredMaskMatchesTheModel)
{
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.5);
    std::string surfaces;
    for (std::size_t at = 1; at < std::size(kBoxFaces); ++at)
        surfaces += std::string(at > 1 ? "," : "") + R"({"corners":)" + cornersJson(kBoxFaces[at].corners) + "," +
                    lookJson(kBoxFaces[at].look) + "}";
    std::string points;
    for (const cv::Point2f& point : kMaskSquare)
        points += std::string(points.empty() ? "" : ",") + "{\"x\":" + std::to_string(point.x) + ",\"y\":" +
                  std::to_string(point.y) + "}";
    auto program = start(R"({"captureMonitor":0,"outputMonitor":1,"corners":)" + cornersJson(kBoxFaces[0].corners) +
                         "," + lookJson(kBoxFaces[0].look) + R"(,"surfaces":[)" + surfaces + R"(],"masks":[{"points":[)" +
                         points + R"(],"feather":40}]})");

    const cv::Mat captured = testPictureImage(1024, 768, 0.5);
    const cv::Size projector(800, 600);
    const cv::Mat reference = referenceBox(captured, projector, true);
    Difference difference;
    cv::Mat shown;
    EXPECT_TRUE(showsReference(kSecondMonitor, reference, difference, &shown))
        << difference.mean << " over " << difference.comparedPixels;
    ASSERT_FALSE(shown.empty());
    // The ramps inside the square's left and top edges, away from its corners: within a few grey levels
    // of the model, and far from the picture left unmasked.
    const cv::Mat unmasked = referenceBox(captured, projector, false);
    for (const cv::Rect band : {cv::Rect(161, 312, 38, 96), cv::Rect(202, 271, 156, 38)}) {
        const Difference inBand = meanDifferenceAwayFromEdges(shown(band), reference(band), 2);
        const Difference againstUnmasked = meanDifferenceAwayFromEdges(shown(band), unmasked(band), 2);
        EXPECT_GT(inBand.comparedPixels, 1500) << band;
        EXPECT_LT(std::max({inBand.mean[0], inBand.mean[1], inBand.mean[2]}), 5.0) << band << inBand.mean;
        EXPECT_GT(againstUnmasked.mean[0] + againstUnmasked.mean[1] + againstUnmasked.mean[2], 20.0)
            << band << " shows no ramp: " << againstUnmasked.mean;
    }
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0) << program->output();
}

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

// A resolution change or a rearranged desktop moves and resizes the captured monitor: the capture follows
// it to its new rectangle, and the projector shows that rectangle's picture.
TEST_F(MainJob, ADisplayChangeThatMovesAndResizesTheCapturedMonitorIsFollowedByTheCapture)
{
    TestPicture picture(display_->x(), kSecondMonitor);
    picture.draw(0.3);
    auto program = start(R"({"captureMonitor":1,"outputMonitor":0})");
    picture.draw(0.3);
    const cv::Size projector(kFirstMonitor.width(), kFirstMonitor.height());
    Difference difference;
    ASSERT_TRUE(showsReference(kFirstMonitor, referenceWarp(testPictureImage(800, 600, 0.3), kUnitQuad, projector),
                               difference))
        << difference.mean;

    const ScreenRect moved{1124, 50, 1724, 500};
    display_->placeMonitor(1, moved);
    // The suite's display is put back whatever happens below.
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        display_->plugMonitorBackIn(1);
        wine_->followDisplays();
    });
    ASSERT_TRUE(wine_->followDisplays());
    picture.draw(0.3);
    const cv::Mat part = testPictureImage(800, 600, 0.3)(cv::Rect(100, 50, 600, 450)).clone();
    EXPECT_TRUE(showsReference(kFirstMonitor, referenceWarp(part, kUnitQuad, projector), difference))
        << "the projector does not show the moved monitor's picture: " << difference.mean;
    const std::string log = folder_.readFile("debug.log").value_or("");
    EXPECT_NE(log.find("[INFO] CaptureEngine: Monitor 1 selecionado (600x450)"), std::string::npos) << log;
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0);
}

// Bent meshes over a keystone against the model computed on its own: the whole picture close to the
// reference, and the blocks' boundaries (markers at known picture points) within 2 pixels of the model.
TEST_F(MainJob, BentMeshesMatchTheModelComputedOnItsOwn)
{
    const MeshSpec threeByThree{3, 3, {{0, 0}, {0.0f, -0.06f}, {0, 0}, {0.05f, 0.04f}, {-0.03f, 0.07f}, {-0.05f, 0.04f},
                                       {0, 0}, {0.02f, 0.06f}, {0, 0}}};
    MeshSpec fiveByFour{5, 4, std::vector<cv::Point2f>(20)};
    for (int point = 0; point < 20; ++point)
        if (point != 0 && point != 4 && point != 15 && point != 19)
            fiveByFour.offsets[static_cast<std::size_t>(point)] = {0.03f * std::sin(1.7f * point), 0.035f * std::cos(2.3f * point)};
    const cv::Size projector(kSecondMonitor.width(), kSecondMonitor.height());
    TestPicture picture(display_->x(), kFirstMonitor);
    for (const MeshSpec& mesh : {threeByThree, fiveByFour}) {
        picture.draw(0.1);
        auto program = start(R"({"corners":)" + cornersJson(kKeystone) + R"(,"mesh":)" + meshJson(mesh) + "}");
        picture.draw(0.1);
        Difference difference;
        EXPECT_TRUE(showsReference(kSecondMonitor,
                                   referenceMeshWarp(testPictureImage(1024, 768, 0.1), kKeystone, mesh, projector),
                                   difference))
            << mesh.columns << " x " << mesh.rows << ": " << difference.mean << " over " << difference.comparedPixels;

        const cv::Mat shown = toMat(display_->capture(kSecondMonitor));
        struct Marker {
            double s, t;
            bool alongX;
            int before, after;
        };
        const Marker markers[] = {{0.5, 0.15, true, 0, 1},  {0.5, 0.3, true, 0, 1},   {0.5, 0.7, true, 2, 3},
                                  {0.5, 0.85, true, 2, 3},  {0.2, 0.5, false, 0, 2},  {0.35, 0.5, false, 0, 2},
                                  {0.65, 0.5, false, 1, 3}, {0.85, 0.5, false, 1, 3}};
        for (const Marker& m : markers) {
            const cv::Point2f expected = meshWarpedPoint(kKeystone, mesh, projector, m.s, m.t);
            const auto found = boundaryNear(shown, expected, m.alongX, m.before, m.after);
            ASSERT_TRUE(found) << mesh.columns << " x " << mesh.rows << ": no boundary near " << expected;
            EXPECT_NEAR(*found, m.alongX ? expected.x : expected.y, 2.0f)
                << mesh.columns << " x " << mesh.rows << " at (" << m.s << ", " << m.t << ")";
        }
        program->requestExit();
        EXPECT_EQ(program->waitForExit(), 0);
    }
}

TEST_F(MainJob, AMalformedMeshIsIgnoredWithAWarningAndTheRestOfTheFileApplies)
{
    TestPicture picture(display_->x(), kSecondMonitor);
    picture.draw(0.6);
    // Eight offsets for a 3 x 3 mesh: the whole mesh is dropped, the keystone and the monitors are not.
    auto program = start(R"({"captureMonitor":1,"corners":)" + cornersJson(kKeystone) +
                         R"(,"mesh":{"columns":3,"rows":3,"offsets":[)" + std::string(7 * 17, ' ') +
                         R"({"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0},{"u":0.1,"v":0}]},"outputMonitor":0})");
    picture.draw(0.6);
    Difference difference;
    EXPECT_TRUE(showsReference(kFirstMonitor,
                               referenceWarp(testPictureImage(800, 600, 0.6), kKeystone,
                                             cv::Size(kFirstMonitor.width(), kFirstMonitor.height())),
                               difference))
        << difference.mean << " over " << difference.comparedPixels;
    const std::string log = folder_.readFile("debug.log").value_or("");
    EXPECT_EQ(log.find("] [WARN] Malha invalida em config.json; usando apenas os 4 cantos\r\n"), 9u) << log;
    program->requestExit();
    EXPECT_EQ(program->waitForExit(), 0);
}

// A still desktop is drawn once: the projection window is not redrawn while nothing changes, it keeps
// the last picture, and the first drawing after a change shows the change.
TEST_F(MainJob, AStillDesktopIsNotDrawnAgainAndAChangeReachesTheProjectorAtOnce)
{
    AppFolder probe(Program::LayoutProbe);
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.25);
    OstrelProcess program(*wine_, probe);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    picture.draw(0.25);
    const cv::Size projector(kSecondMonitor.width(), kSecondMonitor.height());
    const cv::Mat still = referenceWarp(testPictureImage(1024, 768, 0.25), kUnitQuad, projector);
    Difference difference;
    ASSERT_TRUE(showsReference(kSecondMonitor, still, difference));
    // A projection just shown is drawn in its first five passes whatever changed; counted from then on.
    ASSERT_TRUE(program.waitForPasses(10));
    const auto window = display_->findWindow("Ostrel Projection");
    ASSERT_TRUE(window);
    RedrawCounter redraws(display_->x(), window->id);
    // The X server reports a window once when its damage is first watched: that report is not a redraw.
    redraws.waitFor(1, std::chrono::milliseconds(300));
    const long quiet = redraws.poll();
    ASSERT_TRUE(program.waitForPasses(2 * e2e::kQuietPasses));
    EXPECT_EQ(redraws.poll(), quiet) << "a still desktop was drawn again";
    EXPECT_TRUE(showsReference(kSecondMonitor, still, difference)) << "the last picture is gone: " << difference.mean;

    const auto barShown = [&](double phase) {
        const cv::Mat shown = toMat(display_->capture(kSecondMonitor));
        const int x = static_cast<int>(TestPicture::barCentre(1024, phase) * 800 / 1024);
        const cv::Vec3b p = shown.at<cv::Vec3b>(300, x);
        return std::min({p[0], p[1], p[2]}) > 200;
    };
    const long before = redraws.poll();
    picture.draw(0.75);
    ASSERT_GE(redraws.waitFor(1, std::chrono::seconds(10)), 1) << "the change was never drawn";
    EXPECT_GE(redraws.poll(), before + 1);
    EXPECT_TRUE(barShown(0.75) && !barShown(0.25)) << "the first drawing after the change did not show it";
    program.requestExit();
    EXPECT_EQ(program.waitForExit(), 0) << program.output();
}

// With no projector and the panel hidden the program sleeps: no pass runs until a message comes. The
// display change that brings the projector back brings the projection up with the picture.
TEST_F(MainJob, WithoutAProjectorItSleepsUntilADisplayChangeBringsOneBack)
{
    AppFolder probe(Program::LayoutProbe);
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.4);
    OstrelProcess program(*wine_, probe);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelProj")->visible; }));
    display_->removeMonitor(1);
    ASSERT_TRUE(wine_->followDisplays());
    ASSERT_TRUE(eventually([&] { return !wine_->window("OstrelProj")->visible; })) << "its monitor is gone";

    const std::optional<uint64_t> asleep = program.passCount();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const std::optional<uint64_t> later = program.passCount();
    ASSERT_TRUE(asleep && later);
    EXPECT_LE(*later - *asleep, 2u) << "passes ran with nothing to show";

    picture.draw(0.4);
    display_->plugMonitorBackIn(1);
    ASSERT_TRUE(wine_->followDisplays());
    EXPECT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj");
        return projection && projection->visible && projection->rect == kSecondMonitor;
    }));
    const cv::Size projector(kSecondMonitor.width(), kSecondMonitor.height());
    Difference difference;
    EXPECT_TRUE(showsReference(kSecondMonitor, referenceWarp(testPictureImage(1024, 768, 0.4), kUnitQuad, projector),
                               difference))
        << difference.mean << " over " << difference.comparedPixels;
    program.requestExit();
    EXPECT_EQ(program.waitForExit(), 0) << program.output();
}

// The test build takes its next present as a lost device whenever the test asks: 50 times, with the
// panel open. Each time the projection comes back with the right picture, and nothing grows.
TEST_F(MainJob, DeviceLostFiftyTimesComesBackWithThePictureAndNothingGrows)
{
    AppFolder probe(Program::LayoutProbe);
    probe.writeFile("config.json", R"({"corners":)" + cornersJson(kKeystone) + "}");
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.25);
    OstrelProcess program(*wine_, probe);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    ASSERT_TRUE(wine_->post("OstrelControl", 0x0111, 2001, 0));
    picture.draw(0.25);
    const cv::Size projector(kSecondMonitor.width(), kSecondMonitor.height());
    Difference difference;
    ASSERT_TRUE(showsReference(kSecondMonitor, referenceWarp(testPictureImage(1024, 768, 0.25), kKeystone, projector),
                               difference));

    const auto log = [&] { return probe.readFile("debug.log").value_or(""); };
    const std::regex recovered(R"(\] \[LOG\] Dispositivo Direct3D recriado em ([0-9]+) ms\r\n)");
    const auto recoveries = [&] {
        const std::string text = log();
        return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), recovered), std::sregex_iterator()));
    };
    const auto loseDevice = [&](int done) {
        // The tool fails, asking nothing, when it cannot reach the program's request counter; seen once
        // in a loaded run. Asked again then, a removal is still asked for once.
        ASSERT_TRUE(eventually([&] {
            return wine_->wine({windowsBuildPath("tests/wintool.exe"), "remove-device"}).exitCode == 0;
        }));
        ASSERT_TRUE(eventually([&] { return recoveries() == done + 1; })) << log();
    };
    ProcessCounts before;
    long privateBefore = 0;
    for (int removal = 0; removal < 50; ++removal) {
        loseDevice(removal);
        if (removal == 4) { // the first few settle what the process keeps for good
            ASSERT_TRUE(program.waitForPasses(10));
            before = wine_->counts("OstrelControl");
            privateBefore = statusKiB(program.pid(), "RssAnon:");
        }
        if (removal == 24 || removal == 49) {
            const double phase = removal == 24 ? 0.75 : 0.5;
            picture.draw(phase);
            EXPECT_TRUE(showsReference(kSecondMonitor, referenceWarp(testPictureImage(1024, 768, phase), kKeystone, projector),
                                       difference))
                << "after " << removal + 1 << " losses: " << difference.mean;
        }
    }
    ASSERT_TRUE(program.waitForPasses(10));
    const ProcessCounts after = wine_->counts("OstrelControl");
    const long privateAfter = statusKiB(program.pid(), "RssAnon:");
    ASSERT_GE(before.kernelHandles, 0);
    EXPECT_LE(after.kernelHandles - before.kernelHandles, 4) << before.kernelHandles << " -> " << after.kernelHandles;
    EXPECT_LE(after.gdiObjects - before.gdiObjects, 4) << before.gdiObjects << " -> " << after.gdiObjects;
    EXPECT_LE(privateAfter - privateBefore, 8 * 1024) << privateBefore << " KiB -> " << privateAfter << " KiB";

    const std::string text = log();
    std::size_t warnings = 0;
    for (auto at = text.find("] [WARN] Dispositivo Direct3D perdido (0x887A0005, motivo 0x"); at != std::string::npos;
         at = text.find("] [WARN] Dispositivo Direct3D perdido (0x887A0005, motivo 0x", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 50u);
    std::vector<int> times;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), recovered); it != std::sregex_iterator(); ++it)
        times.push_back(std::stoi((*it)[1]));
    std::sort(times.begin(), times.end());
    std::printf("device made again %zu times: median %d ms, slowest %d ms\n", times.size(), times[times.size() / 2],
                times.back());
    std::printf("table-row\tFrom a lost device to everything made again on a new one (the next pass projects)\t"
                "Wine, software rendering, test build, panel open, median of 50\t%d ms median, %d ms slowest\t"
                "within a second\n",
                times[times.size() / 2], times.back());
    program.requestExit();
    EXPECT_EQ(program.waitForExit(), 0);
}
