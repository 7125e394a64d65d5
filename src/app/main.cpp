// The entry point of ostrel.exe. The command line and the show command are ignored.
#include <windows.h>

#include "app/main_loop.h"
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    startUp(instance);
    runMainLoop();
    shutDown();
    return 0;
}
