// What the operator made is never lost: changes undone and redone with the keys on the projection, and
// setups saved under a name and recalled, each followed on the projector's real pixels and in the files.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "panel_fixture.h"
#include "settings/settings_text.h"
#include "test_picture.h"

using namespace e2e;

namespace {

// The file the program writes for these values: the bytes each step must give back.
std::string fileOf(const CornerSet& corners)
{
    SettingsValues values;
    values.outputs.front().surfaces.front().corners = corners;
    return settingsFileBytes(values);
}

CornerSet withCorner(CornerSet corners, int corner, CornerPoint at)
{
    corners[static_cast<std::size_t>(corner)] = at;
    return corners;
}

// Every file under `folder`, by its path there.
std::set<std::string> filesUnder(const std::string& folder)
{
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        files.insert(std::filesystem::relative(entry.path(), folder).string());
    return files;
}

class History : public Panel {
protected:
    // Which of the projector's three probes, near its top-left, top-right and bottom-left corners, lie
    // outside the warped picture: black there, the picture's coloured blocks when inside.
    std::string blackProbes() const
    {
        const int left = kSecondMonitor.left;
        const ScreenRect probes[3] = {
            {left + 30, 20, left + 60, 45}, {left + 740, 20, left + 770, 45}, {left + 30, 555, left + 60, 580}};
        std::string black;
        for (int probe = 0; probe < 3; ++probe) {
            const Image area = display_->capture(probes[probe]);
            int dark = 0;
            for (const Rgb& p : area.pixels)
                dark += std::max({p.r, p.g, p.b}) < 16 ? 1 : 0;
            black += dark * 20 >= static_cast<int>(area.pixels.size()) * 19 ? "B" : dark == 0 ? "-" : "?";
        }
        return black;
    }

    // The projection in the foreground, then the keys pressed there with Control (and Shift) held. The
    // modifiers are down for some passes before the letter comes, as a hand presses them: one loaded run
    // lost a Ctrl+Y whose Control and letter came at once.
    void pressOnProjection(const char* key, bool shift = false)
    {
        ASSERT_TRUE(eventually([&] {
            const auto projection = wine_->window("OstrelProj|Ostrel Projection");
            return projection && projection->foreground;
        }));
        display_->pressKey("Control_L");
        if (shift)
            display_->pressKey("Shift_L");
        ASSERT_TRUE(program_->waitForPasses(2));
        ASSERT_TRUE(program_->tapKey(key));
        if (shift)
            display_->releaseKey("Shift_L");
        display_->releaseKey("Control_L");
    }

    void expectState(const std::string& file, const std::string& probes, const char* step)
    {
        EXPECT_TRUE(eventually([&] { return config() == file; })) << step << ":\n" << config();
        EXPECT_TRUE(eventually([&] { return blackProbes() == probes; })) << step << ": " << blackProbes();
    }
};

} // namespace

TEST_F(History, ADragATypedValueAndARecalledSetupAreUndoneAndRedoneStepByStep)
{
    const std::string start = fileOf(kDefaultCorners);
    const std::string dragged = fileOf(withCorner(kDefaultCorners, 0, {-0.5f, 0.5f}));
    const std::string typed = fileOf(withCorner(withCorner(kDefaultCorners, 0, {-0.5f, 0.5f}), 1, {0.5f, 1.0f}));
    const std::string recalled = fileOf(withCorner(kDefaultCorners, 2, {-0.5f, -0.5f}));
    folder_.writeFile("config.json", start);
    folder_.writeFile("presets/Palco.json", recalled);
    TestPicture picture(display_->x(), kFirstMonitor);
    picture.draw(0.5);
    startWithPanelOpen();
    switchToTab("Mapeamento", "EXIBIR GRADIL");
    // The grid off, so that the probes see the picture itself.
    clickWidget("EXIBIR GRADIL");
    expectState(start, "---", "the start");

    // The top-left corner dragged a quarter of the way in, every pass of the drag one step.
    const int left = kSecondMonitor.left;
    display_->moveCursor(left, 0);
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->pressButton(1);
    ASSERT_TRUE(program_->waitForPasses(2));
    // Two passes a step, as the harness's own input waits: the first may have polled the cursor just before
    // it moved (a loaded run lost the last step of the drag).
    for (int step = 1; step <= 5; ++step) {
        display_->moveCursor(left + 40 * step, 30 * step);
        ASSERT_TRUE(program_->waitForPasses(2));
    }
    display_->releaseButton(1);
    expectState(dragged, "B--", "dragged");
    // Typed character by character, committed with Enter: one step.
    typeInto("Superior Dir (TR) X", "0.5");
    expectState(typed, "BB-", "typed");
    switchToTab("Configuracoes", "CARREGAR");
    clickWidget("Palco");
    clickWidget("CARREGAR");
    expectState(recalled, "--B", "recalled");

    // The keys on the projection: a click in the picture's middle, away from every handle, gives it them.
    ASSERT_TRUE(program_->click(left + 400, 300));
    pressOnProjection("z");
    expectState(typed, "BB-", "the setup undone");
    pressOnProjection("z");
    expectState(dragged, "B--", "the typed value undone");
    pressOnProjection("z");
    expectState(start, "---", "the drag undone");
    pressOnProjection("z");
    ASSERT_TRUE(program_->waitForPasses(kQuietPasses));
    EXPECT_EQ(config(), start) << "nothing more to undo";

    pressOnProjection("y");
    expectState(dragged, "B--", "the drag redone");
    pressOnProjection("z", true);
    expectState(typed, "BB-", "the typed value redone");
    pressOnProjection("y");
    expectState(recalled, "--B", "the setup redone");
    // The panel's button does what the key does.
    clickWidget("DESFAZER");
    expectState(typed, "BB-", "undone from the panel");

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(History, SetupsAreSavedLoadedReplacedAndRefusedAndADamagedOneIsNeverLoaded)
{
    const std::string start = fileOf(kDefaultCorners);
    folder_.writeFile("config.json", start);
    folder_.writeFile("presets/Quebrado.json", "{\"corners\": [1, 2");
    startWithPanelOpen();
    switchToTab("Configuracoes", "SALVAR");
    ASSERT_TRUE(eventually([&] { return layout().count("Quebrado (danificado)") == 1; }))
        << folder_.readFile("panel-layout.txt").value_or("");

    typeInto("Nome", "palco a");
    clickWidget("SALVAR");
    ASSERT_TRUE(eventually([&] { return folder_.readFile("presets/palco a.json") == start; }));
    EXPECT_NE(log().find("[LOG] Configuracao salva: palco a"), std::string::npos) << log();

    switchToTab("Mapeamento", "RESETAR");
    typeInto("Superior Esq (TL) X", "-0.5");
    const std::string changed = fileOf(withCorner(kDefaultCorners, 0, {-0.5f, 1.0f}));
    ASSERT_TRUE(eventually([&] { return config() == changed; })) << config();
    switchToTab("Configuracoes", "SALVAR");
    clickWidget("palco a");
    clickWidget("CARREGAR");
    ASSERT_TRUE(eventually([&] { return config() == start; })) << config();

    // Saved again under the same name: asked once, and only "SIM" writes.
    switchToTab("Mapeamento", "RESETAR");
    typeInto("Superior Esq (TL) X", "-0.5");
    ASSERT_TRUE(eventually([&] { return config() == changed; })) << config();
    switchToTab("Configuracoes", "SALVAR");
    clickWidget("SALVAR");
    ASSERT_TRUE(eventually([&] { return layout().count("SIM") == 1; })) << "no question before replacing";
    ASSERT_TRUE(program_->waitForPasses(kQuietPasses));
    EXPECT_EQ(folder_.readFile("presets/palco a.json"), start);
    clickWidget("SIM");
    EXPECT_TRUE(eventually([&] { return folder_.readFile("presets/palco a.json") == changed; }));

    // Names that are not a setup's write nothing, anywhere.
    const std::set<std::string> files = filesUnder(folder_.path());
    for (const char* refused : {"con", "nul", "a/b", "   ", "..", "a.b"}) {
        typeInto("Nome", refused);
        clickWidget("SALVAR");
        ASSERT_TRUE(program_->waitForPasses(kQuietPasses));
        EXPECT_EQ(filesUnder(folder_.path()), files) << refused;
    }
    // A damaged setup is listed, never loaded; deleted, it is gone from the list.
    clickWidget("Quebrado (danificado)");
    clickWidget("CARREGAR");
    ASSERT_TRUE(program_->waitForPasses(kQuietPasses));
    EXPECT_EQ(config(), changed);
    clickWidget("EXCLUIR");
    EXPECT_TRUE(eventually([&] { return !folder_.exists("presets/Quebrado.json"); }));
    EXPECT_TRUE(eventually([&] { return layout().count("Quebrado (danificado)") == 0; }));

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}
