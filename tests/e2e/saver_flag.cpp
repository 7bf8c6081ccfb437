// Reports the system's saver-running flag through its exit code: 1 set, 0 clear, 2 when it cannot
// be read. A process of its own, because a process keeps the first value it read of this setting.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    BOOL running = FALSE;
    return SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) ? running != 0 : 2;
}
