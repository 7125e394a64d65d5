// Corner editing as the main loop runs it: the current mouse and keyboard polled, the rules applied.
#pragma once

// Moves AppState corners by the mouse and the keys while the panel is visible; saves the settings when a
// drag or a run of arrow-key steps ends.
void updateCornerEditing();
