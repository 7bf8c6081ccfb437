// The tick clock. Every timed rule of the program (frame pacing, the probe,
// module cycling, the password refusal window) reads time through here, so a
// test can drive time by swapping g_pfnTickCount.
#include "shell/shell.h"

TickCountProc g_pfnTickCount = GetTickCount;

DWORD ReadTickCount()
{
    return g_pfnTickCount();
}

void SleepTicks(DWORD ms)
{
    Sleep(ms);
}
