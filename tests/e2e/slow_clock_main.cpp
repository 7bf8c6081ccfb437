// Solmir.scr on a machine too slow for it: every read of the tick clock comes SOLMIR_TEST_FRAME_MS
// (default 400) for each monitor drawn after the last, so the start-up probe times its first frame
// at that. With SOLMIR_TEST_STANDARD_USER set, the token is no administrator's. Everything else is
// the product itself.
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <stdlib.h>

static DWORD s_dwSlowNow;
static DWORD s_dwStepMs = 400;

static DWORD WINAPI ReadSlowTickCount()
{
    return s_dwSlowNow += s_dwStepMs * (g_nViewports > 1 ? g_nViewports : 1);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Installed before anything runs, so no static initialiser's order matters.
    const char* step = getenv("SOLMIR_TEST_FRAME_MS");
    s_dwStepMs = step != NULL && atoi(step) > 0 ? static_cast<DWORD>(atoi(step)) : s_dwStepMs;
    g_pfnTickCount = ReadSlowTickCount;
    if (getenv("SOLMIR_TEST_STANDARD_USER") != NULL)
    {
        g_pfnIsAdministrator = [] { return false; };
    }
    SaverEntry();
}
