// fork/exec with process groups, so that a test can always stop what it started.
#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace harness {
namespace {

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// In the child: environment, folder, output, then exec. Never returns.
[[noreturn]] void becomeCommand(const std::vector<std::string>& argv, const Environment& environment,
                                const std::string& workingFolder, int outputFd)
{
    setpgid(0, 0);
    for (const auto& [name, value] : environment)
        setenv(name.c_str(), value.c_str(), 1);
    if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
        _exit(126);
    if (outputFd >= 0) {
        dup2(outputFd, STDOUT_FILENO);
        dup2(outputFd, STDERR_FILENO);
    }
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits for the child's end; one still running after `timeout` is killed with its process group.
int waitForChild(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return exitCodeOf(status);
        if (done < 0)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return exitCodeOf(status);
        }
        std::this_thread::sleep_for(10ms);
    }
}

} // namespace

CommandResult runCommand(const std::vector<std::string>& argv, const Environment& environment,
                         std::chrono::milliseconds timeout)
{
    // Output goes to an unlinked file, not a pipe: a daemon that the command starts (Wine's server and
    // services) inherits the descriptor, and a pipe would then never reach its end.
    char outputPath[] = "/tmp/ostrel-command-XXXXXX";
    const int outputFd = mkostemp(outputPath, O_CLOEXEC);
    if (outputFd < 0)
        return {};
    unlink(outputPath);
    const pid_t pid = fork();
    if (pid == 0)
        becomeCommand(argv, environment, "", outputFd);
    CommandResult result;
    if (pid > 0) {
        setpgid(pid, pid);
        result.exitCode = waitForChild(pid, timeout);
    }
    std::string& text = result.output;
    char buffer[4096];
    ssize_t got = 0;
    lseek(outputFd, 0, SEEK_SET);
    while ((got = read(outputFd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(outputFd);
    return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                           const std::string& workingFolder, const std::string& outputFile)
{
    const int outputFd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0)
        becomeCommand(argv, environment, workingFolder, outputFd);
    if (outputFd >= 0)
        close(outputFd);
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess()
{
    kill();
}

bool ChildProcess::running()
{
    return !waitForExit(0ms).has_value();
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exitCode_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_)
            exitCode_ = exitCodeOf(status);
        else if (done < 0)
            exitCode_ = -1;
        else if (std::chrono::steady_clock::now() >= deadline)
            break;
        else
            std::this_thread::sleep_for(20ms);
    }
    return exitCode_;
}

void ChildProcess::kill()
{
    if (pid_ <= 0 || exitCode_)
        return;
    ::kill(-pid_, SIGKILL);
    waitForExit(10s);
}

} // namespace harness
