// The control panel driven like an operator would: real clicks and typed keys through the X server,
// widgets found where the panel reports they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "app_folder.h"
#include "file_events.h"
#include "panel_fixture.h"
#include "program_test.h"
#include "ostrel_process.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using namespace e2e;

namespace {

// The glyphs of a one-line text on a dark field: runs of columns holding a bright pixel, with the
// rows each reaches. Glyphs of the panel's font have a dark column between them.
struct Glyph {
    int left = 0, right = 0, top = 0, bottom = 0;
};

std::vector<Glyph> glyphsOf(const Image& field)
{
    const auto bright = [](const Rgb& p) { return std::min({p.r, p.g, p.b}) >= 80; };
    std::vector<Glyph> glyphs;
    bool inGlyph = false;
    for (int x = 0; x < field.width; ++x) {
        int top = field.height, bottom = -1;
        for (int y = 0; y < field.height; ++y)
            if (bright(field.at(x, y))) {
                top = std::min(top, y);
                bottom = y;
            }
        if (bottom < 0) {
            inGlyph = false;
            continue;
        }
        if (!inGlyph)
            glyphs.push_back({x, x, top, bottom});
        Glyph& glyph = glyphs.back();
        glyph.right = x;
        glyph.top = std::min(glyph.top, top);
        glyph.bottom = std::max(glyph.bottom, bottom);
        inGlyph = true;
    }
    return glyphs;
}

// A point: a glyph in the lowest third of the text, between two glyphs as tall as the text (digits).
bool hasDecimalPoint(const std::vector<Glyph>& glyphs)
{
    if (glyphs.empty())
        return false;
    int top = glyphs.front().top, bottom = glyphs.front().bottom;
    for (const Glyph& glyph : glyphs) {
        top = std::min(top, glyph.top);
        bottom = std::max(bottom, glyph.bottom);
    }
    const auto tall = [&](const Glyph& glyph) { return glyph.top == top && glyph.bottom >= bottom - 1; };
    for (std::size_t i = 1; i + 1 < glyphs.size(); ++i)
        if (glyphs[i].top > bottom - (bottom - top) / 3 && tall(glyphs[i - 1]) && tall(glyphs[i + 1]))
            return true;
    return false;
}

std::string describe(const std::vector<Glyph>& glyphs)
{
    std::string text;
    for (const Glyph& glyph : glyphs)
        text += "[x " + std::to_string(glyph.left) + "-" + std::to_string(glyph.right) + ", y " +
                std::to_string(glyph.top) + "-" + std::to_string(glyph.bottom) + "] ";
    return text;
}

} // namespace

TEST_F(Panel, MonitoringTabChoosesMonitorsAndStartWithWindows)
{
    startWithPanelOpen();
    FileEvents files(folder_.path());
    const std::size_t infoLines = count(log(), "[INFO]");

    // The current entry again: nothing happens.
    pickEntry("Captura", 0, 3);
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), 0);
    EXPECT_EQ(count(log(), "[INFO]"), infoLines);

    // The other monitor: the capture is set up again (its line logged) and the choice saved.
    pickEntry("Captura", 1, 3);
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == 1; }));
    EXPECT_NE(config().find("\"captureMonitor\": 1,"), std::string::npos) << config();
    EXPECT_NE(log().find("[INFO] CaptureEngine: Monitor 1 selecionado (800x600)"), std::string::npos) << log();

    // Start with Windows: the Run value follows the switch, and the setting is saved.
    clickWidget("INICIAR COM O WINDOWS");
    ASSERT_TRUE(eventually([&] { return config().find("\"startWithWindows\": true") != std::string::npos; }));
    auto query = wine_->wine({"reg", "query", kRunKey, "/v", "OstrelMapper"});
    EXPECT_NE(query.output.find("ostrel app\\ostrel.exe\""), std::string::npos) << query.output;
    clickWidget("INICIAR COM O WINDOWS");
    ASSERT_TRUE(eventually([&] { return config().find("\"startWithWindows\": false") != std::string::npos; }));
    query = wine_->wine({"reg", "query", kRunKey, "/v", "OstrelMapper"});
    EXPECT_EQ(query.output.find("OstrelMapper"), std::string::npos) << query.output;
    const int writes = files.writes("config.json");

    // The current output again: nothing. Then the first monitor: the projection moves there (over
    // the panel, as on a one-screen set-up) and the choice is saved.
    pickEntry("Saida", 1, 3);
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), writes) << "picking the current output saves nothing";
    EXPECT_EQ(wine_->window("OstrelProj")->rect, kSecondMonitor);
    pickEntry("Saida", 0, 3);
    EXPECT_TRUE(eventually([&] { return wine_->window("OstrelProj")->rect == kFirstMonitor; }));
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == writes + 1; }));
    EXPECT_NE(config().find("\"outputMonitor\": 0,"), std::string::npos) << config();
    // Wine does not keep a window out of screen captures: the projection on the captured monitor is said,
    // once, in the log.
    EXPECT_EQ(count(log(), "[WARN] Saida 1 esta no monitor capturado e o Windows nao a exclui da captura"), 1u) << log();

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(Panel, MappingTabEditsCornersResetsAndCloses)
{
    startWithPanelOpen();
    switchToTab("Mapeamento", "RESETAR");
    FileEvents files(folder_.path());

    // A typed corner value moves the picture and is saved.
    typeInto("Superior Esq (TL) X", "-0.5");
    ASSERT_TRUE(eventually([&] { return config().find("\"x\": -0.5,") != std::string::npos; })) << config();
    // The grid, warped with the corners, has its orange frame start at the new top-left corner.
    const auto orangeIn = [&](const ScreenRect& area) {
        const Image image = display_->capture(area);
        int found = 0;
        for (const Rgb& p : image.pixels)
            found += (p.r > 200 && p.g > 140 && p.g < 210 && p.b < 80) ? 1 : 0;
        return found;
    };
    EXPECT_TRUE(eventually([&] {
        return orangeIn({kSecondMonitor.left + 200, 0, kSecondMonitor.left + 230, 12}) > 0 &&
               orangeIn({kSecondMonitor.left, 0, kSecondMonitor.left + 12, 12}) == 0;
    })) << "the grid's top-left corner did not move to a quarter of the width";

    // "inf" is not a coordinate: nothing changes, nothing is saved.
    const int writesBefore = files.writes("config.json");
    const std::string before = config();
    typeInto("Superior Esq (TL) Y", "inf");
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(files.writes("config.json"), writesBefore);
    EXPECT_EQ(config(), before);

    // The grid switch takes the grid away and saves nothing.
    clickWidget("EXIBIR GRADIL");
    EXPECT_TRUE(eventually([&] { return orangeIn({kSecondMonitor.left + 200, 0, kSecondMonitor.left + 230, 12}) == 0; }));
    EXPECT_EQ(files.writes("config.json"), writesBefore);

    clickWidget("RESETAR");
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == writesBefore + 1; }));
    EXPECT_NE(config().find("\"x\": -1.0,\r\n            \"y\": 1.0"), std::string::npos) << config();

    // Closing saves even without a change, and hides the panel and the grid.
    clickWidget("CONCLUIR");
    ASSERT_TRUE(eventually([&] { return files.writes("config.json") == writesBefore + 2; }));
    EXPECT_TRUE(eventually([&] { return !wine_->window("OstrelControl")->visible; }));
    EXPECT_EQ(config().find("Grid"), std::string::npos);
    EXPECT_EQ(count(config(), ":"), 13u) << "five settings and four corners of two coordinates: nothing else";
    EXPECT_FALSE(folder_.exists("imgui.ini")) << "the panel library keeps no file of its own";

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

// The corner fields' numbers as the screen shows them, each character apart and the decimal point
// between the digits (a font scaled down from its own size lost the point between texels).
TEST_F(Panel, CornerFieldsShowEveryCharacterOfTheirNumbers)
{
    startWithPanelOpen();
    switchToTab("Mapeamento", "Superior Esq (TL) X");
    const auto now = layout();
    const std::pair<const char*, std::string> shown[] = {
        {"Superior Esq (TL) X", "-1.0000"}, {"Superior Esq (TL) Y", "1.0000"}, {"Superior Dir (TR) X", "1.0000"},
        {"Superior Dir (TR) Y", "1.0000"},  {"Inferior Esq (BL) X", "-1.0000"}, {"Inferior Esq (BL) Y", "-1.0000"},
        {"Inferior Dir (BR) X", "1.0000"},  {"Inferior Dir (BR) Y", "-1.0000"}};
    for (const auto& [field, text] : shown) {
        ASSERT_EQ(now.count(field), 1u) << field;
        const Box& box = now.at(field);
        const Image pixels = display_->capture({clientLeft_ + static_cast<int>(box.left), clientTop_ + static_cast<int>(box.top),
                                                clientLeft_ + static_cast<int>(box.right),
                                                clientTop_ + static_cast<int>(box.bottom)});
        const std::vector<Glyph> glyphs = glyphsOf(pixels);
        EXPECT_EQ(glyphs.size(), text.size()) << field << " " << text << ": " << describe(glyphs);
        EXPECT_TRUE(hasDecimalPoint(glyphs)) << field << " " << text << ": " << describe(glyphs);
    }
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

// An output added on the free monitor gets its own window and is saved; its part of the picture and its
// blend are edited in the mapping tab, values out of range refused; removed, its window goes and the
// file is as before.
TEST_F(Panel, AddingEditingAndRemovingAnOutput)
{
    startWithPanelOpen();
    FileEvents files(folder_.path());
    EXPECT_FALSE(wine_->window("OstrelProj|Ostrel Projection 2"));
    clickWidget("ADICIONAR SAIDA");
    ASSERT_TRUE(eventually([&] {
        const auto added = wine_->window("OstrelProj|Ostrel Projection 2");
        return added && added->visible && added->rect == kThirdMonitor;
    })) << "no second projection on the free monitor";
    EXPECT_EQ(wine_->window("OstrelProj|Ostrel Projection")->rect, kSecondMonitor);
    ASSERT_TRUE(eventually([&] { return config().find("\"extraOutputs\": [") != std::string::npos; })) << config();
    EXPECT_NE(config().find("\"outputMonitor\": 2\r\n"), std::string::npos) << config();
    EXPECT_TRUE(eventually([&] { return layout().count("Saida 2 REMOVER") == 1 && layout().count("Saida 2") == 1; }));

    // The new output is the one the mapping tab edits.
    switchToTab("Mapeamento", "Recorte Esq");
    typeInto("Recorte Esq", "0.5");
    typeInto("Mistura Esq", "0.25");
    ASSERT_TRUE(eventually([&] {
        const std::string now = config();
        return now.find("\"source\": {") != std::string::npos && now.find("\"left\": 0.5,") != std::string::npos &&
               now.find("\"left\": 0.25,") != std::string::npos;
    })) << config();
    EXPECT_EQ(count(config(), "\"source\""), 1u) << "only the second output's part differs from the whole";
    const std::string edited = config();
    typeInto("Mistura Curva", "7");
    typeInto("Recorte Dir", "0.25");
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(config(), edited) << "a curve beyond 4 and a right edge left of the left one are refused";

    switchToTab("Monitoramento", "ADICIONAR SAIDA");
    clickWidget("Saida 2 REMOVER");
    EXPECT_TRUE(eventually([&] { return !wine_->window("OstrelProj|Ostrel Projection 2"); })) << "its window stayed";
    ASSERT_TRUE(eventually([&] { return config().find("extraOutputs") == std::string::npos; })) << config();
    EXPECT_EQ(count(config(), ":"), 13u) << "the five settings and four corners of today's file";
    EXPECT_TRUE(wine_->window("OstrelProj|Ostrel Projection")->visible);
    EXPECT_GE(files.writes("config.json"), 3);

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(Panel, AnotherOutputKeepsTheGridThroughTheSameFallbacksAsTheStart)
{
    const auto orangeFrameOn = [&](const ScreenRect& monitor) {
        const Image edge = display_->capture({monitor.left, 300, monitor.left + 6, 301});
        for (const Rgb& p : edge.pixels)
            if (p.r > 200 && p.g > 140 && p.g < 210 && p.b < 80)
                return true;
        return false;
    };
    // The procedural grid is opaque black with thin lines: it hides the picture, the panel included.
    const auto proceduralGridOn = [&](const ScreenRect& monitor) {
        const Image middle = display_->capture({monitor.left + 100, 100, monitor.left + 300, 300});
        return middle.count({0, 0, middle.width, middle.height}, Rgb{0, 0, 0}) > middle.width * middle.height * 8 / 10;
    };

    // Only the ".jpg": the grid follows the projection to the third monitor.
    ASSERT_EQ(runCommand({"convert", folder_.path() + "/assets/gradil.png", folder_.path() + "/assets/gradil.jpg"})
                  .exitCode,
              0);
    folder_.remove("assets/gradil.png");
    startWithPanelOpen();
    ASSERT_TRUE(eventually([&] { return orangeFrameOn(kSecondMonitor); }));
    pickEntry("Saida", 2, 3);
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelProj")->rect == kThirdMonitor; }));
    EXPECT_TRUE(eventually([&] { return orangeFrameOn(kThirdMonitor); })) << "the grid vanished";
    EXPECT_EQ(count(log(), "[LOG] Tentando fallback: assets/gradil.jpg"), 2u) << log();
    program_->requestExit();
    ASSERT_EQ(program_->waitForExit(), 0);

    // No grid picture at all: the procedural grid, again after the change.
    folder_.remove("assets/gradil.jpg");
    startWithPanelOpen();
    ASSERT_TRUE(eventually([&] { return proceduralGridOn(kThirdMonitor); }));
    pickEntry("Saida", 1, 3);
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelProj")->rect == kSecondMonitor; }));
    EXPECT_TRUE(eventually([&] { return proceduralGridOn(kSecondMonitor); })) << "the grid vanished";
    EXPECT_EQ(count(log(), "[LOG] Usando gradil procedural (fallback final)"), 2u) << log();
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

// A display of its own: the test unplugs a monitor.
class PanelWhileUnplugging : public Panel {};

TEST_F(PanelWhileUnplugging, ARemovedMonitorLeavesBothListsAndTheProjectionFollows)
{
    folder_.writeFile("config.json", R"({"outputMonitor": 2})");
    startWithPanelOpen();
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelProj")->rect == kThirdMonitor; }));
    float threeRows = 0.0f, twoRows = 0.0f;
    pickEntry("Captura", 0, 3, &threeRows); // the current entry: nothing changes

    display_->removeMonitor(2);
    ASSERT_TRUE(wine_->followDisplays());
    ASSERT_TRUE(eventually([&] { return log().find("[LOG] Display change detectado pelo Windows!") != std::string::npos; }));
    EXPECT_TRUE(eventually([&] { return !wine_->window("OstrelProj")->visible; })) << "its monitor is gone";

    // Both lists now hold two monitors: one row fewer than before.
    pickEntry("Captura", 0, 2, &twoRows);
    const float row = (threeRows - 2 * 8.0f + 4.0f) / 3.0f;
    EXPECT_NEAR(threeRows - twoRows, row, 2.0f) << threeRows << " " << twoRows;
    pickEntry("Saida", 1, 2);
    EXPECT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj");
        return projection->visible && projection->rect == kSecondMonitor;
    }));
    EXPECT_TRUE(eventually([&] { return config().find("\"outputMonitor\": 1,") != std::string::npos; })) << config();

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(PanelWhileUnplugging, AnUnpluggedProjectorHidesOnlyItsOutput)
{
    folder_.writeFile("config.json", R"({"outputMonitor": 2, "extraOutputs": [{"outputMonitor": 1, "corners": [
        {"x": -1, "y": 1}, {"x": 1, "y": 1}, {"x": -1, "y": -1}, {"x": 1, "y": -1}]}]})");
    program_ = std::make_unique<OstrelProcess>(*wine_, folder_);
    ASSERT_TRUE(program_->waitUntilStarted()) << program_->output();
    ASSERT_TRUE(eventually([&] {
        const auto first = wine_->window("OstrelProj|Ostrel Projection");
        const auto second = wine_->window("OstrelProj|Ostrel Projection 2");
        return first && second && first->visible && second->visible && first->rect == kThirdMonitor &&
               second->rect == kSecondMonitor;
    }));
    display_->removeMonitor(2);
    ASSERT_TRUE(wine_->followDisplays());
    EXPECT_TRUE(eventually([&] { return !wine_->window("OstrelProj|Ostrel Projection")->visible; }));
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    const auto second = wine_->window("OstrelProj|Ostrel Projection 2");
    EXPECT_TRUE(second->visible && second->rect == kSecondMonitor) << "the other projector kept its output";
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(Panel, MostrarCursorDrawsThePointerOverThePictureAndIsSavedOnlyWhileOn)
{
    startWithPanelOpen();
    // A spot of the panel where nothing is drawn, and where the projection shows it (1024 x 768 onto
    // 800 x 600): with the setting on, the arrow's white shows there.
    const int x = clientLeft_ + 300, y = clientTop_ + 440;
    const ScreenRect shown{kSecondMonitor.left + x * 800 / 1024 - 3, y * 600 / 768 - 3,
                           kSecondMonitor.left + x * 800 / 1024 + 30, y * 600 / 768 + 30};
    const auto whitePixels = [&] {
        const Image image = display_->capture(shown);
        int found = 0;
        for (const Rgb& p : image.pixels)
            found += (p.r > 220 && p.g > 220 && p.b > 220) ? 1 : 0;
        return found;
    };
    display_->moveCursor(x, y);
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(whitePixels(), 0) << "off: neither capture holds the pointer";

    clickWidget("MOSTRAR CURSOR");
    ASSERT_TRUE(eventually([&] { return config().find("\"showCursor\": true,") != std::string::npos; })) << config();
    display_->moveCursor(x, y);
    EXPECT_TRUE(eventually([&] { return whitePixels() > 10; })) << "the pointer is not on the projection";

    clickWidget("MOSTRAR CURSOR");
    ASSERT_TRUE(eventually([&] { return config().find("showCursor") == std::string::npos; })) << config();
    display_->moveCursor(x, y);
    ASSERT_TRUE(program_->waitForPasses(e2e::kQuietPasses));
    EXPECT_EQ(whitePixels(), 0) << "off again";
    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

// A surface added, chosen by a click on the projection, its corner dragged, moved down in the drawing
// order and removed; a mask added, a point added by a double click on its edge, dragged and deleted.
// config.json follows every step.
TEST_F(Panel, SurfacesAndMasksAreEditedOnTheProjectionAndSaved)
{
    // The operator's double-click time, generous: under a loaded machine a pass can take a tenth of a
    // second, and each press and release here lasts two of them.
    wine_->wine({"reg", "add", "HKCU\\Control Panel\\Mouse", "/v", "DoubleClickSpeed", "/t", "REG_SZ", "/d", "3000", "/f"});
    startWithPanelOpen();
    switchToTab("Mapeamento", "ADICIONAR SUPERFICIE");
    const int left = kSecondMonitor.left;
    const auto drag = [&](int fromX, int fromY, int toX, int toY) {
        display_->moveCursor(left + fromX, fromY);
        ASSERT_TRUE(program_->waitForPasses(2));
        display_->pressButton(1);
        ASSERT_TRUE(program_->waitForPasses(2));
        for (int step = 1; step <= 5; ++step) {
            display_->moveCursor(left + fromX + (toX - fromX) * step / 5, fromY + (toY - fromY) * step / 5);
            ASSERT_TRUE(program_->waitForPasses(1));
        }
        display_->releaseButton(1);
        ASSERT_TRUE(program_->waitForPasses(2));
    };
    const auto configHas = [&](const std::string& text) {
        return eventually([&] { return config().find(text) != std::string::npos; });
    };

    clickWidget("ADICIONAR SUPERFICIE");
    ASSERT_TRUE(configHas("\"surfaces\": [")) << config();
    EXPECT_EQ(count(config(), "-0.5"), 4u) << "the middle quarter: " << config();
    // The first surface chosen again in the panel, then the new one by a click inside it, away from every
    // handle: its top-left handle at (200, 150) is the one dragged.
    pickEntry("Superficie editada", 0, 2);
    ASSERT_TRUE(program_->click(left + 420, 330));
    drag(200, 150, 100, 75);
    ASSERT_TRUE(configHas("\"x\": -0.75,")) << config();
    const std::string moved = config();
    EXPECT_EQ(moved.find("\"x\": -0.75,"), moved.rfind("\"x\": -0.75,"));
    EXPECT_GT(moved.find("\"x\": -0.75,"), moved.find("\"surfaces\"")) << "the first surface stays whole: " << moved;
    // Down in the order, it is the first surface, in the top-level corners.
    clickWidget("DESCER");
    ASSERT_TRUE(eventually([&] { return config().find("\"x\": -0.75,") < config().find("\"surfaces\""); })) << config();
    clickWidget("REMOVER SUPERFICIE");
    ASSERT_TRUE(eventually([&] { return config().find("surfaces") == std::string::npos; })) << config();
    EXPECT_EQ(config().find("-0.75"), std::string::npos) << "the edited surface was the one removed";

    clickWidget("ADICIONAR MASCARA");
    ASSERT_TRUE(configHas("\"masks\": [")) << config();
    EXPECT_EQ(count(config(), "\"x\": "), 8u) << "four corners and the mask's four points";
    // A double click on the mask's bottom edge (y 400 of 600) adds a point there.
    display_->moveCursor(left + 400, 400);
    ASSERT_TRUE(program_->waitForPasses(2));
    for (int press = 0; press < 2; ++press) {
        display_->pressButton(1);
        ASSERT_TRUE(program_->waitForPasses(2));
        display_->releaseButton(1);
        ASSERT_TRUE(program_->waitForPasses(2));
    }
    ASSERT_TRUE(eventually([&] { return count(config(), "\"x\": ") == 9u; })) << config();
    drag(400, 400, 400, 480);
    ASSERT_TRUE(configHas("\"y\": -0.6")) << config();
    // The projection has the keys since the drag began on it: Delete takes the point just dragged.
    ASSERT_TRUE(eventually([&] {
        const auto projection = wine_->window("OstrelProj|Ostrel Projection");
        return projection && projection->foreground;
    }));
    ASSERT_TRUE(program_->tapKey("Delete"));
    ASSERT_TRUE(eventually([&] { return count(config(), "\"x\": ") == 8u; })) << config();
    EXPECT_EQ(config().find("\"y\": -0.6"), std::string::npos) << config();
    clickWidget("REMOVER MASCARA");
    ASSERT_TRUE(eventually([&] { return config().find("masks") == std::string::npos; })) << config();
    EXPECT_EQ(count(config(), ":"), 13u) << "today's file again";

    program_->requestExit();
    EXPECT_EQ(program_->waitForExit(), 0);
}

namespace {

constexpr uint32_t WM_SYSCOMMAND = 0x0112;
// SC_MOVE with HTCAPTION in its low bits: what the default procedure makes of a press on the title bar.
constexpr uint64_t kMoveByTitleBar = 0xF012;
// Right of the panel on the captured first monitor.
const ScreenRect kPictureArea{560, 0, 1024, 768};

// Whether the projector (the second monitor, the whole first monitor mapped onto it) shows the test
// picture's white bar at `phase`: five pixels across its middle, on a row between the picture's grid lines,
// so that a thin line of the picture's or of the calibration grid is not taken for it.
bool barShownOnProjector(const VirtualDisplay& display, double phase)
{
    const double captured = kPictureArea.left + TestPicture::barCentre(kPictureArea.width(), phase);
    const int x = kSecondMonitor.left + static_cast<int>(captured * kSecondMonitor.width() / kFirstMonitor.width());
    const Image span = display.capture({x - 2, 275, x + 3, 276});
    int darkest = 0;
    for (const Rgb& p : span.pixels)
        darkest += std::min({p.r, p.g, p.b});
    return darkest > 200 * 5;
}

int differingPixels(const Image& a, const Image& b)
{
    int differing = 0;
    for (std::size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i)
        differing += a.pixels[i] == b.pixels[i] ? 0 : 1;
    return differing;
}

} // namespace

// The tray menu and the panel's move loop are loops of the system's own, in which the main loop makes no
// pass: the projection must stay live through them. A resized panel is drawn at its size.
TEST_F(Panel, TheProjectionStaysLiveInTheTrayMenuAndWhileThePanelIsDraggedAndASizedPanelIsDrawnAtItsSize)
{
    startWithPanelOpen();
    auto picture = std::make_unique<TestPicture>(display_->x(), kPictureArea);
    picture->draw(0.2);
    ASSERT_TRUE(eventually([&] { return barShownOnProjector(*display_, 0.2); })) << "the picture never reached the projector";

    // The tray menu held open for three seconds while the picture changes.
    const auto tray = display_->findWindow("Wine System Tray");
    ASSERT_TRUE(tray && tray->viewable) << "no notification area";
    const int side = tray->area.height();
    display_->click(tray->area.left + side / 2, tray->area.top + side / 2, 3);
    const auto menuOpen = [&] {
        const auto menu = wine_->window("#32768");
        return menu && menu->visible;
    };
    ASSERT_TRUE(eventually(menuOpen)) << "the tray menu did not open";
    const uint64_t passesBeforeMenu = program_->passCount().value_or(0);
    picture->draw(0.8);
    EXPECT_TRUE(eventually([&] { return barShownOnProjector(*display_, 0.8) && !barShownOnProjector(*display_, 0.2); }, 3s))
        << "the projection froze while the menu was open";
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(menuOpen()) << "the menu closed before the end";
    EXPECT_GE(program_->passCount().value_or(0), passesBeforeMenu + 10) << "no passes inside the menu's loop";
    display_->tapKey("Escape");
    ASSERT_TRUE(eventually([&] { return !menuOpen(); })) << "the menu stayed open";

    // The panel held by its title bar and dragged down: the system's move loop, as a press on the title bar
    // starts it, while the picture changes.
    const auto control = wine_->window("OstrelControl");
    ASSERT_TRUE(control);
    const int grabX = control->clientLeft + 220, grabY = control->clientTop + 640;
    display_->moveCursor(grabX, grabY);
    ASSERT_TRUE(program_->waitForPasses(2));
    display_->pressButton(1);
    ASSERT_TRUE(program_->waitForPasses(2));
    ASSERT_TRUE(wine_->post("OstrelControl", WM_SYSCOMMAND, kMoveByTitleBar, (grabY << 16) | grabX));
    const uint64_t passesBeforeDrag = program_->passCount().value_or(0);
    for (int step = 1; step <= 10; ++step) {
        std::this_thread::sleep_for(100ms);
        display_->moveCursor(grabX, grabY + 4 * step);
    }
    picture->draw(0.5);
    EXPECT_TRUE(eventually([&] { return barShownOnProjector(*display_, 0.5) && !barShownOnProjector(*display_, 0.8); }, 3s))
        << "the projection froze while the panel was held";
    EXPECT_GE(program_->passCount().value_or(0), passesBeforeDrag + 10) << "no passes inside the move loop";
    display_->releaseButton(1);
    EXPECT_TRUE(eventually([&] { return wine_->window("OstrelControl")->rect.top == control->rect.top + 40; }))
        << "the panel was not dragged";

    // Sized wider and taller: drawn at its size, its widgets where they were and as sharp, and a click lands
    // on what it shows.
    picture.reset();
    openThePanel();
    const Box tab = layout()["Monitoramento"];
    const ScreenRect tabArea{clientLeft_ + static_cast<int>(tab.left), clientTop_ + static_cast<int>(tab.top),
                             clientLeft_ + static_cast<int>(tab.right), clientTop_ + static_cast<int>(tab.bottom)};
    const Image tabBefore = display_->capture(tabArea);
    const auto placed = wine_->window("OstrelControl");
    ASSERT_TRUE(wine_->move("OstrelControl", {placed->rect.left, 0, placed->rect.left + 760, 760}));
    ASSERT_TRUE(eventually([&] { return wine_->window("OstrelControl")->clientWidth >= 700; }));
    openThePanel();
    ASSERT_TRUE(program_->waitForPasses(5));
    const Box movedTab = layout()["Monitoramento"];
    const ScreenRect movedArea{clientLeft_ + static_cast<int>(movedTab.left), clientTop_ + static_cast<int>(movedTab.top),
                               clientLeft_ + static_cast<int>(movedTab.right), clientTop_ + static_cast<int>(movedTab.bottom)};
    ASSERT_EQ(movedArea.width(), tabArea.width());
    EXPECT_LE(differingPixels(display_->capture(movedArea), tabBefore), tabArea.width() * tabArea.height() / 50)
        << "the tab is not drawn as it was: the panel was stretched";
    switchToTab("Apresentacao", "TELA PRETA");
}
