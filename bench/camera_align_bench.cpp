// Alignment from the stand-in camera, on the real program under Wine: a slanted projector, the same on a
// bulging wall, and two projectors overlapping by a fifth, each aligned by the desk's /ostrel/camera/align.
// Printed: where the aligned pictures land on the camera against the target (corners and inner markers,
// by the warp's own model from config.json), how even a white picture through two blended projectors is
// as the camera sees the real screen, and the time from the command to the result per output.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app_folder.h"
#include "camera_scenes.h"
#include "desk_socket.h"
#include "osc_writing.h"
#include "ostrel_process.h"
#include "table_row.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using namespace osc;
using namespace e2e;

namespace {

const char* kOnWhat = "Wine, stand-in camera 640x480 (noise 2, blur 1) reading 800x600 projectors off the screen";

struct Run {
    SettingsValues saved;
    std::string line;
    bool aligned = false;
};

// The program started on the scene, aligned by the desk, and what it saved; the program keeps running
// until `whileRunning` returns.
template <typename Then>
Run alignOnce(const WineSession& wine, const CameraScene& scene, Then whileRunning)
{
    AppFolder folder;
    SettingsValues values = settingsFor(scene);
    const auto port = freeUdpPort(static_cast<uint16_t>(30000 + getpid() % 20000));
    Run run;
    if (!port)
        return run;
    values.remote.port = *port;
    folder.writeFile("camera-standin.json", standInJson(scene));
    folder.writeFile("config.json", settingsFileBytes(values));
    OstrelProcess program(wine, folder);
    DeskSocket desk(*port);
    if (!program.waitUntilStarted())
        return run;
    const auto waitFor = [&](auto done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (!done(folder.readFile("debug.log").value_or("")) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    };
    waitFor([](const std::string& log) { return log.find("escutando na porta") != std::string::npos; });
    desk.send(packet("/ostrel/camera/align"));
    std::vector<std::string> lines;
    waitFor([&](const std::string& log) { return !(lines = alignmentLinesIn(log)).empty(); });
    if (!lines.empty()) {
        run.line = lines.front();
        run.aligned = run.line.find("saidas alinhadas") != std::string::npos;
        readSettingsText(folder.readFile("config.json").value_or(""), run.saved);
        whileRunning(desk);
    }
    program.requestExit();
    program.waitForExit();
    return run;
}

} // namespace

int main()
{
    VirtualDisplay display(MonitorLayout::threeMonitors());
    WineSession wine(display);
    const auto nothing = [](DeskSocket&) {};

    const CameraScene slanted = slantedScene();
    const Run flat = alignOnce(wine, slanted, nothing);
    std::printf("Slanted projector: %s\n", flat.line.c_str());
    if (flat.aligned) {
        const Placement placement = placementOf(slanted, slanted.views[0], flat.saved.outputs.front());
        std::printf("  picture corners against the target: mean %.2f, worst %.2f camera pixels\n", placement.meanCorner,
                    placement.worstCorner);
        printTableRow("Picture corners against the target after camera alignment, one slanted projector", kOnWhat,
                      "at most 1 mean, 2 worst", "%.2f mean, %.2f worst camera pixels", placement.meanCorner,
                      placement.worstCorner);
        printTableRow("Time from the alignment command to its result, per output", kOnWhat, "at most 20 s", "%.1f s",
                      secondsPerOutput(flat.line));
    }

    const CameraScene bent = bentWallScene();
    const Run mesh = alignOnce(wine, bent, nothing);
    std::printf("Bulging wall: %s\n", mesh.line.c_str());
    if (mesh.aligned) {
        const Placement placement = placementOf(bent, bent.views[0], mesh.saved.outputs.front());
        std::printf("  mesh %dx%d; 81 inner markers, worst %.2f; corners worst %.2f camera pixels\n",
                    mesh.saved.outputs.front().surfaces.front().mesh.columns,
                    mesh.saved.outputs.front().surfaces.front().mesh.rows, placement.worstMarker, placement.worstCorner);
        printTableRow("Markers inside the picture against the target after camera alignment, bulging wall", kOnWhat,
                      "at most 2", "%.2f worst camera pixels", placement.worstMarker);
    }

    const CameraScene pair = overlappingScene();
    double unevenness = -1.0;
    const Run blended = alignOnce(wine, pair, [&](DeskSocket& desk) {
        desk.send(packet("/ostrel/pattern", {text("white")}));
        // The lowest of a few looks, once the white has reached both projectors.
        for (int look = 0; look < 20; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            const double now = unevennessInside(pair, display, 8);
            unevenness = unevenness < 0.0 ? now : std::min(unevenness, now);
        }
    });
    std::printf("Two overlapping projectors: %s\n", blended.line.c_str());
    if (blended.aligned) {
        std::printf("  white through both, as the camera sees it: %.1f %% from its mean at most\n", unevenness * 100.0);
        printTableRow("Evenness of a white picture across two camera-aligned projectors overlapping by a fifth",
                      kOnWhat, "within 8 % of its mean", "%.1f %% from the mean at most", unevenness * 100.0);
    }
    return flat.aligned && mesh.aligned && blended.aligned ? 0 : 1;
}
