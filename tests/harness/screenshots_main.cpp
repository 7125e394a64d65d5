// ostrel-screenshots FOLDER: runs the real program on a virtual display of three monitors with the test
// picture on the first and two projectors side by side (a keystone with a bent mesh, and a second output,
// blended into each other), opens its panel, and saves "projection.png" (both projectors) and "panel.png"
// in FOLDER; then again with one projector mapping the three faces of a box with a feathered mask, for
// "box.png", "panel-mapping.png", "panel-show.png", "panel-camera.png" and "panel-setups.png".
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "app_folder.h"
#include "ostrel_process.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;

namespace {

bool savePng(const Image& image, const std::string& path)
{
    const std::string raw = path + ".ppm";
    {
        std::ofstream out(raw, std::ios::binary);
        out << "P6\n" << image.width << " " << image.height << "\n255\n";
        for (const Rgb& p : image.pixels)
            out.put(static_cast<char>(p.r)).put(static_cast<char>(p.g)).put(static_cast<char>(p.b));
    }
    const bool converted = runCommand({"convert", raw, path}).exitCode == 0;
    std::remove(raw.c_str());
    return converted;
}

// The top, front and right faces of a box, each showing its own quarter of the picture, and a feathered
// mask over part of the front face, chosen in the panel.
constexpr const char* kBoxConfig =
    R"({"corners":[{"x":-0.6,"y":0.9},{"x":0.4,"y":0.9},{"x":-0.8,"y":0.4},{"x":0.2,"y":0.4}],)"
    R"("source":{"left":0.5,"top":0,"right":1,"bottom":0.5},"surfaces":[)"
    R"({"corners":[{"x":-0.8,"y":0.4},{"x":0.2,"y":0.4},{"x":-0.8,"y":-0.8},{"x":0.2,"y":-0.8}],)"
    R"("source":{"left":0,"top":0.5,"right":0.5,"bottom":1}},)"
    R"({"corners":[{"x":0.2,"y":0.4},{"x":0.4,"y":0.9},{"x":0.2,"y":-0.8},{"x":0.4,"y":-0.3}],)"
    R"("source":{"left":0.5,"top":0.5,"right":1,"bottom":1}}],)"
    R"("masks":[{"points":[{"x":-0.6,"y":0.1},{"x":0,"y":0.1},{"x":0,"y":-0.5},{"x":-0.6,"y":-0.5}],"feather":40}]})";

// The box on the second monitor with the panel open (the mask's outline and the edited surface's
// handles drawn), and the panel's mapping tab.
bool takeBox(const VirtualDisplay& display, const WineSession& wine, const std::string& folder)
{
    AppFolder app;
    app.writeFile("config.json", kBoxConfig);
    app.writeFile("presets/Caixa no palco.json", kBoxConfig);
    app.writeFile("presets/Ensaio geral.json", kBoxConfig);
    app.writeFile("presets/Versao antiga.json", "{\"corners\": [");
    // A camera looking at the box's projector from below and to the left, for the camera's tab.
    app.writeFile("camera-standin.json",
                  R"({"width": 640, "height": 480, "gain": 0.8, "offset": 10, "noise": 2, "blur": 1, "views": [)"
                  R"({"monitor": 1, "homography": [0.52, 0.06, 70, -0.03, 0.55, 60, 0.00002, 0.00004, 1]}]})");
    auto picture = std::make_unique<TestPicture>(display.x(), ScreenRect{0, 0, 1024, 768});
    picture->draw(0.3);
    OstrelProcess program(wine, app);
    if (!program.waitUntilStarted())
        return false;
    wine.post("OstrelControl", 0x0111, 2001, 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto control = wine.window("OstrelControl");
    // The second tab, where the tab bar puts it at the panel's font size.
    display.click(control->clientLeft + 133, control->clientTop + 70);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    picture->draw(0.3);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Image box = display.capture({1024, 0, 1824, 600});
    picture.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Image mapping = display.capture(control->rect);
    // The third tab, the show's switches, the pattern and the colour matching.
    display.click(control->clientLeft + 215, control->clientTop + 70);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Image show = display.capture(control->rect);
    // The fourth tab, the camera: its live picture with the target over it, when a camera is there.
    display.click(control->clientLeft + 279, control->clientTop + 70);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Image camera = display.capture(control->rect);
    // The fifth tab, the saved setups, one of them damaged.
    display.click(control->clientLeft + 349, control->clientTop + 70);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Image setups = display.capture(control->rect);
    const bool saved = savePng(box, folder + "/box.png") && savePng(mapping, folder + "/panel-mapping.png") &&
                       savePng(show, folder + "/panel-show.png") && savePng(camera, folder + "/panel-camera.png") &&
                       savePng(setups, folder + "/panel-setups.png");
    program.requestExit();
    program.waitForExit();
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel-screenshots FOLDER\n");
        return 64;
    }
    const std::string folder = argv[1];
    VirtualDisplay display(MonitorLayout::threeMonitors());
    WineSession wine(display);
    AppFolder app;
    // The left 60 % of the picture through a keystone with a 3 x 3 mesh whose middle row bows down; the
    // right 60 % on the third monitor; the 20 % they share blended.
    app.writeFile("config.json", R"({"corners":[{"x":-0.7,"y":0.85},{"x":0.75,"y":0.95},{"x":-0.9,"y":-0.8},{"x":0.85,"y":-0.9}],)"
                                 R"("mesh":{"columns":3,"rows":3,"offsets":[{"u":0,"v":0},{"u":0,"v":-0.06},{"u":0,"v":0},)"
                                 R"({"u":0.04,"v":0.05},{"u":0,"v":0.08},{"u":-0.04,"v":0.05},{"u":0,"v":0},{"u":0,"v":0.06},{"u":0,"v":0}]},)"
                                 R"("source":{"left":0,"top":0,"right":0.6,"bottom":1},"blend":{"right":0.333},)"
                                 R"("extraOutputs":[{"outputMonitor":2,"corners":[{"x":-0.9,"y":0.9},{"x":0.9,"y":0.8},{"x":-0.85,"y":-0.9},{"x":0.95,"y":-0.85}],)"
                                 R"("source":{"left":0.4,"top":0,"right":1,"bottom":1},"blend":{"left":0.333}}]})");
    auto picture = std::make_unique<TestPicture>(display.x(), ScreenRect{0, 0, 1024, 768});
    picture->draw(0.3);
    OstrelProcess program(wine, app);
    if (!program.waitUntilStarted())
        return 1;
    wine.post("OstrelControl", 0x0111, 2001, 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    picture->draw(0.3);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    // The projection with the picture captured from the first monitor; then the picture goes, and the
    // panel it covered is taken.
    const Image projection = display.capture({1024, 0, 2624, 600});
    picture.reset();
    const auto control = wine.window("OstrelControl");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Image panel = display.capture(control->rect);
    bool saved = savePng(projection, folder + "/projection.png") && savePng(panel, folder + "/panel.png");
    program.requestExit();
    program.waitForExit();
    saved = saved && takeBox(display, wine, folder);
    std::printf("%s the screenshots in %s\n", saved ? "saved" : "could not save", folder.c_str());
    return saved ? 0 : 1;
}
