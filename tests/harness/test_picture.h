// A native X window that shows a known test picture over one monitor, for the capture side of the program.
#pragma once

#include "virtual_display.h"

namespace harness {

// The picture: four large coloured blocks, thin white grid lines every 64 pixels and one white bar
// whose position is set by `phase` (0 to 1 across the width), so that a change is easy to see.
class TestPicture {
public:
    TestPicture(Display* display, ScreenRect area);
    TestPicture(const TestPicture&) = delete;
    TestPicture& operator=(const TestPicture&) = delete;
    ~TestPicture();

    void draw(double phase);
    // The colour the picture has at (x, y), relative to its top-left corner, for the same phase.
    static Rgb colourAt(int x, int y, int width, int height, double phase);
    // The middle of the bar, in pixels from the picture's left edge.
    static double barCentre(int width, double phase);

private:
    Display* display_;
    ScreenRect area_;
    unsigned long window_ = 0;
};

} // namespace harness
