// Solmir.scr on a machine too slow for it: every read of the tick clock comes
// SOLMIR_TEST_FRAME_MS (default 400) after the last, so the start-up probe
// times its first frame at that. With SOLMIR_TEST_STANDARD_USER set, the
// token is no administrator's. Everything else is the product itself.
#include "host/host.h"
#include "shell/shell.h"

#include <stdlib.h>

static DWORD s_dwSlowNow;
static DWORD s_dwStepMs = 400;

static DWORD WINAPI ReadSlowTickCount()
{
    s_dwSlowNow += s_dwStepMs;
    return s_dwSlowNow;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Installed before anything runs, so no static initialiser's order matters.
    const char* step = getenv("SOLMIR_TEST_FRAME_MS");
    if (step != NULL && atoi(step) > 0)
    {
        s_dwStepMs = static_cast<DWORD>(atoi(step));
    }
    g_pfnTickCount = ReadSlowTickCount;
    if (getenv("SOLMIR_TEST_STANDARD_USER") != NULL)
    {
        g_pfnIsAdministrator = [] { return false; };
    }
    SaverEntry();
}
