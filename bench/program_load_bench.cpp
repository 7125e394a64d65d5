// The real program under Wine: processor time while it idles in the tray without a projector, and the
// passes per second it makes with one (counted as the projection window's redraws on the X server).
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
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

// Redraws of the projection window per second: one per present, so one per pass.
double redrawsPerSecond(VirtualDisplay& display, unsigned long window, std::chrono::seconds span)
{
    RedrawCounter counter(display.x(), window);
    counter.poll();
    const long redraws = counter.waitFor(1L << 40, span);
    return static_cast<double>(redraws) / static_cast<double>(span.count());
}

} // namespace

int main()
{
    {
        VirtualDisplay display(MonitorLayout::oneMonitor());
        WineSession wine(display);
        AppFolder folder;
        OstrelProcess program(wine, folder);
        if (!program.waitUntilStarted()) {
            std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const Load idle = measureLoad(program.pid(), wineServerOf(wine.prefix()), std::chrono::seconds(20));
        std::printf("idle in the tray, no projector, panel hidden (Wine, 20 s): program %.2f %% of one core, "
                    "Wine server %.2f %% (target: at most 5 %%)\n",
                    idle.programPercent, idle.serverPercent);
        printTableRow("CPU while idle in the tray: no projector, panel hidden, 20 s",
                      "Wine, software rendering, one 1024x768 monitor", "at most 5 % of one core",
                      "%.1f %% of one core (Wine server %.1f %%)", idle.programPercent, idle.serverPercent);
        program.requestExit();
        program.waitForExit();
    }
    {
        VirtualDisplay display(MonitorLayout::twoMonitors());
        WineSession wine(display);
        AppFolder folder;
        OstrelProcess program(wine, folder);
        if (!program.waitUntilStarted()) {
            std::fprintf(stderr, "the program did not start\n%s", program.output().c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const auto projection = display.findWindow("Ostrel Projection");
        const double passes = projection ? redrawsPerSecond(display, projection->id, std::chrono::seconds(5)) : -1.0;
        const Load busy = measureLoad(program.pid(), wineServerOf(wine.prefix()), std::chrono::seconds(5));
        std::printf("with the projector, 800x600, software rendering under Wine: %.1f passes per second, program "
                    "%.1f %% of one core (for the record)\n",
                    passes, busy.programPercent);
        printTableRow("Passes per second with the projector", "Wine, software rendering, 800x600 projector",
                      "for the record", "%.0f passes per second, %.0f %% of one core", passes, busy.programPercent);
        program.requestExit();
        program.waitForExit();
    }
    return 0;
}
