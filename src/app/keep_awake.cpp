// The thread's execution state, held while an output is shown.
#include "app/keep_awake.h"

#include <windows.h>

#include "app/app_state.h"
#include "platform/debug_log.h"

namespace {

bool held = false;

// Asks for, or gives back, the displays and the system, and says so.
void holdDisplays(bool wanted)
{
    // ES_CONTINUOUS keeps the state until the next call; alone, it clears what was asked for.
    const EXECUTION_STATE state =
        wanted ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED : ES_CONTINUOUS;
    held = wanted;
    // Not asked again every pass when refused: the screen saver and power-off are still refused below.
    if (SetThreadExecutionState(state) == 0 && wanted) {
        Log("WARN", "O Windows recusou manter a tela ligada");
        return;
    }
    Log("LOG", wanted ? "Tela e sistema mantidos ligados enquanto ha projecao"
                      : "Tela e sistema liberados: nenhuma projecao");
}

} // namespace

void keepDisplaysAwakeWhileShown()
{
    if (anyOutputShown() != held)
        holdDisplays(!held);
}

bool displaysHeldAwake()
{
    return held;
}

void releaseDisplays()
{
    if (held)
        holdDisplays(false);
}
