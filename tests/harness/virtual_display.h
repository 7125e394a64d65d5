// An Xvfb display split into monitors the way Wine uses them, and what a test reads from it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process.h"

typedef struct _XDisplay Display;

namespace harness {

// Screen pixels; right and bottom exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

struct MonitorLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<ScreenRect> monitors;

    // 1024x768 at (0, 0), the primary, and 800x600 at (1024, 0).
    static MonitorLayout twoMonitors();
    // One 1024x768 monitor.
    static MonitorLayout oneMonitor();
    // The two monitors and a third 800x600 at (1824, 0).
    static MonitorLayout threeMonitors();
};

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// A block of screen pixels, row by row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // How many pixels inside `area` (image coordinates, clipped) have exactly this colour.
    int count(const ScreenRect& area, Rgb colour) const;
};

// A top-level X window as the X server has it.
struct XWindowState {
    unsigned long id = 0;
    bool viewable = false;
    ScreenRect area; // in root coordinates
};

class VirtualDisplay {
public:
    explicit VirtualDisplay(MonitorLayout layout);
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay();

    const std::string& name() const { return name_; }
    // Where Xvfb's output goes; removed with the display.
    const std::string& workFolder() const { return workFolder_; }
    const MonitorLayout& layout() const { return layout_; }
    Display* x() const { return display_; }

    // The window whose title (WM_NAME) is `title`, searched in the whole window tree.
    std::optional<XWindowState> findWindow(const std::string& title) const;
    Rgb pixel(int x, int y) const;

    // Real input through the X server (XTest), as a person's mouse and keyboard would send it.
    void moveCursor(int x, int y) const;
    void pressButton(unsigned button) const;
    void releaseButton(unsigned button) const;
    // Press, hold across at least one frame of the program, release: by time, for when the program counts
    // no passes or makes none (a menu's own loop). OstrelProcess::click waits for its passes instead.
    void click(int x, int y, unsigned button = 1) const;
    // Keys by X key symbol name ("Right", "3", "Shift_L", "Return").
    void pressKey(const char* name) const;
    void releaseKey(const char* name) const;
    void tapKey(const char* name) const;
    // Unplugs monitor `index` of the layout, as the X server sees it (Wine learns of it through
    // WineSession::followDisplays).
    void removeMonitor(std::size_t index) const;
    // Plugs monitor `index` of the layout in again after removeMonitor.
    void plugMonitorBackIn(std::size_t index) const;
    // Gives monitor `index` another place and size, as a resolution change or a rearranged desktop does.
    void placeMonitor(std::size_t index, const ScreenRect& area) const;
    // The pixels of a screen area, as the X server shows them now.
    Image capture(const ScreenRect& area) const;

private:
    MonitorLayout layout_;
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
    std::string workFolder_;
    Display* display_ = nullptr;
};

} // namespace harness
