// The mapping tab's choice of the output it edits, and that output's "Recorte" (the part of the captured
// picture it shows), "Mistura" (its edge blend) and "Cor" (its colour matching).
#pragma once

void drawEditedOutputChoice();
void drawSourceSection();
void drawBlendSection();
void drawColorSection();
