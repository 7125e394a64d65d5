// The test picture, drawn with plain Xlib rectangles.
#include "test_picture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace harness {

namespace {

constexpr int kGridStep = 64;
constexpr int kBarWidth = 24;

const Rgb kBlocks[4] = {{200, 40, 40}, {40, 170, 60}, {40, 70, 200}, {220, 200, 40}};
const Rgb kWhite{255, 255, 255};

unsigned long pixelOf(Rgb c)
{
    return (static_cast<unsigned long>(c.r) << 16) | (static_cast<unsigned long>(c.g) << 8) | c.b;
}

int barLeft(int width, double phase)
{
    return static_cast<int>(phase * (width - kBarWidth));
}

} // namespace

TestPicture::TestPicture(Display* display, ScreenRect area) : display_(display), area_(area)
{
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), area_.left, area_.top,
                            static_cast<unsigned>(area_.width()), static_cast<unsigned>(area_.height()), 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                            &attributes);
    XStoreName(display_, window_, "ostrel test picture");
    XMapRaised(display_, window_);
    XSync(display_, False);
}

TestPicture::~TestPicture()
{
    XDestroyWindow(display_, window_);
    XSync(display_, False);
}

Rgb TestPicture::colourAt(int x, int y, int width, int height, double phase)
{
    const int bar = barLeft(width, phase);
    if (x >= bar && x < bar + kBarWidth)
        return kWhite;
    if (x % kGridStep == 0 || y % kGridStep == 0)
        return kWhite;
    return kBlocks[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
}

double TestPicture::barCentre(int width, double phase)
{
    return barLeft(width, phase) + kBarWidth / 2.0;
}

void TestPicture::draw(double phase)
{
    // Kept above everything, the program's own windows included.
    XRaiseWindow(display_, window_);
    const int width = area_.width(), height = area_.height();
    GC gc = XCreateGC(display_, window_, 0, nullptr);
    for (int block = 0; block < 4; ++block) {
        XSetForeground(display_, gc, pixelOf(kBlocks[block]));
        const int left = (block % 2) * (width / 2), top = (block / 2) * (height / 2);
        XFillRectangle(display_, window_, gc, left, top, static_cast<unsigned>(block % 2 ? width - left : width / 2),
                       static_cast<unsigned>(block / 2 ? height - top : height / 2));
    }
    XSetForeground(display_, gc, pixelOf(kWhite));
    for (int x = 0; x < width; x += kGridStep)
        XFillRectangle(display_, window_, gc, x, 0, 1, static_cast<unsigned>(height));
    for (int y = 0; y < height; y += kGridStep)
        XFillRectangle(display_, window_, gc, 0, y, static_cast<unsigned>(width), 1);
    XFillRectangle(display_, window_, gc, barLeft(width, phase), 0, kBarWidth, static_cast<unsigned>(height));
    XFreeGC(display_, gc);
    XSync(display_, False);
}

} // namespace harness
