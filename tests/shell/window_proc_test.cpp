// The saver window's default procedure on a real hidden window of this
// process: mouse dismissal and the close gate with its password request, on
// the test's own clock so the refusal window is checked to the millisecond.
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

// The platform's check: counts, lets the user "type" for a while, answers.
BOOL WINAPI FakeVerify(HWND hwnd)
{
    ++g_nVerifyCalls;
    if (g_bReenterWhileVerifying)
    {
        // What a modal password dialog lets through while it is up.
        g_nNestedCloseResult = SendMessageA(hwnd, WM_CLOSE, 0, 0);
        POINT p = {};
        GetCursorPos(&p);
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
        g_bCloseGranted = 1;
        DestroyWindow(hwnd);
        g_pfnTickCount = GetTickCount;
        g_pfnVerifyPassword = NULL;
        g_bWin9x = 0;
        g_bPreview = 0;
        g_bCloseGranted = 0;
    }

    bool MoveClosesWindow(LONG x, LONG y)
    {
        SetCursorPos(x, y);
        // The message's own coordinates are wrong on purpose: only the cursor counts.
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
        const char* what;
        LONG x, y;
        bool closes;
    } moves[] = {
        {"60 right", 360, 300, false},
        {"then 50 down: 110 from the start", 360, 350, true},
        {"40 from the new reference", 400, 350, false},
        {"exactly 100", 460, 350, false},
        {"101", 460, 351, true},
        {"102 as |-51| + |50|", 409, 401, true},
        {"no movement", 409, 401, false},
    };
    for (const auto& move : moves)
    {
        EXPECT_EQ(move.closes, MoveClosesWindow(move.x, move.y)) << move.what;
    }
}

TEST_F(SaverProcTest, CloseIsGrantedWithoutAPasswordOrWithTheRightOne)
{
    const struct
    {
        const char* what;
        int win9x;
        bool verifier;
        int calls;
    } rows[] = {
        {"other platforms never ask", 0, true, 0},
        {"no check loaded", 1, false, 0},
        {"accepted password", 1, true, 1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        UsePassword(TRUE);
        g_bWin9x = row.win9x;
        g_pfnVerifyPassword = row.verifier ? FakeVerify : NULL;
        EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0));
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(row.calls, g_nVerifyCalls);
        EXPECT_EQ(0, g_bVerifying);
    }
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
    EXPECT_EQ(0, g_bCloseGranted);
    EXPECT_EQ(0, g_bVerifying);
    EXPECT_EQ(8000u, g_dwLastVerifyTick) << "the end of the request";
    EXPECT_TRUE(GetCursor() == NULL) << "the cursor stays hidden after the refusal";
    EXPECT_FALSE(MoveClosesWindow(620, 410));
    EXPECT_TRUE(MoveClosesWindow(621, 410));
}

TEST_F(SaverProcTest, CloseRequestsWithin200TicksOfARefusalAreRefusedWithoutAsking)
{
    UsePassword(FALSE);
    g_dwTypingTicks = 2500;
    g_dwFakeNow = 0xFFFFF5F8u; // the first request ends 100 ticks before the counter wraps
    const struct
    {
        DWORD after; // ticks after the end of the last request
        int calls;   // requests shown so far
    } steps[] = {{0, 1}, {0, 1}, {150, 1}, {199, 1}, {200, 2}, {100, 2}, {2000, 3}};
    DWORD lastEnd = g_dwFakeNow;
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i)
    {
        SCOPED_TRACE(testing::Message() << "step " << i);
        if (i > 0)
        {
            g_dwFakeNow = lastEnd + steps[i].after;
        }
        EXPECT_EQ(0, SendMessageA(hwnd, WM_CLOSE, 0, 0));
        EXPECT_EQ(steps[i].calls, g_nVerifyCalls);
        EXPECT_TRUE(IsWindow(hwnd));
        lastEnd = g_dwLastVerifyTick;
    }
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

} // namespace
