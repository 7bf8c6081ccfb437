// The built saver driven with real key presses: a zoom that is saved on
// close, a module switch, and keys that quit.
#include "saver_run.h"
#include "../registry/registry_test_support.h"
#include "support/screen_capture.h"

#include <gtest/gtest.h>

namespace
{

const DWORD kTimeout = 8000;
const DWORD kSettle = 600; // a few frames: queued keys have been handled

POINT ScreenCentre()
{
    POINT p = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    return p;
}

void Settle(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

class SaverKeys : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(DeleteTestKey(HKEY_CURRENT_USER, kProductPath));
        POINT c = ScreenCentre();
        MoveCursorAbsolute(c.x, c.y);
        Settle(100);
    }
    // Starts full-screen saving on a fresh key: module 1 at depth 21 shows.
    HWND Start(SaverRun* run)
    {
        if (!StartSaverRun("/s", run))
        {
            return NULL;
        }
        HWND hwnd = WaitForSaverInFront(*run, kTimeout);
        // Keys count once frames are drawn: the animation is running.
        if (hwnd != NULL && !WaitForLitScreen(NULL))
        {
            return NULL;
        }
        return hwnd;
    }
    static bool WaitForLitScreen(ScreenShot* shot)
    {
        DWORD start = GetTickCount();
        do
        {
            ScreenShot now = CaptureScreen();
            if (LitShare(now) > 0.02)
            {
                if (shot != NULL)
                {
                    *shot = now;
                }
                return true;
            }
            Settle(50);
        } while (GetTickCount() - start < kTimeout);
        return false;
    }
    // A mouse move past the threshold: the saver stores the view and closes.
    DWORD CloseWithMouse(const SaverRun& run)
    {
        POINT c = ScreenCentre();
        MoveCursorAbsolute(c.x + 150, c.y + 100);
        return WaitForRunExit(run, kTimeout);
    }
    static int32_t Stored(const char* name)
    {
        int32_t value = -1;
        EXPECT_TRUE(GetDwordValue(name, &value)) << name;
        return value;
    }
};

TEST_F(SaverKeys, PageDownZoomIsSavedOnClose)
{
    SaverRun run;
    ASSERT_NE(Start(&run), (HWND)NULL);
    PressKey(VK_NEXT);
    Settle(kSettle);
    ASSERT_TRUE(IsRunAlive(run)) << "Page Down quit the saver";
    EXPECT_EQ(CloseWithMouse(run), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 2070);
    EXPECT_EQ(Stored("mod2 depth"), 2100);
}

TEST_F(SaverKeys, EnterBringsTheNextModule)
{
    SaverRun run;
    ASSERT_NE(Start(&run), (HWND)NULL);
    ScreenShot before;
    ASSERT_TRUE(WaitForLitScreen(&before)) << "module 1 drew nothing";
    PressKey(VK_RETURN);
    Settle(kSettle);
    ASSERT_TRUE(IsRunAlive(run)) << "Enter quit with three modules enabled";
    ScreenShot after;
    EXPECT_TRUE(WaitForLitScreen(&after)) << "module 2 drew nothing";
    // Module 2 takes the keys now: its zoom is the one saved.
    PressKey(VK_NEXT);
    Settle(kSettle);
    EXPECT_EQ(CloseWithMouse(run), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 2100);
    EXPECT_EQ(Stored("mod2 depth"), 2070);

    EXPECT_GT(ChangedShare(before, after), 0.02) << "the screen did not change";
}

TEST_F(SaverKeys, EscAndOtherKeysQuit)
{
    const WORD keys[] = {VK_ESCAPE, 'A'};
    for (WORD key : keys)
    {
        SCOPED_TRACE(key);
        ASSERT_TRUE(DeleteTestKey(HKEY_CURRENT_USER, kProductPath));
        SaverRun run;
        ASSERT_NE(Start(&run), (HWND)NULL);
        PressKey(key);
        EXPECT_EQ(WaitForRunExit(run, kTimeout), 0u);
        // The close stored the view as it was.
        EXPECT_EQ(Stored("mod1 depth"), 2100);
    }
}

} // namespace
