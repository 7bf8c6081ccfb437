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

int ClientWidth(HWND hwnd)
{
    RECT rect = {};
    GetClientRect(hwnd, &rect);
    return rect.right - rect.left;
}

void OnHostCreate(HWND hwnd)
{
    g_bSaverMode = true;
    RegSelectKey(hwnd, g_szProductKey);
    LoadModuleParams();
    // Only the width decides: a preview is narrower than the desktop.
    g_bFullScreen = ClientWidth(hwnd) == ClientWidth(GetDesktopWindow());

    if (!CreateGLContext(hwnd, 32))
    {
        // The context has shown its own message; the normal close path runs.
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    ProbeFrameRate();
    g_dwCycleStart = ReadTickCount();
    PostSaverTick(hwnd);
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
    }
    // The close gate decides whether the window goes.
    return DefSaverWindowProc(hwnd, message, wParam, lParam);
}
