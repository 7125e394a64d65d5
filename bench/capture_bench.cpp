// The real program's main job under Wine: its pass rate while the capture monitor changes all the time,
// how long a change takes to reach the projector, and whether its memory grows over thousands of passes.
// A still desktop is not drawn again, so every count of redraws here runs with the picture moving.
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "app_folder.h"
#include "ostrel_process.h"
#include "process_status.h"
#include "table_row.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"
#include "x_redraws.h"

using namespace harness;
using Clock = std::chrono::steady_clock;

namespace {

const ScreenRect kFirstMonitor{0, 0, 1024, 768};

bool whiteAt(const VirtualDisplay& display, int x, int y)
{
    const Rgb p = display.pixel(x, y);
    return std::min({p.r, p.g, p.b}) > 200;
}

} // namespace

int main()
{
    VirtualDisplay display(MonitorLayout::twoMonitors());
    WineSession wine(display);
    AppFolder folder;
    TestPicture picture(display.x(), kFirstMonitor);
    picture.draw(0.0);
    OstrelProcess program(wine, folder);
    if (!program.waitUntilStarted()) {
        std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
        return 1;
    }
    picture.draw(0.0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto projection = display.findWindow("Ostrel Projection");
    if (!projection)
        return 1;
    RedrawCounter passes(display.x(), projection->id);
    // The bar moves a little with every call, more often than the program makes passes, so each pass has a
    // new picture; no more often, since the X server drawing it shares the two cores with the program.
    double animatedPhase = 0.0;
    const auto moveThePicture = [&] {
        animatedPhase = animatedPhase > 0.95 ? 0.05 : animatedPhase + 0.01;
        picture.draw(animatedPhase);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    };

    // Pass rate over five seconds of a changing desktop: one redraw per pass.
    const long rateOrigin = passes.poll();
    const auto rateStart = Clock::now();
    while (Clock::now() - rateStart < std::chrono::seconds(5)) {
        moveThePicture();
        passes.poll();
    }
    const long counted = passes.poll() - rateOrigin;
    const double passMs =
        std::chrono::duration<double, std::milli>(Clock::now() - rateStart).count() / static_cast<double>(counted);

    // Latency: the bar jumps on the first monitor; the time until its middle row turns white on the
    // projector (identity warp: 1024x768 shown on 800x600), over 20 jumps.
    // In passes: the time over the pass time of a changing desktop (a still one makes no redraws to count).
    std::vector<double> latencies, latencyPasses;
    for (int change = 0; change < 20; ++change) {
        const double phase = (change % 2) ? 0.2 : 0.8;
        const int x = 1024 + static_cast<int>(TestPicture::barCentre(1024, phase) * 800.0 / 1024.0);
        const auto start = Clock::now();
        picture.draw(phase);
        while (!whiteAt(display, x, 300) && Clock::now() - start < std::chrono::seconds(5))
            passes.poll();
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        latencyPasses.push_back(latencies.back() / passMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::nth_element(latencies.begin(), latencies.begin() + 10, latencies.end());
    std::nth_element(latencyPasses.begin(), latencyPasses.begin() + 10, latencyPasses.end());
    std::printf("capture-to-projection latency (Wine, GDI capture, 1024x768 onto 800x600): median %.1f ms, "
                "%.1f passes; with the desktop changing, one pass takes %.1f ms (%.1f passes per second) (aim: on "
                "the projector in the pass after the one that captured it, 2 passes)\n",
                latencies[10], latencyPasses[10], passMs, 1000.0 / passMs);
    printTableRow("Passes per second with the projector, the desktop changing every pass",
                  "Wine, software rendering, GDI capture of 1024x768 onto an 800x600 projector",
                  "no slower than before (40 passes per second)", "%.0f passes per second (%.1f ms a pass)",
                  1000.0 / passMs, passMs);
    printTableRow("Capture-to-projection latency, median of 20 changes of the capture monitor",
                  "Wine, GDI capture of 1024x768 onto an 800x600 projector",
                  "on the projector the pass after the capture (2 passes; before: 61 ms, 2 passes)",
                  "%.0f ms, %.1f passes", latencies[10], latencyPasses[10]);

    // Memory over a long run: after 200 and after 5,000 passes with the projector.
    const auto reach = [&](long target) {
        while (passes.poll() < target)
            moveThePicture();
    };
    const long origin = passes.poll();
    reach(origin + 200);
    const long rss200 = statusKiB(program.pid(), "VmRSS:"), anon200 = statusKiB(program.pid(), "RssAnon:");
    reach(origin + 5000);
    const long rss5000 = statusKiB(program.pid(), "VmRSS:"), anon5000 = statusKiB(program.pid(), "RssAnon:");
    std::printf("memory after 200 passes: resident %ld KiB (anonymous %ld KiB); after 5,000: resident %ld KiB "
                "(anonymous %ld KiB); growth %+ld KiB (target: no growth)\n",
                rss200, anon200, rss5000, anon5000, anon5000 - anon200);
    printTableRow("Memory of the program from 200 to 5,000 passes", "Wine, projector 800x600, panel hidden, desktop changing",
                  "no growth", "%ld KiB resident, private %+ld KiB", rss5000, anon5000 - anon200);

    program.requestExit();
    program.waitForExit();
    return 0;
}
