// Every monitor but the primary is covered by a topmost window that lives and
// dies with the saver window and passes mouse movement and keys on to the
// saver as if they had happened over it. The saver window here is a stand-in
// that records what reaches it: the real saver cannot run on this display
// (Wine lists the second Xvfb screen's visuals as pixel formats of the first,
// and the one the saver prefers fails to create a window there).
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

UINT g_uLastForwarded;

LRESULT CALLBACK RecordForwarded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_uLastForwarded =
        message == WM_MOUSEMOVE || message == WM_KEYDOWN ? message : g_uLastForwarded;
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
    EnumDisplayMonitors(
        NULL, NULL,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data)
        {
            MONITORINFO info = {sizeof(info), {}, {}, 0};
            GetMonitorInfoA(monitor, &info);
            if (!(info.dwFlags & MONITORINFOF_PRIMARY))
            {
                reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    ASSERT_FALSE(monitors.empty()) << "this test needs a display with two monitors";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordForwarded;
    wc.lpszClassName = "CoverTestSaver";
    RegisterClassA(&wc);
    g_hInstance = GetModuleHandleA(NULL);
    g_hSaverWnd = CreateWindowExA(0, "CoverTestSaver", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0);
    CreateCoverWindows();
    ASSERT_EQ(monitors.size(), size_t(g_nCoverWnds));
    for (size_t i = 0; i < monitors.size(); i++)
    {
        RECT r = {};
        GetWindowRect(g_hCoverWnds[i], &r);
        EXPECT_TRUE(EqualRect(&monitors[i], &r) && IsWindowVisible(g_hCoverWnds[i])) << i;
        EXPECT_TRUE(GetWindowLongA(g_hCoverWnds[i], GWL_EXSTYLE) & WS_EX_TOPMOST) << i;
        EXPECT_EQ(UINT(WM_MOUSEMOVE), Forwarded(g_hCoverWnds[i], WM_MOUSEMOVE)) << i;
        EXPECT_EQ(UINT(WM_KEYDOWN), Forwarded(g_hCoverWnds[i], WM_KEYDOWN)) << i;
    }
    // A modal dialog over the saver disables it: nothing passes then.
    EnableWindow(g_hSaverWnd, FALSE);
    EXPECT_EQ(0u, Forwarded(g_hCoverWnds[0], WM_MOUSEMOVE));
    HWND first = g_hCoverWnds[0];
    DestroyCoverWindows();
    DestroyCoverWindows(); // safe twice
    EXPECT_TRUE(g_nCoverWnds == 0 && !IsWindow(first));
}

} // namespace
