// ostrel-test-picture [DISPLAY-AREA]: shows the moving test picture over the first monitor until killed.
#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "test_picture.h"

int main(int argc, char** argv)
{
    harness::ScreenRect area{0, 0, 1024, 768};
    if (argc > 1 && std::sscanf(argv[1], "%dx%d+%d+%d", &area.right, &area.bottom, &area.left, &area.top) == 4) {
        area.right += area.left;
        area.bottom += area.top;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "ostrel-test-picture: no X display\n");
        return 1;
    }
    harness::TestPicture picture(display, area);
    for (long frame = 0;; ++frame) {
        // The bar sweeps across and back every four seconds.
        const double t = static_cast<double>(frame % 120) / 120.0;
        picture.draw(t < 0.5 ? 2 * t : 2 - 2 * t);
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
}
