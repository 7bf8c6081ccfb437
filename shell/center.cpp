// Centres the program's dialogs on the desktop.
#include "shell/shell.h"

namespace
{

// Top-left corner that centres a window of the given rectangle on the desktop.
POINT CenteredOrigin(RECT desktop, RECT window)
{
    // Integer division truncates toward zero, also when the window is larger
    // than the desktop and the offsets go negative.
    POINT origin = {};
    origin.x = (desktop.right - (window.right - window.left)) / 2;
    origin.y = (desktop.bottom - (window.bottom - window.top)) / 2;
    return origin;
}

} // namespace

void CenterOnDesktop(HWND hwnd)
{
    RECT desktop = {};
    RECT window = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(hwnd, &window);
    POINT origin = CenteredOrigin(desktop, window);
    SetWindowPos(hwnd, HWND_TOP, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}
