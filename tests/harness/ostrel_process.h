// The real ostrel.exe running under Wine, started from another folder than its own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app_folder.h"
#include "process.h"
#include "wine_session.h"

namespace harness {

class OstrelProcess {
public:
    OstrelProcess(const WineSession& wine, const AppFolder& folder);
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

private:
    const WineSession& wine_;
    std::string outputFile_;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace harness
