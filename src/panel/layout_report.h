// What the test build of the program reports: where the panel's widgets are, how many passes ran. The
// program itself reports nothing.
#pragma once

// After a widget: its rectangle under this name. After a combo list: also its open popup, if any.
void reportPanelItem(const char* name);
void reportPanelPopup(const char* name, int itemCount);
// At the end of each panel frame.
void reportPanelFrameEnd();
// At the end of every pass of the main loop.
void reportPassEnd();

// At the end of each pass: true once for every removal of the Direct3D device that a test asked for, so
// that the program takes its next present as a lost device. Never in the program itself.
bool reportedDeviceRemoval();
