// Starting, watching and ending ostrel.exe.
#include "ostrel_process.h"

#include <cstdio>
#include <thread>

namespace harness {

namespace {
constexpr uint32_t kCommandMessage = 0x0111; // WM_COMMAND
constexpr uint64_t kExitCommand = 2003;      // the tray menu's "Sair"
constexpr uint64_t kPassesToSeeInput = 2;

std::string wintool()
{
    return windowsBuildPath("tests/wintool.exe");
}
} // namespace

OstrelProcess::OstrelProcess(const WineSession& wine, const AppFolder& folder, const std::string& wineDebug)
    : wine_(wine), outputFile_(folder.elsewhere() + "/../wine-output.txt")
{
    Environment environment = wine.environment();
    if (!wineDebug.empty())
        for (auto& [name, value] : environment)
            if (name == "WINEDEBUG")
                value = wineDebug;
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"wine", folder.exePath()}, environment,
                                              folder.elsewhere(), outputFile_);
}

OstrelProcess::~OstrelProcess()
{
    process_.reset();
}

bool OstrelProcess::waitUntilStarted(std::chrono::milliseconds timeout) const
{
    // Start-up creates the control window first and enters the main loop last.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!wine_.waitForWindow("OstrelControl", timeout))
        return false;
    while (!wine_.answers("OstrelControl")) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

bool OstrelProcess::running()
{
    return process_->running();
}

void OstrelProcess::requestExit() const
{
    wine_.post("OstrelControl", kCommandMessage, kExitCommand, 0);
}

std::optional<int> OstrelProcess::waitForExit(std::chrono::milliseconds timeout)
{
    return process_->waitForExit(timeout);
}

std::string OstrelProcess::output() const
{
    return readWholeFile(outputFile_).value_or("");
}

std::optional<uint64_t> OstrelProcess::passCount() const
{
    const auto result = wine_.wine({wintool(), "passes"}, 30s);
    const auto at = result.output.find("passes=");
    unsigned long long passes = 0;
    if (result.exitCode != 0 || at == std::string::npos ||
        std::sscanf(result.output.c_str() + at, "passes=%llu", &passes) != 1)
        return std::nullopt;
    return passes;
}

bool OstrelProcess::waitForPasses(uint64_t passes, std::chrono::milliseconds timeout) const
{
    // The tool counts from when it has started, a little after this call: never fewer passes. It says 1
    // when the passes did not come; any other failure is Wine's in starting it (seen right after a display
    // change), and it is started again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto waited = wine_.wine({wintool(), "wait-passes", std::to_string(passes), std::to_string(timeout.count())},
                                       timeout + 30s);
        if (waited.exitCode == 0 || waited.exitCode == 1)
            return waited.exitCode == 0;
        std::fprintf(stderr, "wintool wait-passes ended with %d: %s\n", waited.exitCode, waited.output.c_str());
    }
    return false;
}

bool OstrelProcess::click(int x, int y, unsigned button) const
{
    const VirtualDisplay& display = wine_.display();
    // The program reads the cursor once a pass: it must see it over the target before the press.
    display.moveCursor(x, y);
    const bool seenOver = waitForPasses(kPassesToSeeInput);
    display.pressButton(button);
    const bool seenDown = waitForPasses(kPassesToSeeInput);
    display.releaseButton(button);
    return seenOver && seenDown && waitForPasses(kPassesToSeeInput);
}

bool OstrelProcess::tapKey(const char* name) const
{
    const VirtualDisplay& display = wine_.display();
    display.pressKey(name);
    const bool seenDown = waitForPasses(kPassesToSeeInput);
    display.releaseKey(name);
    return seenDown && waitForPasses(kPassesToSeeInput);
}

} // namespace harness
