// Black windows over every monitor but the primary while saving full screen.
// The saver window itself covers the primary monitor only; without these the
// other screens would keep showing the desktop. They never take the focus, hide
// the cursor like the saver window, and hand mouse and key input on to it, so
// dismissal and the view keys behave the same over every screen.
#include "shell/shell.h"

const char COVER_CLASS_NAME[] = "SolmirCoverClass";

HWND g_hCoverWnds[MAX_COVER_WINDOWS];
int g_nCoverWnds;

static LRESULT CALLBACK CoverWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SETCURSOR:
        SetCursor(NULL);
        return TRUE;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // The saver window measures mouse movement from GetCursorPos, not from
        // the message's coordinates, so passing the message on is enough. While
        // a modal dialog has the saver disabled, input over a cover is dropped
        // as it would be over the saver itself.
        if (g_hSaverWnd && IsWindowEnabled(g_hSaverWnd))
        {
            PostMessageA(g_hSaverWnd, message, wParam, lParam);
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_NEXTWINDOW ||
            (wParam & 0xFFF0) == SC_PREVWINDOW)
        {
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static BOOL CALLBACK AddCoverWindow(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY))
    {
        return TRUE;
    }
    if (g_nCoverWnds >= MAX_COVER_WINDOWS)
    {
        return FALSE;
    }
    const RECT& r = info.rcMonitor;
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                 COVER_CLASS_NAME, "", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, NULL, NULL, g_hInstance, NULL);
    if (cover)
    {
        g_hCoverWnds[g_nCoverWnds++] = cover;
    }
    return TRUE;
}

void CreateCoverWindows()
{
    DestroyCoverWindows();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CoverWindowProc;
    wc.hInstance = g_hInstance;
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = COVER_CLASS_NAME;
    // A second registration in the same process fails harmlessly.
    RegisterClassA(&wc);
    EnumDisplayMonitors(NULL, NULL, AddCoverWindow, 0);
}

void DestroyCoverWindows()
{
    for (int i = 0; i < g_nCoverWnds; i++)
    {
        if (g_hCoverWnds[i])
        {
            DestroyWindow(g_hCoverWnds[i]);
            g_hCoverWnds[i] = NULL;
        }
    }
    g_nCoverWnds = 0;
}
