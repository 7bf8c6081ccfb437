// The saver host: the middle layer of the saver window's messages. It sets the
// animation up on creation, draws one frame per self-posted tick after
// draining the window's input, and tears down and saves on the first close.
#include "host/host.h"

#include "engine/engine.h"
#include "render/render.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "resource.h"

bool g_bSaverMode;
bool g_bFullScreen;
bool g_bStopRequested;
bool g_bClosing;
bool g_bInTick;

const char g_szProductKey[] = "Software\\Quenwick\\Solmir";

namespace
{

void PostTick(HWND hwnd)
{
    PostMessageA(hwnd, WM_SAVER_TICK, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
}

void PostClose(HWND hwnd)
{
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

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
        PostClose(hwnd);
        return;
    }
    ProbeFrameRate();
    g_dwCycleStart = ReadTickCount();
    PostTick(hwnd);
}

void ShowFrameRateNotice(HWND hwnd)
{
    // The notice replaces the animation: no tick follows it, and the stop
    // request keeps a stray tick from showing it a second time.
    g_bInTick = true;
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_FRAME_RATE_NOTICE), hwnd, FrameRateNoticeProc,
                    0);
    g_bStopRequested = true;
    PostClose(hwnd);
    g_bInTick = false;
}

// Takes everything waiting for the window: keys go to the view controls, a
// close becomes a stop request (tear-down must not run inside the tick), the
// rest is dispatched as usual.
void PumpSaverInput(HWND hwnd)
{
    MSG msg = {};
    while (!g_bStopRequested && PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
    {
        switch (msg.message)
        {
        case WM_KEYDOWN:
        case WM_KEYUP:
            HandleViewKey(hwnd, msg.message, msg.wParam, msg.lParam);
            break;
        case WM_CLOSE:
            g_bStopRequested = true;
            break;
        default:
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
    }
}

void OnHostTick(HWND hwnd)
{
    // Ticks dispatched from inside the pump or a modal dialog are dropped;
    // only the outer tick posts the next one.
    if (g_bInTick || g_bStopRequested)
    {
        return;
    }
    if (FrameRateNoticeDue(g_bFrameRateOk, g_bFullScreen, g_fFrameRate))
    {
        ShowFrameRateNotice(hwnd);
        return;
    }

    g_bInTick = true;
    PumpSaverInput(hwnd);
    if (g_bStopRequested && !g_bClosing)
    {
        // Replaces the close the pump took, or answers a quitting key.
        PostClose(hwnd);
    }
    if (!g_bStopRequested)
    {
        RenderFrame(hwnd);
    }
    if (!g_bStopRequested)
    {
        SetWindowPos(g_hSaverWnd, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        PostTick(hwnd);
    }
    g_bInTick = false;
}

void OnHostClose()
{
    if (g_bClosing)
    {
        return;
    }
    g_bClosing = true;
    g_bStopRequested = true;
    KillGLContext();
    // The view steered with the keys is kept for the module on screen.
    StoreViewToModule(g_nModule);
    SaveModuleParams();
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
