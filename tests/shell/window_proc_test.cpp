// The saver window's procedures on real windows of this process: mouse
// dismissal, the close gate with its password request and refusal window,
// and the messages the outer procedure keeps for itself. The clock is the
// test's own, so the refusal window is checked to the millisecond.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

DWORD g_dwFakeNow;
int g_nVerifyCalls;
BOOL g_bVerifyAnswer;
DWORD g_dwTypingTicks;
bool g_bReenterWhileVerifying;
LRESULT g_nNestedCloseResult;
bool g_bNestedMoveClosed;

DWORD WINAPI FakeTickCount()
{
    return g_dwFakeNow;
}

bool TakeCloseMessage(HWND hwnd)
{
    MSG msg = {};
    return PeekMessageA(&msg, hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

POINT CursorNow()
{
    POINT p = {};
    GetCursorPos(&p);
    return p;
}

// The platform's check: counts, lets the user "type" for a while, answers.
BOOL WINAPI FakeVerify(HWND hwnd)
{
    ++g_nVerifyCalls;
    if (g_bReenterWhileVerifying)
    {
        // What a modal password dialog lets through while it is up.
        g_nNestedCloseResult = SendMessageA(hwnd, WM_CLOSE, 0, 0);
        POINT p = CursorNow();
        SetCursorPos(p.x + 200, p.y + 200);
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, 0);
        g_bNestedMoveClosed = TakeCloseMessage(hwnd);
        SetCursorPos(p.x, p.y);
    }
    g_dwFakeNow += g_dwTypingTicks;
    return g_bVerifyAnswer;
}

// The host's place in the chain: everything ends in the default handler.
LRESULT CALLBACK HostLikeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSaverWindowProc(hwnd, message, wParam, lParam);
}

class SaverProcTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostLikeProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "ShellProcTestClass";
        RegisterClassA(&wc);

        g_bPreview = 0;
        g_bCloseGranted = 0;
        g_bVerifying = 0;
        g_bWin9x = 0;
        g_nMouseThreshold = 100;
        g_dwLastVerifyTick = 0xFFFFFFFF;
        g_pfnVerifyPassword = NULL;
        g_pfnTickCount = FakeTickCount;
        g_dwFakeNow = 5000;
        g_nVerifyCalls = 0;
        g_bVerifyAnswer = FALSE;
        g_dwTypingTicks = 0;
        g_bReenterWhileVerifying = false;

        // Hidden, so that real pointer motion never reaches it.
        hwnd = CreateWindowExA(0, "ShellProcTestClass", "Screen Saver", WS_POPUP, 0, 0, 200, 200,
                               NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(hwnd != NULL);
        SetCursorPos(300, 300);
        GetCursorPos(&g_ptCursorRef);
        ASSERT_EQ(300, g_ptCursorRef.x);
    }

    void TearDown() override
    {
        if (IsWindow(hwnd))
        {
            g_bCloseGranted = 1;
            DestroyWindow(hwnd);
        }
        g_pfnTickCount = GetTickCount;
        g_pfnVerifyPassword = NULL;
        g_bWin9x = 0;
        g_bPreview = 0;
        g_bCloseGranted = 0;
    }

    // Moves the cursor and lets the window see the movement.
    bool MoveClosesWindow(LONG x, LONG y)
    {
        SetCursorPos(x, y);
        // The message's own coordinates are deliberately wrong: only the
        // cursor position counts.
        DefSaverWindowProc(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        return TakeCloseMessage(hwnd);
    }

    void UsePassword(BOOL answer)
    {
        g_bWin9x = 1;
        g_pfnVerifyPassword = FakeVerify;
        g_bVerifyAnswer = answer;
    }

    HWND hwnd = NULL;
};

TEST_F(SaverProcTest, MouseMovementAddsUpFromTheReference)
{
    const struct
    {
        LONG x;
        LONG y;
        bool closes;
    } moves[] = {
        {360, 300, false}, // 60 right
        {360, 350, true},  // then 50 down: 110 from the start
        {400, 350, false}, // the reference moved to (360, 350) on dismissal
        {460, 350, false}, // exactly 100
        {460, 351, true},  // 101
        {410, 401, false}, // 100 back the other way
        {409, 401, true},  // 102 as |-51| + |50|
        {409, 401, false}, // no movement at all
    };
    for (size_t i = 0; i < sizeof(moves) / sizeof(moves[0]); ++i)
    {
        EXPECT_EQ(moves[i].closes, MoveClosesWindow(moves[i].x, moves[i].y)) << "move " << i;
    }
}

TEST_F(SaverProcTest, MouseNeverClosesPreviewGrantedOrVerifyingWindows)
{
    g_bPreview = 1;
    EXPECT_FALSE(MoveClosesWindow(700, 700));
    g_bPreview = 0;
    g_bVerifying = 1;
    EXPECT_FALSE(MoveClosesWindow(100, 100));
    g_bVerifying = 0;
    g_bCloseGranted = 1;
    EXPECT_FALSE(MoveClosesWindow(700, 700));
    g_bCloseGranted = 0;
    // The reference never moved: the same position now closes.
    EXPECT_TRUE(MoveClosesWindow(700, 700));
}

TEST_F(SaverProcTest, OtherPlatformsCloseWithoutAsking)
{
    g_pfnVerifyPassword = FakeVerify;
    EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(0, g_nVerifyCalls);
}

TEST_F(SaverProcTest, NoVerifierGrantsTheFirstClose)
{
    g_bWin9x = 1;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(1, g_bCloseGranted);
}

TEST_F(SaverProcTest, AcceptedPasswordClosesTheWindow)
{
    UsePassword(TRUE);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, g_nVerifyCalls);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(1, g_bCloseGranted);
    EXPECT_EQ(0, g_bVerifying);
    // Once granted, nothing asks again.
    EXPECT_FALSE(VerifyCloseRequest(hwnd));
    EXPECT_EQ(1, g_nVerifyCalls);
}

TEST_F(SaverProcTest, RefusedPasswordKeepsTheWindowAndMovesTheReference)
{
    UsePassword(FALSE);
    g_dwTypingTicks = 3000;
    SetCursorPos(520, 410);
    EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(1, g_nVerifyCalls);
    EXPECT_EQ(0, g_bCloseGranted);
    EXPECT_EQ(0, g_bVerifying);
    EXPECT_EQ(8000u, g_dwLastVerifyTick);
    EXPECT_EQ(520, g_ptCursorRef.x);
    EXPECT_EQ(410, g_ptCursorRef.y);
    // The cursor stays hidden over the saver after the refusal.
    EXPECT_TRUE(GetCursor() == NULL);
    // Movement is measured from where the refusal left the cursor.
    EXPECT_FALSE(MoveClosesWindow(620, 410));
    EXPECT_TRUE(MoveClosesWindow(621, 410));
}

TEST_F(SaverProcTest, CloseRequestsSoonAfterARefusalAreRefusedWithoutAsking)
{
    UsePassword(FALSE);
    g_dwTypingTicks = 2500; // the request ends 2.5 s after it started
    const struct
    {
        DWORD after; // ticks after the end of the last request
        int calls;   // requests shown so far
    } steps[] = {
        {0, 1},   // the first request is always shown
        {0, 1},   // right after it ends: refused silently
        {150, 1}, // still inside the 200 ms
        {199, 1}, // last tick inside
        {200, 2}, // shown again, ending 2.5 s later
        {100, 2}, {2000, 3},
    };
    DWORD lastEnd = g_dwFakeNow;
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i)
    {
        if (i > 0)
        {
            g_dwFakeNow = lastEnd + steps[i].after;
        }
        EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0)) << "step " << i;
        EXPECT_EQ(steps[i].calls, g_nVerifyCalls) << "step " << i;
        EXPECT_TRUE(IsWindow(hwnd)) << "step " << i;
        if (g_dwLastVerifyTick != 0xFFFFFFFF)
        {
            lastEnd = g_dwLastVerifyTick;
        }
    }
}

TEST_F(SaverProcTest, RefusalWindowCountsAcrossTheTickWrap)
{
    UsePassword(FALSE);
    g_dwFakeNow = 0xFFFFFF00u;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, g_nVerifyCalls);
    g_dwFakeNow = 0x00000010u; // 272 ticks later
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(2, g_nVerifyCalls);
    g_dwLastVerifyTick = 0xFFFFFFC0u;
    g_dwFakeNow = 0x00000050u; // 144 ticks later
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(2, g_nVerifyCalls);
}

TEST_F(SaverProcTest, CloseAndMovementDuringTheRequestAreIgnored)
{
    UsePassword(FALSE);
    g_bReenterWhileVerifying = true;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, g_nVerifyCalls);
    EXPECT_EQ(0, g_nNestedCloseResult);
    EXPECT_FALSE(g_bNestedMoveClosed);
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(SaverProcTest, RequestClearsPendingTimerMessagesFirst)
{
    UsePassword(FALSE);
    for (int i = 0; i < 3; ++i)
    {
        PostMessageA(hwnd, WM_TIMER, 7, 0);
    }
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    MSG msg = {};
    int left = 0;
    while (PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE))
    {
        ++left;
    }
    EXPECT_EQ(1, left);
}

TEST_F(SaverProcTest, PrivateRequestAnswersWithTheCheck)
{
    EXPECT_EQ(0, SendMessageA(hwnd, WM_APP, 0, 0)); // not asked on other platforms
    g_bWin9x = 1;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_APP, 0, 0)); // nothing to check
    UsePassword(FALSE);
    EXPECT_EQ(0, SendMessageA(hwnd, WM_APP, 0, 0));
    UsePassword(TRUE);
    EXPECT_EQ(1, SendMessageA(hwnd, WM_APP, 0, 0));
    EXPECT_EQ(2, g_nVerifyCalls);
}

TEST_F(SaverProcTest, CursorIsHiddenOverTheSavingWindow)
{
    SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32512)));
    EXPECT_EQ(1, DefSaverWindowProc(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_TRUE(GetCursor() == NULL);

    SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32512)));
    DefSaverWindowProc(hwnd, WM_SHOWWINDOW, TRUE, 0);
    EXPECT_TRUE(GetCursor() == NULL);
}

TEST_F(SaverProcTest, TitleNeverChanges)
{
    EXPECT_EQ(0, SaverWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")));
    char title[64];
    memset(title, 'x', sizeof(title));
    GetWindowTextA(hwnd, title, sizeof(title));
    EXPECT_STREQ("Screen Saver", title);
}

// What the display settings' window received from the preview.
UINT g_nParentMessage;
WPARAM g_nParentWParam;
int g_nParentHelpContext;

LRESULT CALLBACK SettingsLikeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP)
    {
        g_nParentMessage = message;
        g_nParentWParam = wParam;
        g_nParentHelpContext = reinterpret_cast<HELPINFO*>(lParam)->iCtrlId;
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(SaverProcTest, PreviewHandsHelpAndContextMenuToItsParent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SettingsLikeProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "ShellSettingsLikeClass";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "ShellSettingsLikeClass", "Display settings", WS_POPUP, 0, 0,
                                  300, 200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(parent != NULL);
    HWND child = CreateWindowExA(0, "ShellProcTestClass", "Preview", WS_CHILD, 0, 0, 300, 200,
                                 parent, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(child != NULL);
    g_bPreview = 1;

    EXPECT_EQ(1, SaverWindowProc(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child),
                                 MAKELPARAM(12, 34)));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, parent, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(reinterpret_cast<WPARAM>(parent), msg.wParam);
    EXPECT_EQ(MAKELPARAM(12, 34), msg.lParam);

    // Help carries its record by pointer: it must arrive, not be dropped.
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = 4321;
    g_nParentMessage = 0;
    EXPECT_EQ(1, SaverWindowProc(child, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    EXPECT_EQ(static_cast<UINT>(WM_HELP), g_nParentMessage);
    EXPECT_EQ(reinterpret_cast<WPARAM>(parent), g_nParentWParam);
    EXPECT_EQ(4321, g_nParentHelpContext);

    // Without a parent there is no one to tell; still answered.
    DestroyWindow(parent);
    EXPECT_EQ(1, SaverWindowProc(hwnd, WM_CONTEXTMENU, 0, 0));
}

TEST(CenterOnDesktop, CentresShowsAndKeepsTheSize)
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "centred", WS_POPUP, 7, 9, 401, 301, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(hwnd != NULL);
    CenterOnDesktop(hwnd);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT r = {};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ((desktop.right - 401) / 2, r.left);
    EXPECT_EQ((desktop.bottom - 301) / 2, r.top);
    EXPECT_EQ(401, r.right - r.left);
    EXPECT_EQ(301, r.bottom - r.top);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    DestroyWindow(hwnd);
}

} // namespace
