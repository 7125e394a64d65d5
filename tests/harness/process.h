// Child processes for the harness: bounded runs with captured output, and long-running children.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

using namespace std::chrono_literals;

// Variables set on top of the harness's own environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

struct CommandResult {
    int exitCode = -1; // 128 + signal when killed; -1 when it could not be started
    std::string output; // standard output and standard error together
};

// Every child below also dies with the test process, however that ends (an abort, an uncaught exception,
// CTest's kill after a timeout): no destructor needs to run for it.

// Runs a command to its end; a command still running after `timeout` is killed.
CommandResult runCommand(const std::vector<std::string>& argv, const Environment& environment = {},
                         std::chrono::milliseconds timeout = 60s);

// A child in its own process group, stopped with its group when the object goes away: `deathSignal`,
// then SIGKILL if that did not end it. When the test process ends first, the child receives
// `deathSignal` from the kernel.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                 const std::string& workingFolder, const std::string& outputFile, int deathSignal = SIGKILL);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    bool running();
    // The exit code once the child has ended, or nothing when it is still running after `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    void kill();

private:
    pid_t pid_ = -1;
    int deathSignal_ = SIGKILL;
    std::optional<int> exitCode_;
};

// Processes alive now (zombies left out) whose environment holds NAME=VALUE, as /proc shows them.
std::vector<pid_t> processesWithVariable(const std::string& name, const std::string& value);
// A process's command line, arguments joined by blanks; empty once it has ended.
std::string commandLineOf(pid_t pid);

} // namespace harness
