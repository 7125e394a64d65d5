// A long run of the real program under Wine with the projector and the panel open: private memory,
// kernel handles and GDI objects printed at intervals, and how much each grew after the warm-up.
// With --check it ends with a failure when one of them keeps growing: a leak of one object or one
// kilobyte a pass shows here as thousands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "app_folder.h"
#include "ostrel_process.h"
#include "process_status.h"
#include "table_row.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"
#include "x_redraws.h"

using namespace harness;

namespace {

// Small monitors keep a pass cheap under software rendering, so that 20,000 passes take about three
// minutes; what a pass creates and frees does not depend on the sizes. The first monitor still holds the
// whole panel (440x560 at (100, 100)).
const MonitorLayout kSoakLayout{720, 680, {{0, 0, 560, 680}, {560, 0, 720, 120}}};
const ScreenRect kFirstMonitor = kSoakLayout.monitors[0];
constexpr uint32_t kTrayMessage = 0x0400 + 1; // WM_USER + 1, the tray icon's callback message
constexpr int64_t kLeftButtonUp = 0x0202;     // WM_LBUTTONUP: the click that opens the panel

struct Sample {
    long passes = 0;
    long residentKiB = -1;
    long privateKiB = -1; // anonymous resident memory: what only this process holds
    long handles = -1;
    long gdiObjects = -1;
};

// Wine reports 0 for GetProcessMemoryInfo's private bytes and GetGuiResources, so memory comes from the
// kernel and the counts from wintool, which reads the system handle list and the GDI handle table.
Sample sample(const WineSession& wine, pid_t pid, long passes)
{
    Sample s;
    s.passes = passes;
    s.residentKiB = statusKiB(pid, "VmRSS:");
    s.privateKiB = statusKiB(pid, "RssAnon:");
    const ProcessCounts counts = wine.counts("OstrelControl");
    s.handles = counts.kernelHandles;
    s.gdiObjects = counts.gdiObjects;
    if (s.handles < 0 || s.gdiObjects < 0)
        std::fprintf(stderr, "wintool stats could not be read\n");
    return s;
}

void print(const Sample& s)
{
    std::printf("%8ld passes  resident %8ld KiB  private %8ld KiB  handles %5ld  GDI objects %5ld\n", s.passes,
                s.residentKiB, s.privateKiB, s.handles, s.gdiObjects);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    long totalPasses = 20000;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else
            totalPasses = std::atol(argv[i]);
    }
    const long interval = totalPasses / 10, warmUp = interval;

    VirtualDisplay display(kSoakLayout);
    WineSession wine(display);
    AppFolder folder;
    TestPicture picture(display.x(), kFirstMonitor);
    picture.draw(0.0);
    OstrelProcess program(wine, folder);
    if (!program.waitUntilStarted()) {
        std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
        return 1;
    }
    const auto projection = display.findWindow("Ostrel Projection");
    if (!projection) {
        std::fprintf(stderr, "no projection window\n");
        return 1;
    }
    wine.post("OstrelControl", kTrayMessage, 0, kLeftButtonUp);
    bool panelOpen = false;
    for (int tries = 0; tries < 50 && !panelOpen; ++tries) {
        const auto panel = wine.window("OstrelControl");
        panelOpen = panel && panel->visible;
        if (!panelOpen)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!panelOpen) {
        std::fprintf(stderr, "the panel did not open\n");
        return 1;
    }

    std::printf("soak: %ld passes of the real program under Wine (software rendering), projector 160x120, "
                "panel open, GDI capture of a changing 560x680 picture; sampled every %ld passes\n",
                totalPasses, interval);
    RedrawCounter passes(display.x(), projection->id);
    const auto started = std::chrono::steady_clock::now();
    Sample afterWarmUp, last;
    long step = 0;
    for (long target = interval; target <= totalPasses; target += interval) {
        while (passes.poll() < target) {
            // A picture that changes before every redraw waited for, by whole pixels: the program draws
            // only a new picture.
            picture.draw(static_cast<double>(++step % 97) / 97.0);
            passes.waitFor(1, std::chrono::seconds(60));
            if (!program.running()) {
                std::fprintf(stderr, "the program ended after %ld passes\n%s", passes.poll(), program.output().c_str());
                return 1;
            }
        }
        last = sample(wine, program.pid(), passes.poll());
        print(last);
        if (target == warmUp)
            afterWarmUp = last;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long privateGrowth = last.privateKiB - afterWarmUp.privateKiB;
    const long handleGrowth = last.handles - afterWarmUp.handles;
    const long gdiGrowth = last.gdiObjects - afterWarmUp.gdiObjects;
    std::printf("soak: %.0f s, %.1f passes per second; growth after the warm-up of %ld passes: private %+ld KiB, "
                "handles %+ld, GDI objects %+ld (target: flat)\n",
                seconds, static_cast<double>(last.passes) / seconds, warmUp, privateGrowth, handleGrowth, gdiGrowth);
    printTableRow("Soak: memory, handles and GDI objects after the warm-up", "Wine, 160x120 projector, panel open, 560x680 captured",
                  "flat", "%ld passes: %ld KiB private (%+ld), %ld handles (%+ld), %ld GDI objects (%+ld)", last.passes,
                  last.privateKiB, privateGrowth, last.handles, handleGrowth, last.gdiObjects, gdiGrowth);

    program.requestExit();
    const auto exitCode = program.waitForExit();
    if (!check)
        return 0;
    // Allocator and driver noise stays well under these; a per-pass leak does not.
    const bool counted = afterWarmUp.handles > 0 && afterWarmUp.gdiObjects > 0 && afterWarmUp.privateKiB > 0 &&
                         last.handles > 0 && last.gdiObjects > 0 && last.privateKiB > 0;
    const bool flat = privateGrowth <= 8 * 1024 && handleGrowth <= 16 && gdiGrowth <= 16;
    if (!counted)
        std::fprintf(stderr, "soak: a counter could not be read\n");
    if (!flat)
        std::fprintf(stderr, "soak: something grows with the passes\n");
    if (exitCode != 0)
        std::fprintf(stderr, "soak: the program did not end cleanly after the soak\n");
    return counted && flat && exitCode == 0 ? 0 : 1;
}
