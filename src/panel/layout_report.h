// Where the panel's widgets are, for the test build that reports it; the program itself reports nothing.
#pragma once

// After a widget: its rectangle under this name. After a combo list: also its open popup, if any.
void reportPanelItem(const char* name);
void reportPanelPopup(const char* name, int itemCount);
// At the end of each panel frame.
void reportPanelFrameEnd();
