// A private Wine prefix on a virtual display, and the Win32 view of windows through the test tool.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process.h"
#include "virtual_display.h"

namespace harness {

// A top-level window as Win32 (inside Wine) reports it.
struct Win32Window {
    bool visible = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    ScreenRect rect;
    int clientWidth = 0;
    int clientHeight = 0;
    int clientLeft = 0; // the client area's top-left corner on the screen
    int clientTop = 0;
    bool foreground = false;
    std::string title;
};

// Paths of what the windows preset built.
std::string windowsBuildPath(const std::string& relative);

// Where a session's prefix comes from.
enum class WinePrefix {
    CopyOfReady, // a copy of the prefix made once per build tree: under a second
    New,         // made from nothing by wineboot, as on a machine that never ran the program
};

// A private prefix bound to a display, with a Wine server of its own: a child of the test process that
// every Wine program of the prefix connects to, and that ends them all when the test process ends.
// What wintool counts of the process that owns a window: kernel handles in the system's handle list and
// GDI objects in the process's GDI handle table (Wine reports zeros through the usual calls); -1 when
// they could not be read.
struct ProcessCounts {
    long kernelHandles = -1;
    long gdiObjects = -1;
};

class WineSession {
public:
    // A private prefix bound to `display`.
    explicit WineSession(const VirtualDisplay& display, WinePrefix kind = WinePrefix::CopyOfReady);
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;
    ~WineSession();

    const std::string& prefix() const { return prefix_; }
    const VirtualDisplay& display() const { return display_; }
    pid_t serverPid() const { return server_->pid(); }
    Environment environment() const;

    // Runs `wine ARGS...` to its end.
    CommandResult wine(const std::vector<std::string>& args, std::chrono::milliseconds timeout = 60s) const;

    // The top-level window of a window class ("CLASS|TITLE": of that class and title), or nothing when
    // there is none.
    std::optional<Win32Window> window(const std::string& className) const;
    // Polls until the window of that class exists; nothing when it does not appear in time.
    std::optional<Win32Window> waitForWindow(const std::string& className,
                                             std::chrono::milliseconds timeout = 30s) const;
    // True once the thread of that class's window retrieves messages (SendMessageTimeoutW with WM_NULL).
    bool answers(const std::string& className) const;
    // SetWindowPos of the top-level window of a class, as another program could.
    bool move(const std::string& className, const ScreenRect& area) const;
    ProcessCounts counts(const std::string& className) const;
    // Makes Wine take the X server's monitors anew and tell every window of the prefix (WM_DISPLAYCHANGE).
    bool followDisplays() const;
    // What a restarting shell does to the program's notification-area icon: loses it (the icon of the
    // control window taken away), then tells every top-level window that the taskbar is new
    // ("TaskbarCreated"). False when the call did not go through.
    bool dropTrayIcon() const;
    bool announceTaskbar() const;
    // PostMessageW to the top-level window of a class; false when there is no such window.
    bool post(const std::string& className, uint32_t message, uint64_t wParam, int64_t lParam,
              int times = 1) const;

private:
    void makePrefix(WinePrefix kind);
    void startServer();

    const VirtualDisplay& display_;
    std::string folder_;
    std::string prefix_;
    std::unique_ptr<ChildProcess> server_;
};

} // namespace harness
