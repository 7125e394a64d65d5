// fork/exec with process groups and death signals, so that a test can always stop what it started.
#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Wine starts its services with a double fork, so they are orphans at once. Adopted by the test
// process instead of init, they stay its descendants, and CTest, which kills a timed-out test together
// with its descendants, kills them too.
void adoptOrphans()
{
    [[maybe_unused]] static const bool adopting = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

// In the child: environment, folder, output, then exec. Never returns.
[[noreturn]] void becomeCommand(const std::vector<std::string>& argv, const Environment& environment,
                                const std::string& workingFolder, int outputFd, pid_t parent, int deathSignal)
{
    setpgid(0, 0);
    // The kernel sends the signal when the thread that forked ends; the tests fork on their main thread,
    // which ends with the process. A parent that ended before this request was made is caught by
    // the check after it.
    prctl(PR_SET_PDEATHSIG, deathSignal);
    if (getppid() != parent)
        _exit(125);
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
    adoptOrphans();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        becomeCommand(argv, environment, "", outputFd, parent, SIGKILL);
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
                           const std::string& workingFolder, const std::string& outputFile, int deathSignal)
    : deathSignal_(deathSignal)
{
    const int outputFd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    adoptOrphans();
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0)
        becomeCommand(argv, environment, workingFolder, outputFd, parent, deathSignal);
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
    ::kill(-pid_, deathSignal_);
    if (!waitForExit(10s)) {
        ::kill(-pid_, SIGKILL);
        waitForExit(10s);
    }
}

namespace {

// The NUL-separated fields of a /proc file; none when the process has gone (or is a zombie).
std::vector<std::string> procFields(pid_t pid, const char* file)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\0', at), text.size());
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

} // namespace

std::vector<pid_t> processesWithVariable(const std::string& name, const std::string& value)
{
    const std::string wanted = name + "=" + value;
    std::vector<pid_t> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string id = entry.path().filename();
        if (id.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = std::stoi(id);
        for (const std::string& variable : procFields(pid, "environ"))
            if (variable == wanted) {
                found.push_back(pid);
                break;
            }
    }
    return found;
}

std::string commandLineOf(pid_t pid)
{
    std::string line;
    for (const std::string& argument : procFields(pid, "cmdline"))
        line += (line.empty() ? "" : " ") + argument;
    return line;
}

} // namespace harness
