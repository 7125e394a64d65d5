// Prefix copies and the wintool bridge.
#include "wine_session.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "app_folder.h"

namespace harness {

std::string windowsBuildPath(const std::string& relative)
{
    return std::string(OSTREL_WINDOWS_BUILD_DIR) + "/" + relative;
}

WineSession::WineSession(const VirtualDisplay& display, WinePrefix kind) : display_(display)
{
    char folder[] = "/tmp/ostrel-wine-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("mkdtemp failed");
    folder_ = folder;
    prefix_ = folder_ + "/prefix";
    try {
        makePrefix(kind);
        startServer();
        // Wine's own services start here, once, so that they belong to the session and not to whichever
        // program a test happens to start first.
        const auto warm = wine({windowsBuildPath("tests/wintool.exe"), "monitors"}, 120s);
        if (warm.exitCode != 0)
            throw std::runtime_error("Wine does not run programs: " + warm.output);
    } catch (...) {
        // A session that was never made has no destructor to run: its server and its folder go here.
        server_.reset();
        runCommand({"rm", "-rf", folder_}, {}, 60s);
        throw;
    }
}

void WineSession::makePrefix(WinePrefix kind)
{
    const bool copy = kind == WinePrefix::CopyOfReady;
    const auto made = runCommand({std::string(OSTREL_HARNESS_DIR) + "/make-wine-prefix",
                                  copy ? std::string(OSTREL_WINE_TEMPLATE) : prefix_},
                                 {}, 300s);
    if (made.exitCode != 0)
        throw std::runtime_error("make-wine-prefix failed: " + made.output);
    if (copy) {
        const auto copied = runCommand({"cp", "-a", OSTREL_WINE_TEMPLATE, prefix_}, {}, 120s);
        if (copied.exitCode != 0)
            throw std::runtime_error("copying the Wine prefix failed: " + copied.output);
    }
}

// In the foreground and persistent, the server is the session's child for the session's whole life.
// A daemon would outlive a test process that dies without destructors; this one receives SIGINT then,
// on which a Wine server ends every process of its prefix before it exits. (Killed outright it would
// leave them waiting for it forever.)
void WineSession::startServer()
{
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{"wineserver", "-f", "-p"}, environment(), "",
                                             folder_ + "/wineserver.log", SIGINT);
    // The server works in its socket's folder. Until the socket is there, a Wine program would start a
    // server of its own.
    const std::string socket = "/proc/" + std::to_string(server_->pid()) + "/cwd/socket";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    struct stat status{};
    while (lstat(socket.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) {
        if (!server_->running() || std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("the Wine server did not start: " +
                                     readWholeFile(folder_ + "/wineserver.log").value_or(""));
        std::this_thread::sleep_for(20ms);
    }
}

WineSession::~WineSession()
{
    runCommand({"wineserver", "-k"}, environment(), 20s);
    server_.reset();
    runCommand({"rm", "-rf", folder_}, {}, 60s);
}

Environment WineSession::environment() const
{
    return {{"DISPLAY", display_.name()},
            {"WINEPREFIX", prefix_},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

CommandResult WineSession::wine(const std::vector<std::string>& args, std::chrono::milliseconds timeout) const
{
    std::vector<std::string> argv{"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, environment(), timeout);
}

namespace {

// Reads "key=value" pairs of wintool's line; the title is last and may hold blanks.
std::optional<Win32Window> parseWindowLine(const std::string& line)
{
    if (line.rfind("found=1", 0) != 0)
        return std::nullopt;
    Win32Window window;
    const auto titleAt = line.find(" title=");
    if (titleAt != std::string::npos) {
        window.title = line.substr(titleAt + 7);
        while (!window.title.empty() && (window.title.back() == '\n' || window.title.back() == '\r'))
            window.title.pop_back();
    }
    std::istringstream fields(line.substr(0, titleAt));
    std::string field;
    while (fields >> field) {
        const auto equals = field.find('=');
        const std::string key = field.substr(0, equals), value = field.substr(equals + 1);
        if (key == "visible")
            window.visible = value == "1";
        else if (key == "style")
            window.style = static_cast<uint32_t>(std::stoul(value, nullptr, 16));
        else if (key == "exstyle")
            window.exStyle = static_cast<uint32_t>(std::stoul(value, nullptr, 16));
        else if (key == "foreground")
            window.foreground = value == "1";
        else if (key == "rect")
            std::sscanf(value.c_str(), "%d,%d,%d,%d", &window.rect.left, &window.rect.top, &window.rect.right,
                        &window.rect.bottom);
        else if (key == "origin")
            std::sscanf(value.c_str(), "%d,%d", &window.clientLeft, &window.clientTop);
        else if (key == "client")
            std::sscanf(value.c_str(), "%d,%d", &window.clientWidth, &window.clientHeight);
    }
    return window;
}

} // namespace

std::optional<Win32Window> WineSession::window(const std::string& className) const
{
    const auto result = wine({windowsBuildPath("tests/wintool.exe"), "window", className}, 30s);
    const auto start = result.output.find("found=");
    if (start == std::string::npos)
        return std::nullopt;
    return parseWindowLine(result.output.substr(start, result.output.find('\n', start) - start));
}

std::optional<Win32Window> WineSession::waitForWindow(const std::string& className,
                                                      std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto found = window(className))
            return found;
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(200ms);
    }
}

bool WineSession::answers(const std::string& className) const
{
    return wine({windowsBuildPath("tests/wintool.exe"), "ping", className}, 30s).exitCode == 0;
}

bool WineSession::move(const std::string& className, const ScreenRect& area) const
{
    return wine({windowsBuildPath("tests/wintool.exe"), "move", className, std::to_string(area.left),
                 std::to_string(area.top), std::to_string(area.width()), std::to_string(area.height())},
                30s)
               .exitCode == 0;
}

ProcessCounts WineSession::counts(const std::string& className) const
{
    ProcessCounts counts;
    for (int attempt = 0; attempt < 3 && (counts.kernelHandles < 0 || counts.gdiObjects < 0); ++attempt) {
        std::istringstream fields(wine({windowsBuildPath("tests/wintool.exe"), "stats", className}, 30s).output);
        std::string field;
        while (fields >> field) {
            if (field.rfind("kernel_handles=", 0) == 0)
                counts.kernelHandles = std::stol(field.substr(15));
            else if (field.rfind("gdi_table=", 0) == 0)
                counts.gdiObjects = std::stol(field.substr(10));
        }
    }
    return counts;
}

bool WineSession::followDisplays() const
{
    return wine({windowsBuildPath("tests/wintool.exe"), "redisplay"}, 30s).exitCode == 0;
}

bool WineSession::dropTrayIcon() const
{
    return wine({windowsBuildPath("tests/wintool.exe"), "drop-tray-icon"}, 30s).exitCode == 0;
}

bool WineSession::announceTaskbar() const
{
    return wine({windowsBuildPath("tests/wintool.exe"), "announce-taskbar"}, 30s).exitCode == 0;
}

bool WineSession::post(const std::string& className, uint32_t message, uint64_t wParam, int64_t lParam,
                       int times) const
{
    const auto result = wine({windowsBuildPath("tests/wintool.exe"), "post", className, std::to_string(message),
                              std::to_string(wParam), std::to_string(lParam), std::to_string(times)},
                             60s);
    return result.exitCode == 0;
}

} // namespace harness
