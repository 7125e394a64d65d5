// The real program under Wine: processor time while it idles in the tray without a projector (with the
// test prefix's settings and with Wine's defaults), with its panel open and untouched, and with the
// projector on and the desktop still; and its passes while its tray menu is open.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "table_row.h"
#include "app_folder.h"
#include "ostrel_process.h"
#include "pair_ratios.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"
#include "x_redraws.h"

using namespace harness;
using Clock = std::chrono::steady_clock;

namespace {

// User and system time of a process, in seconds.
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto afterName = text.rfind(')');
    if (afterName == std::string::npos)
        return 0.0;
    std::istringstream fields(text.substr(afterName + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stoull(field);
        if (i == 15)
            system = std::stoull(field);
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The Wine server of a prefix: the process named wineserver whose environment names the prefix.
pid_t wineServerOf(const std::string& prefix)
{
    DIR* proc = opendir("/proc");
    pid_t found = 0;
    while (dirent* entry = readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream comm("/proc/" + pid + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("wineserver", 0) != 0)
            continue;
        std::ifstream environ("/proc/" + pid + "/environ");
        std::string variables((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
        if (variables.find("WINEPREFIX=" + prefix + '\0') != std::string::npos)
            found = static_cast<pid_t>(std::stoi(pid));
    }
    closedir(proc);
    return found;
}

struct Load {
    double programPercent;
    double serverPercent;
};

Load measureLoad(pid_t program, pid_t server, std::chrono::seconds span)
{
    const double programStart = cpuSeconds(program), serverStart = server ? cpuSeconds(server) : 0.0;
    std::this_thread::sleep_for(span);
    const double seconds = static_cast<double>(span.count());
    return {100.0 * (cpuSeconds(program) - programStart) / seconds,
            server ? 100.0 * (cpuSeconds(server) - serverStart) / seconds : 0.0};
}

// Whether the program started; when it did not, what Wine printed goes to standard error.
bool startedOrSaid(OstrelProcess& program)
{
    if (program.waitUntilStarted())
        return true;
    std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
    return false;
}

// One monitor, no projector: the program idles in the tray, then with its panel open and untouched.
// `wineDefaults`: with Wine's Direct3D command thread as a fresh prefix has it (on), not off as the
// test prefix keeps it.
bool measureWithoutProjector(bool wineDefaults)
{
    VirtualDisplay display(MonitorLayout::oneMonitor());
    WineSession wine(display);
    if (wineDefaults)
        wine.wine({"reg", "delete", "HKCU\\Software\\Wine\\Direct3D", "/v", "csmt", "/f"});
    AppFolder folder;
    OstrelProcess program(wine, folder);
    if (!startedOrSaid(program))
        return false;
    const char* setting = wineDefaults ? "Wine's default settings" : "Direct3D command thread off";
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const Load idle = measureLoad(program.pid(), wineServerOf(wine.prefix()), std::chrono::seconds(20));
    std::printf("idle in the tray, no projector, panel hidden (Wine, %s, 20 s): program %.2f %% of one core, "
                "Wine server %.2f %% (target: at most 1 %%)\n",
                setting, idle.programPercent, idle.serverPercent);
    const std::string what = std::string("CPU while idle in the tray: no projector, panel hidden, 20 s (") + setting + ")";
    printTableRow(what.c_str(),
                  "Wine, one 1024x768 monitor",
                  wineDefaults ? "at most 1 % of one core (before: 100 %)" : "at most 1 % of one core (before: 11.1 %)",
                  "%.2f %% of one core (Wine server %.2f %%)", idle.programPercent, idle.serverPercent);
    if (!wineDefaults) {
        wine.post("OstrelControl", 0x0111, 2001, 0); // WM_COMMAND "Abrir Painel"
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const Load panel = measureLoad(program.pid(), wineServerOf(wine.prefix()), std::chrono::seconds(20));
        std::printf("panel open and untouched, no projector (Wine, %s, 20 s): program %.2f %% of one core, Wine "
                    "server %.2f %% (target: at most 3 %%)\n",
                    setting, panel.programPercent, panel.serverPercent);
        printTableRow("CPU with the panel open and untouched, no projector, 20 s (Direct3D command thread off)",
                      "Wine, software rendering, one 1024x768 monitor", "at most 3 % of one core",
                      "%.2f %% of one core (Wine server %.2f %%)", panel.programPercent, panel.serverPercent);
    }
    program.requestExit();
    program.waitForExit();
    return true;
}

// Two monitors, the projector on and nothing changing on the captured one: each pass copies the screen,
// finds it equal to the last copy, and draws nothing.
bool measureStillDesktop()
{
    VirtualDisplay display(MonitorLayout::twoMonitors());
    WineSession wine(display);
    AppFolder folder(Program::LayoutProbe);
    OstrelProcess program(wine, folder);
    if (!startedOrSaid(program))
        return false;
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto projection = display.findWindow("Ostrel Projection");
    if (!projection)
        return false;
    RedrawCounter redraws(display.x(), projection->id);
    // The X server reports a window once when its damage is first watched: that report is not a redraw.
    redraws.waitFor(1, std::chrono::milliseconds(300));
    const long redrawsBefore = redraws.poll();
    const std::optional<uint64_t> passesBefore = program.passCount();
    const Load still = measureLoad(program.pid(), wineServerOf(wine.prefix()), std::chrono::seconds(10));
    const std::optional<uint64_t> passesAfter = program.passCount();
    const long redrawn = redraws.poll() - redrawsBefore;
    const double passRate = passesBefore && passesAfter ? static_cast<double>(*passesAfter - *passesBefore) / 10.0 : -1.0;
    std::printf("projector on, desktop still (Wine, GDI capture of 1024x768, 800x600 shown, 10 s): program %.1f %% of "
                "one core, %.0f passes per second, %ld redraws of the projection (target: the screen copy and its "
                "comparison alone)\n",
                still.programPercent, passRate, redrawn);
    printTableRow("CPU with the projector on and the desktop still, 10 s",
                  "Wine, software rendering, GDI capture of 1024x768, 800x600 shown",
                  "the screen copy and its comparison alone (before: 149 %)",
                  "%.1f %% of one core at %.0f passes per second, %ld redraws", still.programPercent, passRate, redrawn);
    program.requestExit();
    program.waitForExit();
    return true;
}

// Two monitors, the projector on and the desktop changing: passes per second with the tray menu open (its
// own loop holds the program's thread; a timer keeps the passes going) against none open, in turns.
bool measurePassesInTrayMenu()
{
    constexpr int kRounds = 6;
    constexpr auto kSpan = std::chrono::seconds(4);
    VirtualDisplay display(MonitorLayout::twoMonitors());
    WineSession wine(display);
    AppFolder folder(Program::LayoutProbe);
    OstrelProcess program(wine, folder);
    if (!startedOrSaid(program))
        return false;
    // Beside the notification area and the menu at the top left, so that the picture covers neither.
    TestPicture picture(display.x(), {560, 0, 1024, 768});
    std::optional<XWindowState> tray;
    for (int tries = 0; tries < 50 && !(tray && tray->viewable); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        tray = display.findWindow("Wine System Tray");
    }
    if (!(tray && tray->viewable)) {
        std::fprintf(stderr, "no notification area\n");
        return false;
    }
    const int side = tray->area.height();
    const auto menuOpen = [&] {
        const auto menu = wine.window("#32768");
        return menu && menu->visible;
    };
    const auto waitForMenu = [&](bool open) {
        for (int tries = 0; tries < 50 && menuOpen() != open; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return menuOpen() == open;
    };
    // Passes per second over the span, the picture moving all the while. Each count is read by a Wine
    // process of its own: its moment is taken as the middle of that call.
    double phase = 0.0;
    const auto passRate = [&]() -> std::optional<double> {
        const auto readAt = [&](Clock::time_point& at) {
            const auto before = Clock::now();
            const std::optional<uint64_t> passes = program.passCount();
            at = before + (Clock::now() - before) / 2;
            return passes;
        };
        Clock::time_point start, end;
        const std::optional<uint64_t> first = readAt(start);
        while (Clock::now() - start < kSpan) {
            phase = phase > 0.95 ? 0.05 : phase + 0.01;
            picture.draw(phase);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        const std::optional<uint64_t> last = readAt(end);
        if (!first || !last)
            return std::nullopt;
        return static_cast<double>(*last - *first) / std::chrono::duration<double>(end - start).count();
    };
    std::this_thread::sleep_for(std::chrono::seconds(3));
    PairedRatios openToClosed;
    for (int round = 0; round < kRounds; ++round) {
        const std::optional<double> closed = passRate();
        display.click(tray->area.left + side / 2, tray->area.top + side / 2, 3);
        if (!waitForMenu(true)) {
            std::fprintf(stderr, "the tray menu did not open\n");
            return false;
        }
        const std::optional<double> open = passRate();
        if (!menuOpen() || !closed || !open) {
            std::fprintf(stderr, "the tray menu closed before the end, or no passes were counted\n");
            return false;
        }
        display.tapKey("Escape");
        if (!waitForMenu(false)) {
            std::fprintf(stderr, "the tray menu stayed open\n");
            return false;
        }
        openToClosed.add(*open, *closed);
    }
    const PairedFigure figure = openToClosed.figure();
    std::printf("passes with the tray menu open, the desktop changing (Wine, GDI capture of 1024x768, 800x600 shown, "
                "%d rounds of %lld s closed then %lld s open): %.1f against %.1f passes per second with it closed: "
                "%.2fx (middle half of the rounds: %.2fx to %.2fx) (target: at least 0.9x)\n",
                kRounds, static_cast<long long>(kSpan.count()), static_cast<long long>(kSpan.count()), figure.numerator,
                figure.denominator, figure.ratio, figure.lowRatio, figure.highRatio);
    printTableRow("Passes per second with the tray menu open against with it closed, the desktop changing, in turns",
                  "Wine, software rendering, GDI capture of 1024x768, 800x600 shown",
                  "at least 0.9x (before: no passes while the menu is open)",
                  "%.1f against %.1f passes per second: %.2fx (middle half of %d rounds: %.2fx to %.2fx)",
                  figure.numerator, figure.denominator, figure.ratio, figure.pairs, figure.lowRatio, figure.highRatio);
    program.requestExit();
    program.waitForExit();
    return true;
}

} // namespace

int main()
{
    const bool measured = measureWithoutProjector(false) && measureWithoutProjector(true) && measureStillDesktop() &&
                          measurePassesInTrayMenu();
    return measured ? 0 : 1;
}
