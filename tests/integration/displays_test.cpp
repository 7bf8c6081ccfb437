// The full-screen saver window in this process, on monitor layouts the test hands it through the
// layout seam: it covers them all with the scene whole and centred on each, follows display
// changes, and rests while the displays are off.
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <string.h>

#include <memory>

namespace
{

MonitorLayout g_Given; // what the seam reports
DWORD g_dwSkew;        // added to the real clock: the time the test lets pass at once

void ReadGivenMonitors(MonitorLayout* layout)
{
    *layout = g_Given;
}

DWORD WINAPI SkewedTickCount()
{
    return GetTickCount() + g_dwSkew;
}

void Give(const std::vector<RECT>& monitors)
{
    g_Given = {};
    for (const RECT& m : monitors)
    {
        UnionRect(&g_Given.screen, &g_Given.screen, &m);
        g_Given.monitors[g_Given.count++] = m;
    }
}

// Waits until the ring has turned by `frames` more frames.
bool WaitForFrames(int frames)
{
    const float start = g_fRingAngle;
    return WaitUntil([&] { return g_fRingAngle >= start + frames * 0.67f; }, 10000);
}

// Takes what is waiting for this thread. False when the queue never empties:
// a chain of ticks goes on.
bool TakeUntilIdle()
{
    MSG msg = {};
    for (int i = 0; i < 20; ++i)
    {
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return false;
}

void SendDisplayState(HWND saver, DWORD state)
{
    POWERBROADCAST_SETTING setting = {GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), {}};
    memcpy(setting.Data, &state, sizeof(state));
    SendMessageA(saver, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                 reinterpret_cast<LPARAM>(&setting));
}

// One saver window, its monitors handed in through the seam, through every change in turn.
TEST(SaverWindow, CoversEveryMonitorFollowsTheirChangesAndRestsWhileTheDisplaysAreOff)
{
    g_hInstance = GetModuleHandleA(NULL);
    DeleteTree(HKEY_CURRENT_USER, "Software\\Quenwick\\Solmir");
    // Module 1 far enough that it stands whole on a narrow monitor.
    SetDword(HKEY_CURRENT_USER, "Software\\Quenwick\\Solmir", "mod1 depth", 6000);
    ResetRunFlags();
    ResetSceneState();
    g_pfnReadMonitors = ReadGivenMonitors;
    g_pfnTickCount = SkewedTickCount;
    Give({{0, 0, 1024, 768}});
    HWND saver = CreateSaverWindow(NULL);
    // However the test ends, the window goes, and the clock is the system's again.
    std::shared_ptr<void> restore(nullptr,
                                  [&](void*)
                                  {
                                      DestroyWindow(saver);
                                      g_pfnTickCount = GetTickCount;
                                      TakeUntilIdle();
                                      ResetRunFlags();
                                  });
    ASSERT_TRUE(saver != NULL && WaitForFrames(3));
    const RECT alone = LitBox({0, 0, 1024, 768}); // the scene on one monitor of 1024 x 768
    const LONG width = alone.right - alone.left, height = alone.bottom - alone.top;
    ASSERT_GT(width, 50);
    const struct
    {
        const char* what;
        std::vector<RECT> monitors;
        POINT cursor; // where the system puts the cursor first (0, 0: it stays)
    } rows[] = {
        {"two monitors side by side", {{0, 0, 512, 768}, {512, 0, 1024, 768}}, {1000, 10}},
        {"a primary right of a smaller one", {{400, 0, 1024, 768}, {0, 0, 400, 384}}, {10, 700}},
        {"a resolution change", {{0, 0, 640, 480}}, {0, 0}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        Give(row.monitors);
        // The system may move the cursor before the window hears of the change.
        if (row.cursor.x != 0)
        {
            SetCursorPos(row.cursor.x, row.cursor.y);
            SendMessageA(saver, WM_MOUSEMOVE, 0, 0);
        }
        SendMessageA(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
        RECT window = {};
        GetWindowRect(saver, &window);
        EXPECT_TRUE(EqualRect(&window, &g_Given.screen)) << window.right << "x" << window.bottom;
        ASSERT_TRUE(WaitForFrames(3)) << "the saver ended";
        for (const RECT& m : row.monitors)
        {
            RECT box = LitBox(m);
            // The scene stands whole in the middle of each monitor, at the size
            // its height gives, not stretched to another monitor's shape.
            EXPECT_NEAR(box.left + box.right, m.left + m.right, 4) << m.left;
            EXPECT_NEAR(box.top + box.bottom, m.top + m.bottom, 4) << m.left;
            const double scale = (m.bottom - m.top) / 768.0;
            EXPECT_NEAR(box.right - box.left, width * scale, 4 + width * scale / 20) << m.left;
            EXPECT_NEAR(box.bottom - box.top, height * scale, 4 + height * scale / 20) << m.left;
        }
    }

    // A new scale for a monitor suggests a rectangle for it alone.
    RECT suggested = {100, 100, 400, 300}, window = {};
    SendMessageA(saver, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested);
    GetWindowRect(saver, &window);
    EXPECT_TRUE(EqualRect(&window, &g_Given.screen));

    // A layout the system reports as empty: the primary screen stands in, and
    // a move of the mouse is still measured from where the reference was.
    Give({});
    SendMessageA(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    GetWindowRect(saver, &window);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), window.right - window.left);
    const POINT reference = g_ptCursorRef;
    SetCursorPos(reference.x + 50, reference.y);
    SendMessageA(saver, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(reference.x == g_ptCursorRef.x && reference.y == g_ptCursorRef.y);

    const int module = g_nModule;
    SendDisplayState(saver, 0);
    EXPECT_TRUE(TakeUntilIdle()) << "frames go on in the dark";
    const float angle = g_fRingAngle;
    g_dwSkew += 3600 * 1000; // an hour in the dark, far past the module's interval
    // The keys still steer, and quit.
    const float depth = g_fDepth;
    PostMessageA(saver, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_TRUE(TakeUntilIdle());
    EXPECT_EQ(depth - 1.0f, g_fDepth);
    EXPECT_EQ(angle, g_fRingAngle);

    SendDisplayState(saver, 2); // dimmed: still seen
    ASSERT_TRUE(WaitForFrames(5));
    EXPECT_EQ(module, g_nModule);
    EXPECT_EQ(0, g_nFadeState) << "a module switch was owed to the dark time";

    SendDisplayState(saver, 0);
    PostMessageA(saver, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(saver); }, 10000));
}

} // namespace
