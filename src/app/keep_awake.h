// Keeping the displays and the PC awake while a projector shows the picture: without it the power plan's
// "turn off screen" timeout puts the projectors to standby in the middle of a show, and a laptop then sleeps.
#pragma once

// A step of every pass: asks the system to keep the displays and the system on while any output is shown,
// and gives that back when none is. One "LOG" line each time it starts and stops holding them.
void keepDisplaysAwakeWhileShown();
// Whether they are held now: the screen saver and the monitors' power-off are then refused.
bool displaysHeldAwake();
// Gives them back, when the program ends.
void releaseDisplays();
