// The control panel: monitor choice, start with Windows, the grid switch, corner fields, reset and close.
#pragma once

// Draws the whole panel for one frame, between the panel library's new frame and its render.
void drawControlPanel();
