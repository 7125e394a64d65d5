// The panel's camera tab on the real program with no camera at all (Wine offers no capture device and no
// stand-in camera lies beside the program), and with the stand-in camera unplugged and plugged back.
#include <gtest/gtest.h>

#include <string>

#include "camera_scenes.h"
#include "panel_fixture.h"

using namespace e2e;

namespace {

class CameraTab : public Panel {};

} // namespace

TEST_F(CameraTab, WithNoCameraTheCameraTabSaysSoAndAligningLeavesTheSettingsAsTheyWere)
{
    // A camera chosen and a target marked before, in a file the program would not write this way: any
    // save at all would change its bytes.
    const std::string saved = R"({"camera": {"device": "Camera USB", "target": [{"x": 80, "y": 60}, )"
                              R"({"x": 560, "y": 60}, {"x": 80, "y": 420}, {"x": 560, "y": 420}]}})";
    folder_.writeFile("config.json", saved);
    startWithPanelOpen();
    switchToTab("Camera", "Nenhuma camera encontrada");
    const auto shown = layout();
    EXPECT_EQ(shown.count("Dispositivo"), 0u) << "no list without a device";
    EXPECT_EQ(shown.count("Imagem da camera"), 0u);
    EXPECT_EQ(shown.count("BR y"), 1u);

    clickWidget("ALINHAR COM A CAMERA");
    const std::string refusal = "Nenhuma camera para alinhar: nada foi alterado";
    EXPECT_TRUE(eventually([&] { return layout().count(refusal) == 1; })) << "the panel says why";
    EXPECT_NE(log().find("[WARN] Alinhamento com a camera falhou: Nenhuma camera para alinhar"), std::string::npos)
        << log();
    EXPECT_EQ(config(), saved);
    EXPECT_EQ(layout().count("ALINHAR COM A CAMERA"), 1u) << "the panel still draws";
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0) << program_->output();
}

// The stand-in's file taken away is its cable pulled: the tab and one "WARN" line say so, a change of the
// devices with the camera still away keeps saying it, and once the file is back the next change opens
// the camera again.
TEST_F(CameraTab, AnUnpluggedCameraIsSaidOnceAndOpenedAgainWhenItComesBack)
{
    constexpr uint32_t kDeviceChange = 0x0219, kDevicesChanged = 0x0007; // WM_DEVICECHANGE, DBT_DEVNODES_CHANGED
    const CameraScene scene = slantedScene();
    folder_.writeFile("config.json", settingsFileBytes(settingsFor(scene)));
    folder_.writeFile("camera-standin.json", standInJson(scene));
    startWithPanelOpen();
    switchToTab("Camera", "Imagem da camera");

    const std::string unplugged = "Camera desconectada: Camera de teste";
    folder_.remove("camera-standin.json");
    ASSERT_TRUE(eventually([&] { return layout().count(unplugged) == 1; })) << log();
    EXPECT_EQ(layout().count("Imagem da camera"), 0u);
    ASSERT_TRUE(wine_->post("OstrelControl", kDeviceChange, kDevicesChanged, 0));
    ASSERT_TRUE(wine_->post("OstrelControl", kDeviceChange, kDevicesChanged, 0));
    EXPECT_TRUE(eventually([&] { return layout().count(unplugged) == 1; }));

    folder_.writeFile("camera-standin.json", standInJson(scene));
    ASSERT_TRUE(wine_->post("OstrelControl", kDeviceChange, kDevicesChanged, 0));
    EXPECT_TRUE(eventually([&] { return layout().count("Imagem da camera") == 1; })) << log();
    EXPECT_EQ(layout().count(unplugged), 0u);
    EXPECT_EQ(count(log(), "[WARN] " + unplugged), 1u) << log();
    EXPECT_EQ(count(log(), "[WARN] Camera"), 1u) << "nothing else said of the camera: " << log();
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0) << program_->output();
}
