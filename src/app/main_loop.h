// The main loop and the orderly shutdown after it.
#pragma once

#include <windows.h>

// Runs passes until AppState running is cleared between two passes.
void runMainLoop();

// The system's own loops (the tray menu, the panel held by its title bar or sized) hold the thread: a
// timer keeps the passes going from inside them, so the projections stay live. Called when such a loop
// starts (`entering`) and ends.
void keepPassesGoingInModalLoop(bool entering);
// A WM_TIMER of the control window: one pass, when it is the modal loop's timer (true), without taking
// messages (the modal loop takes them) and never inside a pass already running.
bool runPassFromTimer(UINT_PTR timer);

// Gives back what start-up took, in reverse order.
void shutDown();
