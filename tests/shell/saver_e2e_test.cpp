// The built saver in full-screen saving and in preview, driven with the real
// cursor and real messages. Nothing here depends on what is drawn.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdint.h>

namespace
{

const DWORD kTimeout = 5000;
// Long enough for a queued mouse message to have been handled.
const DWORD kSettle = 400;

bool IsRunning(const SaverProcess& saver)
{
    return WaitForSingleObject(saver.info.hProcess, 0) == WAIT_TIMEOUT;
}

POINT ScreenCentre()
{
    POINT p = {};
    p.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    p.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    return p;
}

// Starts full-screen saving with the cursor resting at the screen centre.
HWND StartFullScreen(SaverProcess* saver)
{
    POINT centre = ScreenCentre();
    MoveCursorTo(centre.x, centre.y);
    if (!StartProgram(SolmirScrPath(), "/s", saver))
    {
        return NULL;
    }
    return WaitForSaverWindow(*saver, kTimeout);
}

TEST(SaverEndToEnd, FullScreenWindowIsATopmostPopupCoveringTheScreen)
{
    SaverProcess saver;
    HWND hwnd = StartFullScreen(&saver);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ("WindowsScreenSaverClass", WindowClass(hwnd));
    EXPECT_EQ("Screen Saver", WindowTitle(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    RECT r = {};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), r.bottom);
    // Setting the title has no effect.
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
    EXPECT_EQ("Screen Saver", WindowTitle(hwnd));
}

TEST(SaverEndToEnd, SmallMovesAddUpUntilPastOneHundredPixels)
{
    SaverProcess saver;
    ASSERT_TRUE(StartFullScreen(&saver) != NULL);
    POINT c = ScreenCentre();
    MoveCursorTo(c.x + 60, c.y);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(saver)) << "60 pixels closed the saver";
    MoveCursorTo(c.x + 60, c.y + 50);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout)) << "110 pixels in two moves";
}

TEST(SaverEndToEnd, ExactlyOneHundredPixelsDoNotClose)
{
    SaverProcess saver;
    ASSERT_TRUE(StartFullScreen(&saver) != NULL);
    POINT c = ScreenCentre();
    MoveCursorTo(c.x - 60, c.y);
    MoveCursorTo(c.x - 60, c.y - 40);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(saver)) << "100 pixels closed the saver";
    MoveCursorTo(c.x - 61, c.y - 40);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout)) << "101 pixels";
}

TEST(SaverEndToEnd, ClicksAndSystemCommandsDoNotClose)
{
    SaverProcess saver;
    HWND hwnd = StartFullScreen(&saver);
    ASSERT_TRUE(hwnd != NULL);
    ClickLeftButton();
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0));
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_NEXTWINDOW, 0));
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_PREVWINDOW, 0));
    PumpMessagesFor(kSettle);
    EXPECT_TRUE(IsRunning(saver));
    EXPECT_TRUE(IsWindow(hwnd));
    // Any close request ends it.
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
}

TEST(SaverEndToEnd, SecondStartLeavesTheFirstSaverAlone)
{
    SaverProcess first;
    HWND hwnd = StartFullScreen(&first);
    ASSERT_TRUE(hwnd != NULL);
    SaverProcess second;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/s", &second));
    EXPECT_EQ(0u, WaitForExit(second, kTimeout));
    EXPECT_EQ(1u, FindSaverWindows().size());
    EXPECT_TRUE(IsRunning(first));
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(first, kTimeout));
}

// The display settings' side of a preview: a window whose client area the
// saver fills, and which takes over help and context menus.
HWND g_hContextMenuFor;
HWND g_hHelpFor;
int g_nHelpControl;

LRESULT CALLBACK PreviewHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU)
    {
        g_hContextMenuFor = reinterpret_cast<HWND>(wParam);
        return 0;
    }
    if (message == WM_HELP)
    {
        g_hHelpFor = reinterpret_cast<HWND>(wParam);
        g_nHelpControl = reinterpret_cast<HELPINFO*>(lParam)->iCtrlId;
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreatePreviewHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PreviewHostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "ShellPreviewHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "ShellPreviewHost", "Display settings",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 330, 260, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

std::string WindowNumber(HWND hwnd, uint64_t add = 0)
{
    return std::to_string(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hwnd)) + add);
}

TEST(SaverEndToEnd, PreviewFillsItsParentAndIgnoresInput)
{
    HWND host = CreatePreviewHost();
    ASSERT_TRUE(host != NULL);
    SaverProcess saver;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/p " + WindowNumber(host), &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ("Preview", WindowTitle(hwnd));
    EXPECT_TRUE(GetParent(hwnd) == host);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT client = {};
    GetClientRect(host, &client);
    RECT r = {};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(NULL, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(client.right, r.right);
    EXPECT_EQ(client.bottom, r.bottom);

    // Keys, clicks and large moves over the preview leave it running.
    PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(hwnd, WM_KEYDOWN, 'Q', 1);
    POINT inside = {client.right / 2, client.bottom / 2};
    ClientToScreen(host, &inside);
    MoveCursorTo(inside.x, inside.y);
    MoveCursorTo(inside.x + 150, inside.y + 100);
    MoveCursorTo(inside.x - 150, inside.y - 100);
    ClickLeftButton();
    PumpMessagesFor(kSettle);
    EXPECT_TRUE(IsRunning(saver));
    EXPECT_TRUE(IsWindow(hwnd));

    // Context menus belong to the display settings.
    g_hContextMenuFor = NULL;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), 0));
    EXPECT_TRUE(WaitUntil([&] { return g_hContextMenuFor == host; }, kTimeout));
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = 77;
    g_hHelpFor = NULL;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    EXPECT_TRUE(WaitUntil([&] { return g_hHelpFor == host; }, kTimeout));
    EXPECT_EQ(77, g_nHelpControl);

    // The preview ends with its window. (Destroying the parent from here
    // would be the display settings' way, but Wine does not reliably tell a
    // child window of another process that it was destroyed.)
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    DestroyWindow(host);
}

TEST(SaverEndToEnd, PreviewWindowNumberWrapsAtThirtyTwoBits)
{
    HWND host = CreatePreviewHost();
    ASSERT_TRUE(host != NULL);
    SaverProcess saver;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/l " + WindowNumber(host, 1ull << 32), &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    EXPECT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    DestroyWindow(host);
}

} // namespace
