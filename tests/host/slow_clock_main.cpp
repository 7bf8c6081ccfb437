// Solmir.scr on a machine far too slow for it: every read of the tick clock
// comes 400 ms after the last, so the start-up probe times its first frame at
// 400 ms, 2.5 frames per second. Everything else is the product itself.
#include "shell/shell.h"

static DWORD s_dwSlowNow;

static DWORD WINAPI ReadSlowTickCount()
{
    s_dwSlowNow += 400;
    return s_dwSlowNow;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Installed before anything runs, so no static initialiser's order matters.
    g_pfnTickCount = ReadSlowTickCount;
    SaverEntry();
}
