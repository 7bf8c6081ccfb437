// Every monitor but the primary is covered by a topmost window that lives and
// dies with the saver window and passes mouse movement and keys on to the
// saver exactly as if they had happened over it.
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

BOOL CALLBACK AddSecondary(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(monitor, &info);
    if (!(info.dwFlags & MONITORINFOF_PRIMARY))
    {
        reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
    }
    return TRUE;
}

// A stand-in saver window records what the covers pass on. (The real saver
// cannot run on this display: Wine lists the second Xvfb screen's visuals as
// pixel formats of the first, and the one the saver's search prefers fails to
// create a window there.)
UINT g_uLastForwarded;

LRESULT CALLBACK RecordForwarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE || message == WM_KEYDOWN)
    {
        g_uLastForwarded = message;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

UINT Forwarded(HWND cover, UINT message)
{
    g_uLastForwarded = 0;
    SendMessageA(cover, message, 0, 0);
    PumpMessagesFor(100);
    return g_uLastForwarded;
}

TEST(CoverWindows, CoverEachSecondaryMonitorAndForwardInputToTheSaver)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(NULL, NULL, AddSecondary, reinterpret_cast<LPARAM>(&monitors));
    ASSERT_FALSE(monitors.empty()) << "this test needs a display with two monitors";
    g_hInstance = GetModuleHandleA(NULL);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordForwarded;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = "CoverTestSaver";
    RegisterClassA(&wc);
    g_hSaverWnd = CreateWindowExA(0, "CoverTestSaver", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                  g_hInstance, NULL);
    ASSERT_NE(nullptr, g_hSaverWnd);
    CreateCoverWindows();
    std::vector<HWND> covers(g_hCoverWnds, g_hCoverWnds + g_nCoverWnds);
    ASSERT_EQ(monitors.size(), covers.size());
    for (size_t i = 0; i < covers.size(); i++)
    {
        SCOPED_TRACE(i);
        RECT r = {};
        GetWindowRect(covers[i], &r);
        EXPECT_TRUE(EqualRect(&monitors[i], &r));
        EXPECT_TRUE(IsWindowVisible(covers[i]));
        EXPECT_TRUE(GetWindowLongA(covers[i], GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(UINT(WM_MOUSEMOVE), Forwarded(covers[i], WM_MOUSEMOVE));
        EXPECT_EQ(UINT(WM_KEYDOWN), Forwarded(covers[i], WM_KEYDOWN));
    }
    // A modal dialog over the saver disables it: nothing passes then.
    EnableWindow(g_hSaverWnd, FALSE);
    EXPECT_EQ(0u, Forwarded(covers[0], WM_MOUSEMOVE));

    DestroyCoverWindows();
    DestroyCoverWindows();
    EXPECT_EQ(0, g_nCoverWnds);
    EXPECT_FALSE(IsWindow(covers[0]));
    DestroyWindow(g_hSaverWnd);
    g_hSaverWnd = NULL;
}

} // namespace
