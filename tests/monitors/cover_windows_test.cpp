// Every monitor but the primary is covered by a black topmost window that lives
// and dies with the saver window, hides the cursor, and passes mouse movement
// and keys on to the saver exactly as if they had happened over it.
#include "shell/shell.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<RECT> SecondaryMonitors()
{
    std::vector<RECT> rects;
    EnumDisplayMonitors(
        NULL, NULL,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL
        {
            MONITORINFO info = {};
            info.cbSize = sizeof(info);
            GetMonitorInfoA(monitor, &info);
            if (!(info.dwFlags & MONITORINFOF_PRIMARY))
            {
                reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&rects));
    return rects;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The colour a window paints itself with, read back through WM_PRINT.
COLORREF PaintedColour(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, r.right, r.bottom};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    PrintWindow(hwnd, dc, 0);
    COLORREF colour = GetPixel(dc, r.right / 2, r.bottom / 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    return colour;
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

class CoverWindows : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        monitors = SecondaryMonitors();
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
        covers.assign(g_hCoverWnds, g_hCoverWnds + g_nCoverWnds);
    }

    void TearDown() override
    {
        DestroyCoverWindows();
        DestroyWindow(g_hSaverWnd);
        g_hSaverWnd = NULL;
    }

    std::vector<RECT> monitors;
    std::vector<HWND> covers;
};

TEST_F(CoverWindows, CoverEachSecondaryMonitorInBlackOnTop)
{
    ASSERT_EQ(monitors.size(), covers.size());
    for (size_t i = 0; i < covers.size(); i++)
    {
        RECT r;
        GetWindowRect(covers[i], &r);
        EXPECT_TRUE(SameRect(monitors[i], r)) << "cover " << i;
        EXPECT_TRUE(IsWindowVisible(covers[i])) << "cover " << i;
        EXPECT_TRUE(GetWindowLongA(covers[i], GWL_EXSTYLE) & WS_EX_TOPMOST) << "cover " << i;
        EXPECT_EQ(RGB(0, 0, 0), PaintedColour(covers[i])) << "cover " << i;
        // The cursor stays hidden over the cover.
        EXPECT_EQ(TRUE, SendMessageA(covers[i], WM_SETCURSOR, (WPARAM)covers[i],
                                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        EXPECT_EQ(nullptr, GetCursor()) << "cover " << i;
    }
}

TEST_F(CoverWindows, PassMouseAndKeysToTheSaverAndNeverTakeTheFocus)
{
    ASSERT_FALSE(covers.empty());
    const UINT forwarded[] = {WM_MOUSEMOVE, WM_KEYDOWN};
    for (UINT message : forwarded)
    {
        g_uLastForwarded = 0;
        SendMessageA(covers[0], message, 0, 0);
        PumpMessagesFor(100);
        EXPECT_EQ(message, g_uLastForwarded) << "message " << message;
    }
    // A modal dialog over the saver disables it: nothing passes then.
    EnableWindow(g_hSaverWnd, FALSE);
    g_uLastForwarded = 0;
    SendMessageA(covers[0], WM_MOUSEMOVE, 0, 0);
    PumpMessagesFor(100);
    EXPECT_EQ(0u, g_uLastForwarded);
    EnableWindow(g_hSaverWnd, TRUE);
    EXPECT_EQ(MA_NOACTIVATE, SendMessageA(covers[0], WM_MOUSEACTIVATE, (WPARAM)g_hSaverWnd,
                                          MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)));
}

TEST_F(CoverWindows, TearDownIsSafeTwice)
{
    DestroyCoverWindows();
    DestroyCoverWindows();
    EXPECT_EQ(0, g_nCoverWnds);
    for (HWND cover : covers)
    {
        EXPECT_FALSE(IsWindow(cover));
    }
}

} // namespace
