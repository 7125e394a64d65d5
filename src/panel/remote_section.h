// The remote control's section: the port the control desk sends to, whether the local network may, and
// whether the program listens.
#pragma once

void drawRemoteSection();
