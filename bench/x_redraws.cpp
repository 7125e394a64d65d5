// DAMAGE events, one per redraw: each notification is acknowledged so the next redraw reports again.
// A present damages both Wine's window and the drawable inside it, so the count is per window and the
// largest count is the number of redraws.
#include "x_redraws.h"

#include <algorithm>
#include <thread>

RedrawCounter::RedrawCounter(Display* x, Window window) : x_(x)
{
    int errorBase = 0;
    if (!XDamageQueryExtension(x_, &eventBase_, &errorBase))
        return;
    watch(window);
    XSync(x_, False);
}

RedrawCounter::~RedrawCounter()
{
    for (Damage damage : damages_)
        XDamageDestroy(x_, damage);
    XSync(x_, False);
}

void RedrawCounter::watch(Window window)
{
    damages_.push_back(XDamageCreate(x_, window, XDamageReportNonEmpty));
    Window root, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x_, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i)
            watch(children[i]);
        if (children)
            XFree(children);
    }
}

long RedrawCounter::poll()
{
    while (XPending(x_)) {
        XEvent event;
        XNextEvent(x_, &event);
        if (event.type == eventBase_ + XDamageNotify) {
            auto* notify = reinterpret_cast<XDamageNotifyEvent*>(&event);
            XDamageSubtract(x_, notify->damage, None, None);
            redraws_ = std::max(redraws_, ++perWindow_[notify->damage]);
        }
    }
    return redraws_;
}

long RedrawCounter::waitFor(long count, std::chrono::milliseconds timeout)
{
    const long start = poll();
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (poll() - start < count && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return redraws_ - start;
}
