// Xvfb with -displayfd (a free display number), monitors set with xrandr, an Xlib connection.
#include "virtual_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <thread>

namespace harness {

MonitorLayout MonitorLayout::twoMonitors()
{
    return {1824, 768, {{0, 0, 1024, 768}, {1024, 0, 1824, 600}}};
}

MonitorLayout MonitorLayout::oneMonitor()
{
    return {1024, 768, {{0, 0, 1024, 768}}};
}

MonitorLayout MonitorLayout::threeMonitors()
{
    return {2624, 768, {{0, 0, 1024, 768}, {1024, 0, 1824, 600}, {1824, 0, 2624, 600}}};
}

namespace {

// Reads the display number that Xvfb writes once it accepts connections.
std::string readDisplayNumber(int fd, std::chrono::milliseconds timeout)
{
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, 100) <= 0)
            continue;
        char buffer[32];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    const auto end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

// Xvfb's monitor sizes in millimetres only matter for DPI; these give about 96 DPI.
std::string monitorGeometry(const ScreenRect& m)
{
    const auto mm = [](int pixels) { return std::to_string(pixels * 254 / 960); };
    return std::to_string(m.width()) + "/" + mm(m.width()) + "x" + std::to_string(m.height()) + "/" +
           mm(m.height()) + "+" + std::to_string(m.left) + "+" + std::to_string(m.top);
}

// Windows come and go under the tests' feet; a request about a vanished window must not end the test.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

VirtualDisplay::VirtualDisplay(MonitorLayout layout) : layout_(std::move(layout))
{
    char folder[] = "/tmp/ostrel-xvfb-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("mkdtemp failed");
    workFolder_ = folder;

    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    const std::string screen =
        std::to_string(layout_.screenWidth) + "x" + std::to_string(layout_.screenHeight) + "x24";
    // -noreset: without it the server resets when its last client leaves, and the monitors vanish.
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", screen,
                                 "-noreset", "-nolisten", "tcp"},
        Environment{}, "", workFolder_ + "/xvfb.log");
    close(pipeFds[1]);
    const std::string number = readDisplayNumber(pipeFds[0], 10s);
    close(pipeFds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    name_ = ":" + number;

    if (layout_.monitors.size() > 1) {
        for (std::size_t i = 0; i < layout_.monitors.size(); ++i) {
            const auto result = runCommand({"xrandr", "-d", name_, "--setmonitor", "MON" + std::to_string(i + 1),
                                            monitorGeometry(layout_.monitors[i]), i == 0 ? "screen" : "none"});
            if (result.exitCode != 0)
                throw std::runtime_error("xrandr --setmonitor failed: " + result.output);
        }
    }
    XSetErrorHandler(ignoreXError);
    display_ = XOpenDisplay(name_.c_str());
    if (!display_)
        throw std::runtime_error("cannot open display " + name_);
}

void VirtualDisplay::removeMonitor(std::size_t index) const
{
    const auto result = runCommand({"xrandr", "-d", name_, "--delmonitor", "MON" + std::to_string(index + 1)});
    if (result.exitCode != 0)
        throw std::runtime_error("xrandr --delmonitor failed: " + result.output);
}

void VirtualDisplay::plugMonitorBackIn(std::size_t index) const
{
    placeMonitor(index, layout_.monitors.at(index));
}

void VirtualDisplay::placeMonitor(std::size_t index, const ScreenRect& area) const
{
    // A monitor is given a new geometry by taking it away and setting it anew (RandR refuses to set a name
    // that is set already); taking away one that is not there is harmless.
    runCommand({"xrandr", "-d", name_, "--delmonitor", "MON" + std::to_string(index + 1)});
    const auto result = runCommand({"xrandr", "-d", name_, "--setmonitor", "MON" + std::to_string(index + 1),
                                    monitorGeometry(area), index == 0 ? "screen" : "none"});
    if (result.exitCode != 0)
        throw std::runtime_error("xrandr --setmonitor failed: " + result.output);
}

VirtualDisplay::~VirtualDisplay()
{
    if (display_)
        XCloseDisplay(display_);
    server_.reset();
    runCommand({"rm", "-rf", workFolder_});
}

std::optional<XWindowState> VirtualDisplay::findWindow(const std::string& title) const
{
    const Window root = DefaultRootWindow(display_);
    std::optional<XWindowState> found;
    std::function<void(Window)> search = [&](Window window) {
        if (found)
            return;
        char* name = nullptr;
        if (XFetchName(display_, window, &name) && name) {
            const bool match = title == name;
            XFree(name);
            if (match) {
                XWindowAttributes attributes{};
                XGetWindowAttributes(display_, window, &attributes);
                int x = 0, y = 0;
                Window child;
                XTranslateCoordinates(display_, window, root, 0, 0, &x, &y, &child);
                found = XWindowState{window, attributes.map_state == IsViewable,
                                     {x, y, x + attributes.width, y + attributes.height}};
                return;
            }
        }
        Window rootReturn, parent;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count))
            return;
        for (unsigned int i = 0; i < count; ++i)
            search(children[i]);
        if (children)
            XFree(children);
    };
    search(root);
    return found;
}

Rgb VirtualDisplay::pixel(int x, int y) const
{
    return capture({x, y, x + 1, y + 1}).at(0, 0);
}

void VirtualDisplay::moveCursor(int x, int y) const
{
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::pressButton(unsigned button) const
{
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::releaseButton(unsigned button) const
{
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

// The program polls its input once per frame and its panel library has no input queue: a press and a
// release inside one frame would be lost, so every press is held for a while.
constexpr auto kHold = std::chrono::milliseconds(150);

void VirtualDisplay::click(int x, int y, unsigned button) const
{
    // The program polls the cursor once a frame: it must see the cursor over the target before the press,
    // and frames are slow under load.
    moveCursor(x, y);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pressButton(button);
    std::this_thread::sleep_for(kHold);
    releaseButton(button);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

void VirtualDisplay::pressKey(const char* name) const
{
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, XStringToKeysym(name)), True, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::releaseKey(const char* name) const
{
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, XStringToKeysym(name)), False, CurrentTime);
    XSync(display_, False);
}

void VirtualDisplay::tapKey(const char* name) const
{
    pressKey(name);
    std::this_thread::sleep_for(kHold);
    releaseKey(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

Image VirtualDisplay::capture(const ScreenRect& area) const
{
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), area.left, area.top,
                              static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()), AllPlanes,
                              ZPixmap);
    if (!image)
        throw std::runtime_error("XGetImage failed");
    Image result{area.width(), area.height(), {}};
    result.pixels.reserve(static_cast<std::size_t>(area.width() * area.height()));
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) {
            const unsigned long value = XGetPixel(image, x, y);
            result.pixels.push_back({static_cast<uint8_t>((value >> 16) & 0xff),
                                     static_cast<uint8_t>((value >> 8) & 0xff), static_cast<uint8_t>(value & 0xff)});
        }
    XDestroyImage(image);
    return result;
}

int Image::count(const ScreenRect& area, Rgb colour) const
{
    int found = 0;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, height); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, width); ++x)
            found += at(x, y) == colour ? 1 : 0;
    return found;
}

} // namespace harness
