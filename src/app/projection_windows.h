// The projection windows, one per output: class "OstrelProj", titled "Ostrel Projection" for the first
// output and "Ostrel Projection 2" to "Ostrel Projection 4" for the others.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ProjectionOutput;

// Registers the window class once, before any projection window is made.
void registerProjectionClass(HINSTANCE instance);
// A new projection window for the output at `index`, hidden, top-most, titled for its place, and kept out of
// screen captures where the system can (`excludedFromCapture`): a projection on the captured monitor would
// otherwise show itself again and again.
void makeProjectionWindow(ProjectionOutput& output, std::size_t index);
// One "WARN" line for each output that lies on the captured monitor without being kept out of its capture,
// once until it moves off; the panel says so too (`onCapturedMonitor`).
void warnOfProjectionsOnCapturedMonitor();
// Every output's window titled for its place in the list, after an output before it was removed.
void titleProjectionWindows();
// The output whose window this is, or -1.
int32_t outputOfWindow(HWND window);
