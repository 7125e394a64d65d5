#include <gtest/gtest.h>

#include "capture/capture_rules.h"
#include "capture/pointer_shape.h"

namespace {

constexpr int32_t kOtherFailure = static_cast<int32_t>(0x887A0001u); // DXGI_ERROR_INVALID_CALL
constexpr int32_t kOkWithInformation = 1;                              // S_FALSE: still a success

struct AfterAcquireCase {
    const char* name;
    int32_t acquireResult;
    bool haveCopyTexture;
    CaptureStep step;
    int32_t result;
};

class AfterAcquire : public testing::TestWithParam<AfterAcquireCase> {};

} // namespace

TEST(BeforeAcquire, GdiFirstThenDuplicationOrNothing)
{
    const CaptureDecision gdi = decideBeforeAcquire(true, true);
    EXPECT_EQ(gdi.step, CaptureStep::CopyByGdi);
    const CaptureDecision gdiWithoutDuplication = decideBeforeAcquire(true, false);
    EXPECT_EQ(gdiWithoutDuplication.step, CaptureStep::CopyByGdi);
    const CaptureDecision idle = decideBeforeAcquire(false, false);
    EXPECT_EQ(idle.step, CaptureStep::Stop);
    EXPECT_EQ(idle.result, result::kPointer);
    EXPECT_EQ(static_cast<uint32_t>(idle.result), 0x80004003u);
    EXPECT_EQ(decideBeforeAcquire(false, true).step, CaptureStep::AcquireFromDuplication);
}

TEST_P(AfterAcquire, LeadsToItsStepAndResult)
{
    const AfterAcquireCase& c = GetParam();
    const CaptureDecision decision = decideAfterAcquire(c.acquireResult, c.haveCopyTexture);
    EXPECT_EQ(decision.step, c.step);
    EXPECT_EQ(decision.result, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    ResultTable, AfterAcquire,
    testing::Values(
        AfterAcquireCase{"AccessLostWithPicture", result::kAccessLost, true, CaptureStep::RecreateDuplication,
                         result::kPending},
        AfterAcquireCase{"AccessLostWithoutPicture", result::kAccessLost, false, CaptureStep::RecreateDuplication,
                         result::kPending},
        AfterAcquireCase{"TimeoutWithPicture", result::kWaitTimeout, true, CaptureStep::RedeliverLastPicture,
                         result::kOk},
        AfterAcquireCase{"TimeoutBeforeFirstPicture", result::kWaitTimeout, false, CaptureStep::Stop,
                         result::kWaitTimeout},
        AfterAcquireCase{"OtherFailureUnchanged", kOtherFailure, true, CaptureStep::Stop, kOtherFailure},
        AfterAcquireCase{"GenericFailureUnchanged", result::kFail, false, CaptureStep::Stop, result::kFail},
        AfterAcquireCase{"NewPicture", result::kOk, false, CaptureStep::CopyNewPicture, result::kOk},
        AfterAcquireCase{"NewPictureOverOld", result::kOk, true, CaptureStep::CopyNewPicture, result::kOk},
        AfterAcquireCase{"SuccessCodeIsANewPicture", kOkWithInformation, true, CaptureStep::CopyNewPicture,
                         result::kOk}),
    [](const testing::TestParamInfo<AfterAcquireCase>& info) { return std::string(info.param.name); });

TEST(ResultCodes, AreTheWindowsValues)
{
    EXPECT_EQ(static_cast<uint32_t>(result::kPending), 0x8000000Au);
    EXPECT_EQ(static_cast<uint32_t>(result::kAccessLost), 0x887A0026u);
    EXPECT_EQ(static_cast<uint32_t>(result::kWaitTimeout), 0x887A0027u);
    EXPECT_EQ(static_cast<uint32_t>(result::kFail), 0x80004005u);
}

TEST(DuplicatedOutput, IsTheOneShowingTheMonitorWhateverItsNumber)
{
    const std::vector<OutputPlace> outputs{{0x20, {1920, 0, 3840, 1080}}, {0x10, {0, 0, 1920, 1080}}};
    EXPECT_EQ(outputShowing(outputs, 0, {0, 0, 1920, 1080}), 1u);
    EXPECT_EQ(outputShowing(outputs, 0, {1920, 0, 3840, 1080}), 0u);
    EXPECT_EQ(outputShowing(outputs, 0, {0, 0, 1280, 720}), std::nullopt);
    EXPECT_EQ(outputShowing(outputs, 0, {}), std::nullopt) << "an index no monitor has";
    EXPECT_EQ(outputShowing({}, 0x10, {0, 0, 1920, 1080}), std::nullopt);
    // The handle decides over the rectangle: two mirrored monitors share one, and a rectangle read before a
    // resolution change is stale.
    const std::vector<OutputPlace> mirrored{{0x10, {0, 0, 1920, 1080}}, {0x20, {0, 0, 1920, 1080}}};
    EXPECT_EQ(outputShowing(mirrored, 0x20, {0, 0, 1920, 1080}), 1u);
    EXPECT_EQ(outputShowing(outputs, 0x20, {0, 0, 1280, 720}), 0u);
    EXPECT_EQ(outputShowing(outputs, 0x99, {0, 0, 1920, 1080}), 1u) << "a handle no output reports: the rectangle";
}

// A hybrid laptop: the saved adapter is kept where it shows the capture monitor, else the one that does is
// taken (duplication fails on any other); with no adapter showing it, the saved one stays.
TEST(DeviceAdapter, IsTheOneShowingTheCaptureMonitor)
{
    EXPECT_EQ(adapterForCapture(0, {true, false}), (AdapterChoice{0, false}));
    EXPECT_EQ(adapterForCapture(0, {false, true}), (AdapterChoice{1, true})) << "the monitor is on the other chip";
    EXPECT_EQ(adapterForCapture(1, {true, true}), (AdapterChoice{1, false})) << "the saved one shows it too";
    EXPECT_EQ(adapterForCapture(1, {false, false}), (AdapterChoice{1, false})) << "no adapter shows it";
    EXPECT_EQ(adapterForCapture(7, {false, true}), (AdapterChoice{1, true})) << "an index with no adapter";
    EXPECT_EQ(adapterForCapture(0xFFFFFFFFu, {false, false}), (AdapterChoice{0, false}));
    EXPECT_EQ(adapterForCapture(0, {}), (AdapterChoice{0, false}));
}

TEST(GdiArea, MonitorRectangleOrThePrimaryFromTheOrigin)
{
    EXPECT_EQ(gdiCaptureArea({1024, 0, 1824, 600}, 1024, 768), (Rect{1024, 0, 1824, 600}));
    EXPECT_EQ(gdiCaptureArea({-1280, -200, 0, 824}, 1024, 768), (Rect{-1280, -200, 0, 824}))
        << "a monitor left of and above the primary keeps its negative origin";
    EXPECT_EQ(gdiCaptureArea({}, 1024, 768), (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(gdiCaptureArea({}, 2560, 1440), (Rect{0, 0, 2560, 1440})) << "follows the primary's resolution";
}

TEST(CopyTexture, MadeAnewOnlyWhenThePictureDiffers)
{
    constexpr uint32_t bgra = 87, rgba = 28;
    EXPECT_TRUE(needsNewCopyTexture(std::nullopt, {1024, 768, bgra}));
    EXPECT_FALSE(needsNewCopyTexture(PictureShape{1024, 768, bgra}, {1024, 768, bgra}));
    EXPECT_TRUE(needsNewCopyTexture(PictureShape{1024, 768, bgra}, {1280, 768, bgra}));
    EXPECT_TRUE(needsNewCopyTexture(PictureShape{1024, 768, bgra}, {1024, 720, bgra}));
    EXPECT_TRUE(needsNewCopyTexture(PictureShape{1024, 768, bgra}, {1024, 768, rgba}));
    EXPECT_TRUE(needsNewCopyTexture(PictureShape{1920, 1080, bgra}, {1024, 768, bgra}))
        << "a smaller picture gets its own texture, not a corner of the old one";
}

// The four corners of the upright picture are found at the scanned-out image's corners, turned as
// the output turns it: clockwise for a quarter turn.
TEST(RotatedDesktop, UprightCornersComeFromTheTurnedImage)
{
    struct Case {
        int32_t quarterTurns;
        float topLeft[2], topRight[2], bottomLeft[2];
    };
    const Case cases[] = {{0, {0, 0}, {1, 0}, {0, 1}},
                          {1, {1, 0}, {1, 1}, {0, 0}},
                          {2, {1, 1}, {0, 1}, {1, 0}},
                          {3, {0, 1}, {0, 0}, {1, 1}}};
    for (const Case& c : cases) {
        const TextureTransform m = scannedOutCoordinates(c.quarterTurns);
        const auto at = [&](float u, float v) { return std::pair{m.a0 * u + m.a1 * v + m.a2, m.b0 * u + m.b1 * v + m.b2}; };
        EXPECT_EQ(at(0, 0), (std::pair{c.topLeft[0], c.topLeft[1]})) << c.quarterTurns;
        EXPECT_EQ(at(1, 0), (std::pair{c.topRight[0], c.topRight[1]})) << c.quarterTurns;
        EXPECT_EQ(at(0, 1), (std::pair{c.bottomLeft[0], c.bottomLeft[1]})) << c.quarterTurns;
        const PictureShape upright = uprightShape({1080, 1920, 87}, c.quarterTurns);
        EXPECT_EQ(upright, (c.quarterTurns % 2 ? PictureShape{1920, 1080, 87} : PictureShape{1080, 1920, 87}));
    }
}

// The three kinds of pointer shape, each pixel rule once, and shapes that do not fit their bytes.
TEST(PointerShapes, EachKindBecomesItsColourAndInvertLayers)
{
    // Monochrome, 8 x 2: AND row then XOR row. Pixels: black, white, screen, inverted, then screen.
    const uint8_t mono[] = {0b00110000, 0b01010000};
    const auto m = pointerImage(kMonochromePointer, 4, 2, 1, mono, sizeof mono);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->height, 1u);
    EXPECT_EQ(m->colour, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu, 0u, 0u}));
    EXPECT_EQ(m->invert, (std::vector<uint32_t>{0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFFFFFFFFu}));
    EXPECT_TRUE(m->inverts);

    // Colour: straight BGRA with alpha, taken as it is; nothing inverts.
    const uint8_t colour[] = {0x10, 0x20, 0x30, 0x80, 0x01, 0x02, 0x03, 0x00};
    const auto c = pointerImage(kColourPointer, 2, 1, 8, colour, sizeof colour);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->colour, (std::vector<uint32_t>{0x80302010u, 0x00030201u}));
    EXPECT_FALSE(c->inverts);

    // Masked colour: mask 0 draws the colour opaque, mask 0xFF XORs it (black XOR changes nothing).
    const uint8_t masked[] = {0x10, 0x20, 0x30, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF};
    const auto k = pointerImage(kMaskedColourPointer, 3, 1, 12, masked, sizeof masked);
    ASSERT_TRUE(k);
    EXPECT_EQ(k->colour, (std::vector<uint32_t>{0xFF302010u, 0u, 0u}));
    EXPECT_EQ(k->invert, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu, 0xFF000000u}));

    EXPECT_FALSE(pointerImage(kColourPointer, 2, 2, 8, colour, sizeof colour)) << "two rows in one row's bytes";
    EXPECT_FALSE(pointerImage(kColourPointer, 2, 1, 4, colour, sizeof colour)) << "a pitch shorter than a row";
    EXPECT_FALSE(pointerImage(3, 2, 1, 8, colour, sizeof colour)) << "no such kind";
    EXPECT_FALSE(pointerImage(kMonochromePointer, 4, 1, 1, mono, sizeof mono)) << "no whole row of either mask";
}
