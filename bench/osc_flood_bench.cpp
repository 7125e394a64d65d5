// The real program under Wine with its projector shown, flooded by a control desk on this machine:
// the main loop's passes per second for 10 s without packets and for 10 s under 10,000 packets a
// second (half of them status requests, a quarter malformed, the rest harmless commands and unknown
// addresses), the program's resident memory before and after, and the status replies that came back;
// then 10 s of 1,000 packets a second, as busy as a real desk can be.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app_folder.h"
#include "desk_socket.h"
#include "osc_writing.h"
#include "ostrel_process.h"
#include "process_status.h"
#include "remote/osc_packet.h"
#include "settings/settings_text.h"
#include "table_row.h"
#include "test_picture.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;
using namespace osc;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kSpan = std::chrono::seconds(10);
// Longer than Wine takes to start wintool, which counts the passes.
constexpr auto kToolStart = std::chrono::seconds(2);
const ScreenRect kFirstMonitor{0, 0, 1024, 768};
const char* kOnWhat =
    "Wine, software rendering, GDI capture of a still 1024x768, 800x600 shown, packets from 127.0.0.1";

// Twenty packets that the flood sends over and over: ten status requests, three commands that change
// nothing (a grid and a freeze already off), five malformed and two of unknown addresses.
struct Flood {
    std::vector<std::string> cycle;
    std::vector<bool> asksStatus;

    Flood()
    {
        const std::string status = packet("/ostrel/status");
        const std::string grid = packet("/ostrel/grid", {integer(0)});
        std::string badTag = grid;
        badTag[grid.find(",i") + 1] = 'q';
        const std::string malformed[] = {
            status.substr(0, status.size() - 4),             // cut
            grid.substr(0, grid.size() - 2),                 // not a multiple of 4
            badTag,                                          // a type tag the program does not take
            std::string("#bundle\0\0\0\0\0\0\0\0\1\0\0\1\0", 20), // an element running past the end
            std::string("ostrel/grid\0,i\0\0\0\0\0\0", 20), // no leading "/"
        };
        for (int i = 0; i < 10; ++i)
            add(status, true);
        add(grid, false);
        add(grid, false);
        add(packet("/ostrel/freeze", {integer(0)}), false);
        for (const std::string& bad : malformed)
            add(bad, false);
        add(packet("/bench/unknown/a", {integer(0)}), false);
        add(packet("/bench/unknown/b"), false);
    }
    void add(std::string bytes, bool status)
    {
        cycle.push_back(std::move(bytes));
        asksStatus.push_back(status);
    }
};

// Passes a second of the program's main loop over `span` of its own clock, as its test build counts
// them: wintool reads the count once it has started and again when the time is up, so that how long Wine
// takes to start and end the tool is no part of the span.
std::optional<double> passRate(const WineSession& wine, std::chrono::seconds span)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
    const CommandResult waited = wine.wine(
        {windowsBuildPath("tests/wintool.exe"), "wait-passes", "1000000000000", std::to_string(ms)}, span + 60s);
    const auto at = waited.output.find("passes=");
    long long now = 0, start = 0;
    if (at == std::string::npos || std::sscanf(waited.output.c_str() + at, "passes=%lld after %lld", &now, &start) != 2)
        return std::nullopt;
    return static_cast<double>(now - start) / static_cast<double>(span.count());
}

struct FloodResult {
    std::optional<double> passRate;
    long sent = 0;
    long refused = 0; // by the sender's own system
    long requests = 0;
    long replies = 0;
};

// `packetsPerMs` packets every millisecond for `span` and a little longer, from one desk socket, and the
// status replies that come back to it until none has come for 3 s after the flood; the program's pass
// rate over `span` meanwhile.
FloodResult flood(const WineSession& wine, uint16_t port, int packetsPerMs, std::chrono::seconds span)
{
    DeskSocket desk(port);
    desk.growReceiveBuffer(8 << 20);
    std::atomic<bool> flooding{true};
    std::atomic<long> replies{0};
    std::thread receiver([&] {
        auto lastReply = Clock::now();
        while (flooding || Clock::now() - lastReply < std::chrono::seconds(3)) {
            const auto reply = desk.receive(std::chrono::milliseconds(100));
            const auto messages = reply ? readOscPacket(*reply) : std::nullopt;
            if (messages && messages->size() == 1 && messages->front().address == "/ostrel/status" &&
                messages->front().arguments.size() == 5) {
                ++replies;
                lastReply = Clock::now();
            }
        }
    });
    FloodResult result;
    std::thread sender([&] {
        const Flood packets;
        const auto started = Clock::now();
        std::size_t next = 0;
        // Packets already coming when the count starts, and still when it ends.
        for (auto ms = std::chrono::milliseconds(0); ms < span + kToolStart; ++ms) {
            std::this_thread::sleep_until(started + ms);
            for (int i = 0; i < packetsPerMs; ++i, next = (next + 1) % packets.cycle.size()) {
                if (!desk.send(packets.cycle[next])) {
                    ++result.refused;
                    continue;
                }
                ++result.sent;
                result.requests += packets.asksStatus[next] ? 1 : 0;
            }
        }
    });
    result.passRate = passRate(wine, span);
    sender.join();
    flooding = false;
    receiver.join();
    result.replies = replies;
    return result;
}

bool listening(const AppFolder& folder, uint16_t port)
{
    const std::string line = "Controle remoto OSC escutando na porta " + std::to_string(port);
    for (int tries = 0; tries < 100; ++tries) {
        if (folder.readFile("debug.log").value_or("").find(line) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The rows of one flood: its pass rate against the quiet one, and the replies.
void printFlood(const FloodResult& flooded, int packetsPerMs, double quietRate)
{
    const double share = 100.0 * *flooded.passRate / quietRate;
    const long perSecond = 1000L * packetsPerMs;
    std::printf("%ld packets a second, passes counted over %lld s of them: %ld sent (%ld refused by the sender's "
                "system), %ld status requests, %ld replies; %.1f passes per second against %.1f without packets: "
                "%.0f %% (target: at least 80 %%)\n",
                perSecond, static_cast<long long>(kSpan.count()), flooded.sent, flooded.refused, flooded.requests,
                flooded.replies, *flooded.passRate, quietRate, share);
    const std::string flood = "an OSC flood of " + std::to_string(perSecond) + " packets a second";
    printTableRow(("Passes per second under " + flood + " against none, 10 s each").c_str(), kOnWhat, "at least 80 %",
                  "%.1f against %.1f passes per second: %.0f %%", *flooded.passRate, quietRate, share);
    printTableRow(("Status replies received against status requests sent in " + flood).c_str(), kOnWhat,
                  "every one answered", "%ld of %ld", flooded.replies, flooded.requests);
}

} // namespace

int main()
{
    VirtualDisplay display(MonitorLayout::twoMonitors());
    WineSession wine(display);
    AppFolder folder(Program::LayoutProbe);
    const auto port = freeUdpPort(30000);
    if (!port) {
        std::fprintf(stderr, "no free UDP port\n");
        return 1;
    }
    SettingsValues values;
    values.remote.port = *port;
    folder.writeFile("config.json", settingsFileBytes(values));
    TestPicture picture(display.x(), kFirstMonitor);
    picture.draw(0.5);
    OstrelProcess program(wine, folder);
    if (!program.waitUntilStarted() || !listening(folder, *port)) {
        std::fprintf(stderr, "the program did not start listening\n%s", program.output().c_str());
        return 1;
    }
    // A short flood first, so that what the first packets make once (in the program and in Wine) is
    // not taken for growth.
    flood(wine, *port, 10, std::chrono::seconds(2));

    std::printf("osc flood: the real program with its projector, half the packets status requests, a quarter "
                "malformed, the rest commands that change nothing and unknown addresses\n");
    const auto quietRate = passRate(wine, kSpan);
    const long residentBefore = statusKiB(program.pid(), "VmRSS:");
    const FloodResult flooded = flood(wine, *port, 10, kSpan);
    const long residentAfter = statusKiB(program.pid(), "VmRSS:");
    // A desk as busy as a real one can be, for the replies the program keeps up with.
    const FloodResult busy = flood(wine, *port, 1, kSpan);
    if (!quietRate || !flooded.passRate || !busy.passRate) {
        std::fprintf(stderr, "the pass count could not be read\n");
        return 1;
    }
    printFlood(flooded, 10, *quietRate);
    std::printf("resident memory: %ld KiB before the flood, %ld KiB after (%+ld KiB; target: flat)\n", residentBefore,
                residentAfter, residentAfter - residentBefore);
    printTableRow("Resident memory of the program before and after the flood of 10000 packets a second", kOnWhat,
                  "flat", "%ld KiB before, %ld KiB after (%+ld KiB)", residentBefore, residentAfter,
                  residentAfter - residentBefore);
    printFlood(busy, 1, *quietRate);

    program.requestExit();
    const auto exitCode = program.waitForExit();
    return exitCode == 0 ? 0 : 1;
}
