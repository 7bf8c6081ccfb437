// The saver host: the middle layer of the saver window's messages. It sets the
// animation up on creation, draws one frame per self-posted tick after
// draining the window's input, and tears down and saves on the first close.
#include "host/host.h"

#include "engine/engine.h"
#include "render/render.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "resource.h"

namespace
{

void OnHostCreate(HWND hwnd)
{
    g_bSaverMode = true;
    // A preview is a child of the display settings' window; the full-screen
    // saver stands alone over every monitor.
    g_bFullScreen = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) == 0;
    FitSaverWindow(hwnd);
    if (!BeginSaverRun(hwnd, hwnd))
    {
        // The context has shown its own message; the normal close path runs.
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    if (g_bFullScreen)
    {
        WatchDisplayPower(hwnd);
    }
}

void ShowFrameRateNotice(HWND hwnd)
{
    // The notice replaces the animation: no tick follows it, and the stop
    // request keeps a stray tick from showing it a second time.
    g_bInTick = true;
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), hwnd, FrameRateNoticeProc,
                    0);
    g_bStopRequested = true;
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    g_bInTick = false;
}

void OnHostTick(HWND hwnd)
{
    if (RestWhileDark())
    {
        return;
    }
    if (!g_bInTick && !g_bStopRequested &&
        FrameRateNoticeDue(g_bFrameRateOk, g_bFullScreen, g_fFrameRate))
    {
        ShowFrameRateNotice(hwnd);
        return;
    }
    if (RunSaverTick(hwnd, nullptr))
    {
        // Every frame: nothing may cover the saver, whatever opened meanwhile.
        SetWindowPos(g_hSaverWnd, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
}

void OnHostClose()
{
    ForgetDisplayPower();
    if (BeginSaverClose())
    {
        // The view steered with the keys is kept for the module on screen.
        StoreViewToModule(g_nModule);
        SaveModuleParams();
    }
}

} // namespace

LRESULT SaverHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        OnHostCreate(hwnd);
        break;
    case WM_SAVER_TICK:
        OnHostTick(hwnd);
        break;
    case WM_CLOSE:
        OnHostClose();
        break;
    case WM_DISPLAYCHANGE:
        // A monitor came or went, woke, or changed its mode: the window covers
        // the new virtual screen at once and each monitor's view follows.
        FitSaverWindow(hwnd);
        break;
    case WM_DPICHANGED:
        // The rectangle the system suggests fits one monitor; the saver keeps
        // covering them all, in physical pixels.
        FitSaverWindow(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        // The system may move the cursor before the layout change reaches the
        // window; that is not the user moving the mouse.
        RefitOnLayoutChange(hwnd);
        break;
    case WM_POWERBROADCAST:
        OnDisplayPower(hwnd, wParam, lParam);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // While the ticks rest no drain takes the keys; they still steer and quit.
        if (IsResting())
        {
            TakeKeyOutsideTick(hwnd, message, wParam, lParam);
        }
        break;
    }
    // The close gate decides whether the window goes.
    return DefSaverWindowProc(hwnd, message, wParam, lParam);
}
