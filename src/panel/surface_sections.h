// The mapping tab's surfaces of the edited output (which one is edited, adding, removing and ordering
// them) and its "Mascaras".
#pragma once

void drawSurfaceRows();
void drawMaskSection();
