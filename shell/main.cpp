// The runtime's start-up calls WinMain; everything else starts in SaverEntry.
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SaverEntry();
}
