// A test process that dies without running destructors leaves nothing running: its Xvfb, its Wine server,
// Wine's services and the program end with it. Each case runs a disabled test of this binary in a process
// of its own, which dies, and then looks for what that process started.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app_folder.h"
#include "ostrel_process.h"
#include "process.h"
#include "program_test.h"
#include "virtual_display.h"
#include "wine_session.h"

using namespace harness;

namespace {

// Every process a test process starts inherits its environment, and with it this mark.
constexpr const char* kMark = "OSTREL_LIFETIME_MARK";

// Runs a disabled test of this binary in a process of its own, marked with `mark`.
CommandResult runDyingTest(const std::string& test, const std::string& mark, Environment environment = {},
                           const std::vector<std::string>& options = {})
{
    std::vector<std::string> argv{std::filesystem::read_symlink("/proc/self/exe").string(), "--gtest_filter=" + test,
                                  "--gtest_also_run_disabled_tests"};
    argv.insert(argv.end(), options.begin(), options.end());
    environment.emplace_back(kMark, mark);
    return runCommand(argv, environment, 180s);
}

// The "key=value" lines a dying test printed.
std::map<std::string, std::string> printedValues(const std::string& output)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && line.substr(0, equals).find(' ') == std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::string describe(const std::set<pid_t>& processes)
{
    std::string text;
    for (pid_t pid : processes)
        text += "  " + std::to_string(pid) + " " + commandLineOf(pid) + "\n";
    return text;
}

// Waits until no process carries the mark (nor, when given, runs in the prefix); what still runs then.
std::set<pid_t> survivors(const std::string& mark, const std::string& prefix = "")
{
    std::set<pid_t> left;
    e2e::eventually(
        [&] {
            left.clear();
            for (pid_t pid : processesWithVariable(kMark, mark))
                left.insert(pid);
            if (!prefix.empty())
                for (pid_t pid : processesWithVariable("WINEPREFIX", prefix))
                    left.insert(pid);
            return left.empty();
        },
        20s);
    return left;
}

// What the dying test left is this test's to end and remove: nothing else will.
void removeLeftovers(const std::set<pid_t>& processes, const std::vector<std::string>& folders)
{
    for (pid_t pid : processes)
        kill(pid, SIGKILL);
    for (const std::string& folder : folders)
        if (!folder.empty())
            std::filesystem::remove_all(folder);
}

std::string markFor(const char* what)
{
    return std::string(what) + "-" + std::to_string(getpid());
}

// Children of a process, from the parent field of /proc/PID/stat.
std::vector<pid_t> childrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text) || text.rfind(')') == std::string::npos)
            continue;
        char state = 0;
        int parentId = 0;
        if (std::sscanf(text.c_str() + text.rfind(')') + 1, " %c %d", &state, &parentId) == 2 && parentId == parent)
            children.push_back(std::stoi(entry.path().filename()));
    }
    return children;
}

// As CTest ends a test past its timeout: the process stopped, its descendants killed, then itself.
void killAsCTestDoes(pid_t pid)
{
    kill(pid, SIGSTOP);
    for (pid_t child : childrenOf(pid))
        killAsCTestDoes(child);
    kill(pid, SIGKILL);
}

// Checks what a run of the test below printed and what it left, then ends and removes what it left.
void expectNothingLeft(const std::string& output, const std::string& mark)
{
    auto printed = printedValues(output);
    const std::string prefix = printed["prefix"];
    ASSERT_FALSE(prefix.empty()) << "the test did not get as far as the running program:\n" << output;
    // The program and Wine's services used the session's server; none started one of its own.
    EXPECT_EQ(printed["prefix-servers"], printed["session-server"]);
    EXPECT_GE(std::stoi(printed["prefix-processes"]), 4) << "the server, the program and Wine's services ran";

    const auto left = survivors(mark, prefix);
    EXPECT_TRUE(left.empty()) << "still running after the test process died:\n" << describe(left);
    const std::string folders = printed["folders"];
    const std::string appFolder = folders.substr(0, folders.find('|'));
    removeLeftovers(left, {std::filesystem::path(prefix).parent_path(), std::filesystem::path(appFolder).parent_path(),
                           folders.substr(folders.find('|') + 1)});
}

} // namespace

// Run only by the tests below: the real program running, then the end of the process, which runs no
// destructor: an abort, or (OSTREL_LIFETIME_HANG set) a wait for a kill from outside.
TEST(Lifetime, DISABLED_StartsTheProgramThenDies)
{
    VirtualDisplay display(MonitorLayout::twoMonitors());
    WineSession wine(display);
    AppFolder folder;
    OstrelProcess program(wine, folder);
    ASSERT_TRUE(program.waitUntilStarted()) << program.output();
    std::string servers;
    for (pid_t pid : processesWithVariable("WINEPREFIX", wine.prefix()))
        if (commandLineOf(pid).find("wineserver") != std::string::npos)
            servers += (servers.empty() ? "" : ",") + std::to_string(pid);
    std::printf("prefix=%s\nsession-server=%d\nprefix-servers=%s\nprefix-processes=%zu\nfolders=%s|%s\n",
                wine.prefix().c_str(), static_cast<int>(wine.serverPid()), servers.c_str(),
                processesWithVariable("WINEPREFIX", wine.prefix()).size(), folder.path().c_str(),
                display.workFolder().c_str());
    std::fflush(stdout);
    while (std::getenv("OSTREL_LIFETIME_HANG"))
        pause();
    std::abort();
}

TEST(Lifetime, AbortedTestLeavesNoProcessBehind)
{
    const std::string mark = markFor("abort");
    const auto run = runDyingTest("Lifetime.DISABLED_StartsTheProgramThenDies", mark);
    EXPECT_EQ(run.exitCode, 128 + SIGABRT) << run.output;
    expectNothingLeft(run.output, mark);
}

TEST(Lifetime, TimedOutTestLeavesNoProcessBehind)
{
    char folder[] = "/tmp/ostrel-lifetime-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string outputFile = std::string(folder) + "/output.txt";
    const std::string mark = markFor("timeout");
    ChildProcess test({std::filesystem::read_symlink("/proc/self/exe").string(),
                       "--gtest_filter=Lifetime.DISABLED_StartsTheProgramThenDies", "--gtest_also_run_disabled_tests"},
                      {{kMark, mark}, {"OSTREL_LIFETIME_HANG", "1"}}, "", outputFile);
    const auto output = [&] { return readWholeFile(outputFile).value_or(""); };
    EXPECT_TRUE(e2e::eventually([&] { return output().find("folders=") != std::string::npos || !test.running(); },
                                120s));
    killAsCTestDoes(test.pid());
    test.waitForExit(10s);
    expectNothingLeft(output(), mark);
    std::filesystem::remove_all(folder);
}

// Run only by the test below, where `wine` cannot run the harness's tool: the session fails while its
// server runs, and the exception, uncaught, ends the process.
TEST(Lifetime, DISABLED_DiesWhileItsWineSessionStarts)
{
    VirtualDisplay display(MonitorLayout::oneMonitor());
    std::printf("display-folder=%s\n", display.workFolder().c_str());
    std::fflush(stdout);
    WineSession wine(display);
}

TEST(Lifetime, MissingToolLeavesNoProcessBehind)
{
    // A `wine` first on the path that runs a tool the build does not have.
    char folder[] = "/tmp/ostrel-lifetime-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string fakeWine = std::string(folder) + "/wine";
    std::ofstream(fakeWine) << "#!/bin/sh\nexec /usr/bin/wine 'C:\\missing\\wintool.exe' \"$@\"\n";
    std::filesystem::permissions(fakeWine, std::filesystem::perms::owner_all);

    const std::string mark = markFor("missing-tool");
    const auto run = runDyingTest("Lifetime.DISABLED_DiesWhileItsWineSessionStarts", mark,
                                  {{"PATH", std::string(folder) + ":" + std::getenv("PATH")}},
                                  {"--gtest_catch_exceptions=0"});
    EXPECT_EQ(run.exitCode, 128 + SIGABRT) << run.output;
    EXPECT_NE(run.output.find("Wine does not run programs"), std::string::npos) << run.output;
    const auto left = survivors(mark);
    EXPECT_TRUE(left.empty()) << "still running after the test process died:\n" << describe(left);
    removeLeftovers(left, {folder, printedValues(run.output)["display-folder"]});
}
