// The projection windows, one per output: class "OstrelProj", titled "Ostrel Projection" for the first
// output and "Ostrel Projection 2" to "Ostrel Projection 4" for the others.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Registers the window class once, before any projection window is made.
void registerProjectionClass(HINSTANCE instance);
// A new projection window, hidden, top-most, kept out of screen captures, titled for output `index`.
HWND makeProjectionWindow(std::size_t index);
// Every output's window titled for its place in the list, after an output before it was removed.
void titleProjectionWindows();
// The output whose window this is, or -1.
int32_t outputOfWindow(HWND window);
