// The saver host in a real window of this process, with the real shell,
// registry store, GL context, frame loop and view keys behind it, on a tick
// clock the test drives. The test's window procedure sits in front of the
// saver window's own and only records what reaches it.
#include "engine/engine.h"
#include "host/host.h"
#include "host_test_support.h"
#include "render/render.h"
#include "resource.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

const DWORD kWaitMs = 15000;
const char kTestClass[] = "SolmirHostTestClass";
// The depth the user "zoomed" to; tear-down stores it as "mod1 depth".
const float kSteeredDepth = 77.0f;
const DWORD kSteeredDepthStored = 7700;

// What the test's window procedure saw.
struct Seen
{
    int ticks;        // WM_SAVER_TICK messages that reached the window procedure
    int tickDepth;    // ticks being processed right now (nesting)
    int closes;       // WM_CLOSE messages that reached it
    int closesInTick; // ... of them while a tick was being processed
    int keyDowns;     // WM_KEYDOWN messages dispatched to it
    int injectAtTick; // post `injected` when this tick arrives (0: never)
    UINT injected;
    WPARAM injectedParam;
    int clockReadsAtInjection;
};
Seen s_seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SAVER_TICK:
    {
        if (++s_seen.ticks == s_seen.injectAtTick)
        {
            // Arrives while this tick is processed: the tick's own pump meets it.
            PostMessageA(hwnd, s_seen.injected, s_seen.injectedParam, 0);
            s_seen.clockReadsAtInjection = ClockReads();
        }
        ++s_seen.tickDepth;
        LRESULT result = SaverWindowProc(hwnd, message, wParam, lParam);
        --s_seen.tickDepth;
        return result;
    }
    case WM_CLOSE:
        ++s_seen.closes;
        s_seen.closesInTick += s_seen.tickDepth > 0 || g_bInTick;
        break;
    case WM_KEYDOWN:
        ++s_seen.keyDowns;
        break;
    }
    return SaverWindowProc(hwnd, message, wParam, lParam);
}

BOOL WINAPI RefusePassword(HWND)
{
    return FALSE;
}

// Dispatches one message at a time until `done`: the shared WaitUntil drains
// the whole queue first, which never ends while ticks post ticks.
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - start >= timeoutMs)
        {
            return false;
        }
        MSG msg = {};
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        else
        {
            Sleep(1);
        }
    }
    return true;
}

DWORD StoredDepth()
{
    return ReadDword(HKEY_CURRENT_USER, kProductPath, "mod1 depth", 0xFFFFFFFF);
}

class SaverHostTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(NULL);
        ResetRunState();
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductPath));
        // Long enough that no module switch stores the view behind the test's back.
        SetDword(HKEY_CURRENT_USER, kProductPath, "cycle time", 1000000);
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = g_hInstance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kTestClass;
        RegisterClassA(&wc);
    }

    void TearDown() override
    {
        if (g_hSaverWnd && IsWindow(g_hSaverWnd))
        {
            g_bCloseGranted = 1;
            DestroyWindow(g_hSaverWnd);
        }
        if (parent)
        {
            DestroyWindow(parent);
            parent = NULL;
        }
        KillGLContext();
        RestoreRealClock();
        ResetRunState();
        // The saver's own quit message must not end the next test's pumping.
        MSG msg = {};
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
        }
    }

    static void ResetRunState()
    {
        s_seen = Seen();
        g_hSaverWnd = NULL;
        g_bPreview = 0;
        g_bCloseGranted = 0;
        g_bVerifying = 0;
        g_bWin9x = 0;
        g_pfnVerifyPassword = NULL;
        g_dwLastVerifyTick = 0xFFFFFFFF;
        g_bSaverMode = false;
        g_bFullScreen = false;
        g_bStopRequested = false;
        g_bClosing = false;
        g_bInTick = false;
        g_bFrameRateOk = true;
        g_fFrameRate = PROBE_UNMEASURED_RATE;
        g_dwLastFrame = 0;
        g_nFadeState = 0;
    }

    // The saver window as RunSaverWindow makes it, full screen or in a preview
    // parent; every clock read is `frameMs` after the last, so the probe
    // measures frames of that length.
    HWND CreateSaver(bool preview, DWORD frameMs)
    {
        InstallTestClock({}, frameMs);
        if (preview)
        {
            parent = CreateWindowExA(0, "STATIC", "Display Properties", WS_POPUP | WS_VISIBLE, 100,
                                     100, 152, 112, NULL, NULL, g_hInstance, NULL);
            g_bPreview = 1;
            g_hSaverWnd =
                CreateWindowExA(0, kTestClass, "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                0, 0, 152, 112, parent, NULL, g_hInstance, NULL);
        }
        else
        {
            g_hSaverWnd =
                CreateWindowExA(WS_EX_TOPMOST, kTestClass, "Host Test",
                                WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL,
                                NULL, g_hInstance, NULL);
        }
        g_fDepth = kSteeredDepth; // the user steers the view
        return g_hSaverWnd;
    }

    HWND parent = NULL;
};

// Machines that failed the probe but show no notice: the animation runs.
TEST_F(SaverHostTest, NoNoticeOutsideFullScreenOrAtThreeFramesAndMore)
{
    const struct
    {
        const char* what;
        bool preview;
        DWORD frameMs;
        float rate;
        int module; // below three frames per second the frame loop draws cleared frames
    } rows[] = {
        {"preview at 2.5 frames per second", true, 400, 2.5f, 0},
        {"full screen at 4.0 frames per second", false, 250, 4.0f, 1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        HWND saver = CreateSaver(row.preview, row.frameMs);
        ASSERT_NE(nullptr, saver);
        EXPECT_EQ(!row.preview, g_bFullScreen);
        EXPECT_FALSE(g_bFrameRateOk);
        EXPECT_FLOAT_EQ(row.rate, g_fFrameRate);
        EXPECT_TRUE(PumpUntil([] { return s_seen.ticks >= 20; }, kWaitMs)) << "ticks keep coming";
        EXPECT_EQ(nullptr, FindWindowA("#32770", kNoticeTitle));
        EXPECT_EQ(0, s_seen.closes);
        EXPECT_EQ(row.module, g_nModule);
    }
}

TEST_F(SaverHostTest, ClosingTwiceTearsDownOnceAndLaterTicksDoNothing)
{
    // A refused password keeps the window up after the first close.
    g_bWin9x = 1;
    g_pfnVerifyPassword = RefusePassword;
    HWND saver = CreateSaver(false, 40);
    ASSERT_NE(nullptr, saver);
    ASSERT_TRUE(PumpUntil([] { return s_seen.ticks >= 3; }, kWaitMs));

    SendMessageA(saver, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(saver)) << "the refused close keeps the window";
    EXPECT_EQ(kSteeredDepthStored, StoredDepth());
    EXPECT_EQ(nullptr, g_hRC);

    // A second close must not save again: the view is gone with the context.
    SetDword(HKEY_CURRENT_USER, kProductPath, "mod1 depth", 1234);
    g_fDepth = 55.0f;
    SendMessageA(saver, WM_CLOSE, 0, 0);
    EXPECT_EQ(1234u, StoredDepth()) << "tear-down ran twice";

    // Ticks still queued, or arriving later, draw nothing and post nothing.
    MSG msg = {};
    while (PeekMessageA(&msg, saver, 0, 0, PM_REMOVE))
    {
    }
    int ticksBefore = s_seen.ticks;
    int readsBefore = ClockReads();
    for (int i = 0; i < 3; ++i)
    {
        PostMessageA(saver, WM_SAVER_TICK, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
    }
    PumpUntil([ticksBefore] { return s_seen.ticks >= ticksBefore + 3; }, kWaitMs);
    PumpUntil([] { return false; }, 100); // anything they posted arrives meanwhile
    EXPECT_EQ(ticksBefore + 3, s_seen.ticks) << "no tick was posted by a tick";
    EXPECT_EQ(readsBefore, ClockReads()) << "no frame was drawn";
    EXPECT_EQ(2, s_seen.closes) << "no close was posted by a tick";
}

// A close request or a quitting key that arrives while a tick is processed is
// taken by the tick's pump; tear-down then runs from the main loop.
TEST_F(SaverHostTest, InputDuringATickStopsAndClosesFromTheMainLoop)
{
    const struct
    {
        const char* what;
        UINT message;
        WPARAM wParam;
    } rows[] = {
        {"close request", WM_CLOSE, 0},
        {"Esc", WM_KEYDOWN, VK_ESCAPE},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        s_seen.injectAtTick = 3;
        s_seen.injected = row.message;
        s_seen.injectedParam = row.wParam;
        HWND saver = CreateSaver(false, 40);
        ASSERT_NE(nullptr, saver);
        EXPECT_TRUE(PumpUntil([saver] { return !IsWindow(saver); }, kWaitMs));
        EXPECT_EQ(3, s_seen.ticks) << "no tick after the stop";
        EXPECT_EQ(1, s_seen.closes) << "one close, from the main loop";
        EXPECT_EQ(0, s_seen.closesInTick) << "tear-down never runs inside a tick";
        EXPECT_EQ(0, s_seen.keyDowns) << "keys go to the view controls, not the window";
        EXPECT_EQ(s_seen.clockReadsAtInjection, ClockReads()) << "no frame after the stop";
        EXPECT_EQ(kSteeredDepthStored, StoredDepth());
    }
}

TEST_F(SaverHostTest, PreviewDestroyedFromOutsideIsNotTornDown)
{
    HWND saver = CreateSaver(true, 40);
    ASSERT_NE(nullptr, saver);
    ASSERT_TRUE(PumpUntil([] { return s_seen.ticks >= 5; }, kWaitMs));
    DWORD loaded = StoredDepth();
    DestroyWindow(parent);
    parent = NULL;
    EXPECT_FALSE(IsWindow(saver));
    EXPECT_EQ(loaded, StoredDepth()) << "nothing saved";
    EXPECT_NE(nullptr, g_hRC) << "the host does not release the context";
}

} // namespace
