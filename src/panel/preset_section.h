// The tab "Configuracoes": saving the calibration under a name, and loading or deleting a saved setup.
#pragma once

void drawPresetSection();
