// The displays the full-screen saver shows on. Its one window covers the
// whole virtual screen, and each monitor gets a viewport of its own, so the
// scene stands whole and centred on every monitor at that monitor's aspect.
// The window follows every change of the layout, and the animation rests
// while the displays are switched off.
#include "host/host.h"

#include "engine/engine.h"
#include "shell/shell.h"

#include <string.h>

bool g_bPrimaryOnly;

namespace
{

MonitorLayout s_Layout;     // the layout the saver window was last fitted to
HPOWERNOTIFY s_hPowerWatch; // the registration for the console's display state
bool s_bDisplaysOff;        // the console's displays are off: no frame is drawn
bool s_bResting;            // the ticks stopped for the dark; one is owed when they come on
DWORD s_dwRestStart;        // tick when the ticks stopped

const DWORD kDisplayOff = 0; // the state's other values: 1 on, 2 dimmed (still seen)

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MonitorLayout* layout = reinterpret_cast<MonitorLayout*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info) || layout->count >= kMaxMonitors)
    {
        return TRUE;
    }
    // The primary first: it is the one kept when only one can be animated.
    RECT* slot = &layout->monitors[layout->count++];
    if (info.dwFlags & MONITORINFOF_PRIMARY)
    {
        slot = &layout->monitors[0];
        layout->monitors[layout->count - 1] = *slot;
    }
    *slot = info.rcMonitor;
    return TRUE;
}

void ReadSystemMonitors(MonitorLayout* layout)
{
    *layout = {};
    EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(layout));
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    layout->screen = {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool IsUsable(const RECT& r)
{
    return r.right > r.left && r.bottom > r.top;
}

bool SameMonitorLayout(const MonitorLayout& a, const MonitorLayout& b)
{
    return EqualRect(&a.screen, &b.screen) && a.count == b.count &&
           memcmp(a.monitors, b.monitors, sizeof(RECT) * a.count) == 0;
}

} // namespace

ReadMonitorsProc g_pfnReadMonitors = ReadSystemMonitors;

int LayOutViewports(const MonitorLayout& layout, bool primaryOnly, SceneViewport* viewports)
{
    const RECT& screen = layout.screen;
    const int count = primaryOnly && layout.count > 1 ? 1 : layout.count;
    int made = 0;
    for (int i = 0; i < count && i < kMaxMonitors; ++i)
    {
        RECT m = {};
        // A monitor reaching past the virtual screen is drawn only where the window is.
        if (!IntersectRect(&m, &layout.monitors[i], &screen))
        {
            continue;
        }
        // GL counts rows from the bottom of the window.
        SceneViewport v = {m.left - screen.left, screen.bottom - m.bottom, m.right - m.left,
                           m.bottom - m.top};
        bool seen = false;
        for (int j = 0; j < made; ++j)
        {
            // A monitor that shows a copy of another is drawn once.
            seen = seen || memcmp(&viewports[j], &v, sizeof(v)) == 0;
        }
        if (!seen)
        {
            viewports[made++] = v;
        }
    }
    // No monitor known: the scene fills the window.
    if (made == 0)
    {
        viewports[made++] = {0, 0, screen.right - screen.left, screen.bottom - screen.top};
    }
    return made;
}

void FitSaverWindow(HWND hwnd)
{
    if (!g_bFullScreen)
    {
        RECT client = {};
        GetClientRect(hwnd, &client);
        ResizeGLScene(client.right, client.bottom);
        return;
    }
    // Kept as read, so that the next read compares equal until the layout changes.
    g_pfnReadMonitors(&s_Layout);
    MonitorLayout layout = s_Layout;
    if (!IsUsable(layout.screen))
    {
        // Between two layouts the system may report none: the primary screen stands in.
        layout = {{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, {}, 0};
    }
    const RECT& screen = layout.screen;
    SetWindowPos(hwnd, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOACTIVATE);
    g_nViewports = LayOutViewports(layout, g_bPrimaryOnly, g_Viewports);
    // The system may have moved the cursor off a monitor that went: that is
    // not the user moving the mouse.
    GetCursorPos(&g_ptCursorRef);
}

void RefitOnLayoutChange(HWND hwnd)
{
    if (!g_bFullScreen)
    {
        return;
    }
    MonitorLayout now = {};
    g_pfnReadMonitors(&now);
    if (!SameMonitorLayout(now, s_Layout))
    {
        FitSaverWindow(hwnd);
    }
}

void WatchDisplayPower(HWND hwnd)
{
    ForgetDisplayPower();
    s_hPowerWatch = RegisterPowerSettingNotification(hwnd, &GUID_CONSOLE_DISPLAY_STATE,
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
}

void ForgetDisplayPower()
{
    if (s_hPowerWatch != NULL)
    {
        UnregisterPowerSettingNotification(s_hPowerWatch);
        s_hPowerWatch = NULL;
    }
    s_bDisplaysOff = false;
    s_bResting = false;
}

void OnDisplayPower(HWND hwnd, WPARAM event, LPARAM data)
{
    const POWERBROADCAST_SETTING* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
    if (event != PBT_POWERSETTINGCHANGE || setting == NULL ||
        !IsEqualGUID(setting->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) ||
        setting->DataLength < sizeof(DWORD))
    {
        return;
    }
    DWORD state = 0;
    memcpy(&state, setting->Data, sizeof(state));
    s_bDisplaysOff = state == kDisplayOff;
    if (!s_bDisplaysOff && s_bResting)
    {
        // Where it was: the dark time owes no module switch, and one tick
        // takes up the frames again at their pace.
        s_bResting = false;
        ShiftModuleCycle(ReadTickCount() - s_dwRestStart);
        PostSaverTick(hwnd);
    }
}

bool RestWhileDark()
{
    if (!s_bDisplaysOff || g_bInTick || g_bStopRequested)
    {
        return false;
    }
    if (!s_bResting)
    {
        s_bResting = true;
        s_dwRestStart = ReadTickCount();
    }
    return true;
}

bool IsResting()
{
    return s_bResting;
}
