// The panel's camera tab on the real program with no camera at all: Wine offers no capture device and no
// stand-in camera lies beside the program.
#include <gtest/gtest.h>

#include <string>

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
