// save_loop.exe: saves two different sets of corners in turn, as fast as it can, until it is killed.
// The power-loss test kills it at random moments and looks at what config.json holds.
#include "app/app_state.h"
#include "app/app_settings.h"

int main()
{
    const CornerSet first{{{-0.9f, 0.9f}, {0.9f, 0.9f}, {-0.9f, -0.9f}, {0.9f, -0.9f}}};
    const CornerSet second{{{-0.25f, 0.5f}, {0.75f, 0.125f}, {-1.5f, -0.5f}, {2.0f, -1.0f}}};
    for (unsigned long round = 0;; ++round) {
        app.outputs[0].values.surfaces.front().corners = (round % 2) ? second : first;
        saveSettings();
    }
}
