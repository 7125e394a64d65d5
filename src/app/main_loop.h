// The main loop and the orderly shutdown after it.
#pragma once

// Runs passes until AppState running is cleared between two passes.
void runMainLoop();

// Gives back what start-up took, in reverse order.
void shutDown();
