// The real program's main job under Wine: how long a change on the capture monitor takes to reach the
// projector, and whether its memory grows over thousands of passes.
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

    // Pass rate over five seconds.
    passes.poll();
    const auto rateStart = Clock::now();
    const long counted = passes.waitFor(1L << 40, std::chrono::seconds(5));
    const double passMs =
        std::chrono::duration<double, std::milli>(Clock::now() - rateStart).count() / static_cast<double>(counted);

    // Latency: the bar jumps on the first monitor; the time until its middle row turns white on the
    // projector (identity warp: 1024x768 shown on 800x600), over 20 jumps.
    std::vector<double> latencies, latencyPasses;
    for (int change = 0; change < 20; ++change) {
        const double phase = (change % 2) ? 0.2 : 0.8;
        const int x = 1024 + static_cast<int>(TestPicture::barCentre(1024, phase) * 800.0 / 1024.0);
        passes.poll();
        const long before = passes.poll();
        const auto start = Clock::now();
        picture.draw(phase);
        while (!whiteAt(display, x, 300) && Clock::now() - start < std::chrono::seconds(5))
            passes.poll();
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        latencyPasses.push_back(static_cast<double>(passes.poll() - before));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::nth_element(latencies.begin(), latencies.begin() + 10, latencies.end());
    std::nth_element(latencyPasses.begin(), latencyPasses.begin() + 10, latencyPasses.end());
    std::printf("capture-to-projection latency (Wine, GDI capture, 1024x768 onto 800x600): median %.1f ms, "
                "%.0f passes; one pass takes %.1f ms (%.1f passes per second) (aim: on the projector in the pass "
                "after the one that captured it, 2 passes)\n",
                latencies[10], latencyPasses[10], passMs, 1000.0 / passMs);
    printTableRow("Capture-to-projection latency, median of 20 changes of the capture monitor",
                  "Wine, GDI capture of 1024x768 onto an 800x600 projector", "on the projector the pass after the capture (2 passes)",
                  "%.0f ms, %.0f passes", latencies[10], latencyPasses[10]);

    // Memory over a long run: after 200 and after 5,000 passes with the projector.
    const auto reach = [&](long target) {
        while (passes.poll() < target)
            passes.waitFor(target - passes.poll(), std::chrono::seconds(600));
    };
    const long origin = passes.poll();
    reach(origin + 200);
    const long rss200 = statusKiB(program.pid(), "VmRSS:"), anon200 = statusKiB(program.pid(), "RssAnon:");
    reach(origin + 5000);
    const long rss5000 = statusKiB(program.pid(), "VmRSS:"), anon5000 = statusKiB(program.pid(), "RssAnon:");
    std::printf("memory after 200 passes: resident %ld KiB (anonymous %ld KiB); after 5,000: resident %ld KiB "
                "(anonymous %ld KiB); growth %+ld KiB (target: no growth)\n",
                rss200, anon200, rss5000, anon5000, anon5000 - anon200);
    printTableRow("Memory of the program from 200 to 5,000 passes", "Wine, projector 800x600, panel hidden",
                  "no growth", "%ld KiB resident, private %+ld KiB", rss5000, anon5000 - anon200);

    program.requestExit();
    program.waitForExit();
    return 0;
}
