// Counts the redraws of an X window (and its children) with the DAMAGE extension: under Wine every
// present of the projection redraws its window once, so redraws are passes of the program's loop.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <map>
#include <vector>

class RedrawCounter {
public:
    RedrawCounter(Display* x, Window window);
    RedrawCounter(const RedrawCounter&) = delete;
    RedrawCounter& operator=(const RedrawCounter&) = delete;
    ~RedrawCounter();

    // Takes the pending events; returns the total so far.
    long poll();
    // Polls until `count` more redraws have happened or the time is up; returns how many did.
    long waitFor(long count, std::chrono::milliseconds timeout);

private:
    void watch(Window window);

    Display* x_;
    int eventBase_ = 0;
    std::vector<Damage> damages_;
    std::map<Damage, long> perWindow_;
    long redraws_ = 0;
};
