// Starting, watching and ending ostrel.exe.
#include "ostrel_process.h"

#include <thread>

namespace harness {

namespace {
constexpr uint32_t kCommandMessage = 0x0111; // WM_COMMAND
constexpr uint64_t kExitCommand = 2003;      // the tray menu's "Sair"
} // namespace

OstrelProcess::OstrelProcess(const WineSession& wine, const AppFolder& folder)
    : wine_(wine), outputFile_(folder.elsewhere() + "/../wine-output.txt")
{
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"wine", folder.exePath()},
                                              wine.environment(), folder.elsewhere(), outputFile_);
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

} // namespace harness
