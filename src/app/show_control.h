// Running a show: blackout and freeze of every output, test patterns, colour matching, and the global
// hotkeys that reach them while the panel is hidden. None of it but the colour matching is saved: a
// restart is live.
#pragma once

#include <windows.h>

#include <cstdint>

#include "render/test_patterns.h"

// The id of each hotkey's WM_HOTKEY.
inline constexpr int kBlackoutHotKey = 1; // Ctrl+Alt+B
inline constexpr int kFreezeHotKey = 2;   // Ctrl+Alt+F

// Every output fades to black (0.3 s) or back to the picture.
void chooseBlackout(bool on);
// Every output keeps its last picture, and nothing is captured, until it is live again.
void chooseFreeze(bool on);
// Output `output` (-1: every output) shows the pattern from the next pass.
void choosePattern(int32_t output, TestPattern pattern);

// Ctrl+Alt+B and Ctrl+Alt+F for the control window; one "WARN" line for each that another program holds.
void registerShowHotKeys();
void unregisterShowHotKeys();
// WM_HOTKEY: the blackout or the freeze switched.
void followShowHotKey(WPARAM id);

// The blackout's fade moved on to now; whether it is still under way.
bool advanceBlackoutFade();
