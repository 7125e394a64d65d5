// The panel's "Apresentacao" tab: blackout and freeze, the edited output's test pattern and colour
// matching, and the remote control.
#pragma once

void drawShowTab();
