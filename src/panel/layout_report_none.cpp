// The program's build: the panel reports no layout.
#include "panel/layout_report.h"

void reportPanelItem(const char*) {}
void reportPanelPopup(const char*, int) {}
void reportPanelFrameEnd() {}
void reportPassEnd() {}
bool reportedDeviceRemoval() { return false; }
