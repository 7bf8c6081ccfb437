// The animation tick, shared by the saver window and the settings dialog: each
// self-posted tick first takes everything waiting for the window (keys go to
// the view controls, a close becomes a stop request), then draws one frame
// and posts the next tick. There is no timer and no second thread.
#include "host/host.h"

#include "engine/engine.h"
#include "render/render.h"
#include "settings/settings.h"

bool g_bSaverMode;
bool g_bFullScreen;
bool g_bStopRequested;
bool g_bInTick;

namespace
{

bool g_bClosing; // tear-down has run

// Keys steer the view unless the settings dialog's interval box is in use.
// The full-screen saver takes the system keys too (Alt, F10, Alt+letter):
// they are keys like any other and quit it. Elsewhere they keep their
// meaning for the window (Alt+F4, mnemonics).
bool IsViewKeyMessage(UINT message, const bool* keysToControls)
{
    if (keysToControls != nullptr && *keysToControls)
    {
        return false;
    }
    switch (message)
    {
    case WM_KEYDOWN:
    case WM_KEYUP:
        return true;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return g_bSaverMode && g_bFullScreen;
    default:
        return false;
    }
}

// Takes everything waiting for the window and its children. A close is not
// dispatched: tear-down must not run inside the tick.
void DrainSaverQueue(HWND window, const bool* keysToControls)
{
    MSG msg = {};
    while (!g_bStopRequested && PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
    {
        if (IsViewKeyMessage(msg.message, keysToControls))
        {
            HandleViewKey(window, msg.message, msg.wParam, msg.lParam);
        }
        else if (msg.message == WM_CLOSE)
        {
            g_bStopRequested = true;
        }
        else
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

} // namespace

void ResetRunFlags()
{
    g_bSaverMode = false;
    g_bFullScreen = false;
    g_bStopRequested = false;
    g_bClosing = false;
    g_bInTick = false;
}

bool BeginSaverRun(HWND window, HWND glWindow)
{
    RegSelectKey(window, g_szProductKey);
    LoadModuleParams();
    if (glWindow == NULL || !CreateGLContext(glWindow, 32))
    {
        return false;
    }
    ProbeFrameRate();
    StartModuleCycle();
    PostSaverTick(window);
    return true;
}

void PostSaverTick(HWND window)
{
    PostMessageA(window, WM_SAVER_TICK, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
}

bool RunSaverTick(HWND window, const bool* keysToControls)
{
    // Ticks dispatched from inside the drain or a modal dialog are dropped;
    // only the outer tick posts the next one.
    if (g_bInTick)
    {
        return false;
    }
    // A stop that came between two ticks (OK sent from outside, say) still
    // closes the window.
    if (g_bStopRequested)
    {
        if (!g_bClosing)
        {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        return false;
    }
    g_bInTick = true;
    DrainSaverQueue(window, keysToControls);
    if (g_bStopRequested && !g_bClosing)
    {
        // Replaces the close the drain took, or answers a quitting key.
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    bool drawn = false;
    if (!g_bStopRequested)
    {
        RenderFrame(window);
        drawn = !g_bStopRequested;
    }
    if (drawn)
    {
        PostSaverTick(window);
    }
    g_bInTick = false;
    return drawn;
}

bool BeginSaverClose()
{
    if (g_bClosing)
    {
        return false;
    }
    g_bClosing = true;
    g_bStopRequested = true;
    KillGLContext();
    return true;
}

void TakeKeyOutsideTick(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_bInTick || !IsViewKeyMessage(message, nullptr))
    {
        return;
    }
    // A dialog the key opens stops the animation, as it does from a tick.
    g_bInTick = true;
    HandleViewKey(window, message, wParam, lParam);
    g_bInTick = false;
    if (g_bStopRequested && !g_bClosing)
    {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}
