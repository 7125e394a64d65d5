// Alignment from a camera, end to end: the stand-in camera reads the projectors' real pixels off the
// screen, the program lights each output, decodes what the camera saw and saves a calibration whose
// picture lands on the target; the figures are checked by a model of the warp and of the camera apart
// from the program, and the failures change nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "camera_scenes.h"
#include "desk_socket.h"
#include "osc_writing.h"
#include "panel_fixture.h"

using namespace e2e;
using namespace osc;

namespace {

class CameraAlignment : public Panel {
protected:
    // The program started with the scene's camera and target, listening to the desk.
    void startWith(const CameraScene& scene)
    {
        SettingsValues values = settingsFor(scene);
        const auto port = freeUdpPort(static_cast<uint16_t>(20000 + getpid() % 20000));
        ASSERT_TRUE(port);
        values.remote.port = *port;
        desk_ = std::make_unique<DeskSocket>(*port);
        folder_.writeFile("camera-standin.json", standInJson(scene));
        folder_.writeFile("config.json", settingsFileBytes(values));
        program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
        ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
        ASSERT_TRUE(eventually([&] { return log().find("escutando na porta") != std::string::npos; })) << log();
    }

    // The alignment's line in debug.log once there are `lines` of them; empty when none comes.
    std::string alignmentLine(std::size_t lines)
    {
        std::vector<std::string> found;
        eventually([&] { return (found = alignmentLinesIn(log())).size() >= lines; }, 90s);
        return found.size() >= lines ? found[lines - 1] : "";
    }

    // The stand-in reads its file when the camera opens, and the camera closes a pass after an alignment
    // ends: a new view is written, then a few passes go by before the next alignment opens it again.
    void changeView(const CameraScene& scene)
    {
        folder_.writeFile("camera-standin.json", standInJson(scene));
        std::this_thread::sleep_for(500ms);
    }

    SettingsValues saved() const
    {
        SettingsValues values;
        readSettingsText(config(), values);
        return values;
    }

    std::unique_ptr<DeskSocket> desk_;
};

} // namespace

// By the desk: a camera that sees too little light, then one whose projector misses the target, change
// nothing; a slanted projector is then aligned within a camera pixel, and one undo takes it all back.
TEST_F(CameraAlignment, ASlantedProjectorIsAlignedByTheDeskWithinACameraPixelAndFailuresChangeNothing)
{
    CameraScene dim = slantedScene();
    dim.gain = 0.03;
    startWith(dim);
    const std::string start = config();

    ASSERT_TRUE(desk_->send(packet("/ostrel/camera/align")));
    EXPECT_NE(alignmentLine(1).find("falhou: Pouca diferenca entre claro e escuro"), std::string::npos) << log();
    CameraScene aside = slantedScene();
    aside.views[0].homography = cv::Matx33d{1, 0, 330, 0, 1, 0, 0, 0, 1} * aside.views[0].homography;
    changeView(aside);
    ASSERT_TRUE(desk_->send(packet("/ostrel/camera/align")));
    EXPECT_NE(alignmentLine(2).find("falhou: O alvo esta fora do alcance dos projetores"), std::string::npos) << log();
    EXPECT_EQ(config(), start) << "a failed alignment changes nothing";

    const CameraScene scene = slantedScene();
    changeView(scene);
    ASSERT_TRUE(desk_->send(packet("/ostrel/camera/align")));
    const std::string line = alignmentLine(3);
    ASSERT_NE(line.find(": 1 saidas alinhadas"), std::string::npos) << log();
    EXPECT_LE(secondsPerOutput(line), 20.0) << line;
    const SettingsValues aligned = saved();
    EXPECT_EQ(aligned.outputs.front().surfaces.front().mesh.columns, 2) << "a flat wall needs no mesh";
    const Placement placement = placementOf(scene, scene.views[0], aligned.outputs.front());
    EXPECT_LE(placement.meanCorner, 1.0) << line;
    EXPECT_LE(placement.worstCorner, 2.0) << line;

    ASSERT_TRUE(desk_->send(packet("/ostrel/undo")));
    EXPECT_TRUE(eventually([&] { return config() == start; })) << config();
}

// By the panel's button: a bulging wall gets a mesh that puts points inside the picture on the target.
TEST_F(CameraAlignment, ABentWallIsAlignedByThePanelsButtonWithAMesh)
{
    const CameraScene scene = bentWallScene();
    const CameraView& view = scene.views[0];
    startWith(scene);
    openThePanel();
    switchToTab("Camera", "ALINHAR COM A CAMERA");
    clickWidget("ALINHAR COM A CAMERA");
    const std::string line = alignmentLine(1);
    ASSERT_NE(line.find(": 1 saidas alinhadas"), std::string::npos) << log();
    EXPECT_LE(secondsPerOutput(line), 20.0) << line;
    const SettingsValues aligned = saved();
    EXPECT_EQ(aligned.outputs.front().surfaces.front().mesh.columns, 9) << config();
    const Placement placement = placementOf(scene, view, aligned.outputs.front());
    EXPECT_LE(placement.worstMarker, 2.0) << line;
    EXPECT_LE(placement.worstCorner, 2.0) << line;
}

// Two projectors overlapping by a fifth: each takes its part of the target, and a white picture through
// both is even across the overlap as the camera sees the real screen.
TEST_F(CameraAlignment, TwoOverlappingProjectorsShareTheTargetAndTheirLightIsEvenAcrossTheOverlap)
{
    const CameraScene scene = overlappingScene();
    startWith(scene);
    ASSERT_TRUE(desk_->send(packet("/ostrel/camera/align")));
    const std::string line = alignmentLine(1);
    ASSERT_NE(line.find(": 2 saidas alinhadas"), std::string::npos) << log();
    EXPECT_LE(secondsPerOutput(line), 20.0) << line;
    const SettingsValues aligned = saved();
    ASSERT_EQ(aligned.outputs.size(), 2u);
    for (std::size_t at = 0; at < 2; ++at) {
        const Placement placement = placementOf(scene, scene.views[at], aligned.outputs[at]);
        EXPECT_LE(placement.meanCorner, 1.0) << at << " " << line;
    }
    EXPECT_GT(aligned.outputs[0].surfaces.front().blend.right, 0.0f) << config();
    EXPECT_GT(aligned.outputs[1].surfaces.front().blend.left, 0.0f) << config();

    ASSERT_TRUE(desk_->send(packet("/ostrel/pattern", {text("white")})));
    double unevenness = 1.0;
    EXPECT_TRUE(eventually([&] { return (unevenness = unevennessInside(scene, *display_, 8)) <= 0.08; }))
        << unevenness;
}
