// What the test build of the program reports: how many passes ran, and (through the panel library's
// item hooks, which it turns on) where the panel's widgets are. The program itself reports nothing.
#pragma once

// At the end of every pass of the main loop.
void reportPassEnd();

// At the end of each pass: true once for every removal of the Direct3D device that a test asked for, so
// that the program takes its next present as a lost device. Never in the program itself.
bool reportedDeviceRemoval();
