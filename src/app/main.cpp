// The entry point of ostrel.exe. The command line and the show command are ignored.
#include <windows.h>

#include "app/main_loop.h"
#include "app/single_instance.h"
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (handedOverToRunningInstance())
        return 0;
    // Without a device or a swap chain nothing could be drawn: stop in order, with the reason logged.
    const bool ready = startUp(instance);
    if (ready)
        runMainLoop();
    shutDown();
    if (!ready)
        tellStartFailure();
    return ready ? 0 : 1;
}
