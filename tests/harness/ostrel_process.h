// The real ostrel.exe running under Wine, started from another folder than its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app_folder.h"
#include "process.h"
#include "wine_session.h"

namespace harness {

class OstrelProcess {
public:
    // `wineDebug` replaces the session's WINEDEBUG, for a test that reads what Wine traces of a call.
    OstrelProcess(const WineSession& wine, const AppFolder& folder, const std::string& wineDebug = "");
    OstrelProcess(const OstrelProcess&) = delete;
    OstrelProcess& operator=(const OstrelProcess&) = delete;
    // Kills the program if it is still running.
    ~OstrelProcess();

    // Start-up has finished and the main loop runs.
    bool waitUntilStarted(std::chrono::milliseconds timeout = 30s) const;
    bool running();
    // The Linux process that runs the program.
    pid_t pid() const { return process_->pid(); }
    // The exit command of the tray menu, as the control window receives it.
    void requestExit() const;
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = 20s);
    // What Wine printed while the program ran.
    std::string output() const;

    // The passes its main loop has finished, as the test build counts them (Program::LayoutProbe);
    // nothing before the first pass, and from a build that does not count.
    std::optional<uint64_t> passCount() const;
    // Waits until the main loop has finished `passes` more passes than when this was called; false when
    // it has not within `timeout`. What the program does in a pass, it has done by then.
    bool waitForPasses(uint64_t passes, std::chrono::milliseconds timeout = 30s) const;

    // Real input through the X server, each step followed by two passes (the first may have polled its
    // input just before the step): a press is seen down in at least one pass, a release up. False when
    // the program stopped making passes. For the test build only.
    bool click(int x, int y, unsigned button = 1) const;
    bool tapKey(const char* name) const;

private:
    const WineSession& wine_;
    std::string outputFile_;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace harness
