// The mapping tab's choice of the output it edits, and that output's "Recorte" (the part of the captured
// picture it shows) and "Mistura" (its edge blend).
#pragma once

void drawEditedOutputChoice();
void drawSourceSection();
void drawBlendSection();
