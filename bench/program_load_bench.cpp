// The real program under Wine: processor time while it idles in the tray without a projector (with the
// test prefix's settings and with Wine's defaults), with its panel open and untouched, and with the
// projector on and the desktop still.
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
    if (!program.waitUntilStarted()) {
        std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
        return false;
    }
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
    if (!program.waitUntilStarted()) {
        std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
        return false;
    }
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

} // namespace

int main()
{
    const bool measured = measureWithoutProjector(false) && measureWithoutProjector(true) && measureStillDesktop();
    return measured ? 0 : 1;
}
