// The built saver driven with real key presses: a zoom that is saved on
// close, a module switch, and keys that quit.
#include "support/saver_process.h"
#include "support/screen_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace
{

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const DWORD kTimeout = 8000;
const DWORD kSettle = 600; // a few frames: queued keys have been handled

POINT ScreenCentre()
{
    POINT p = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    return p;
}

void PressKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[0].ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

bool IsRunning(const SaverProcess& saver)
{
    return WaitForSingleObject(saver.info.hProcess, 0) == WAIT_TIMEOUT;
}

// A capture of the screen once the scene lights it.
bool WaitForLitScreen(ScreenShot* shot)
{
    return WaitUntil([&] { return LitShare(*shot = CaptureScreen()) > 0.02; }, kTimeout);
}

// Starts full-screen saving on a fresh key: module 1 at depth 21 shows, in
// front, and frames are drawn, so keys count.
bool Start(SaverProcess* saver)
{
    DeleteTree(HKEY_CURRENT_USER, kProductKey);
    POINT c = ScreenCentre();
    MoveCursorTo(c.x, c.y);
    ScreenShot shot;
    HWND hwnd =
        StartProgram(SolmirScrPath(), "/s", saver) ? WaitForSaverWindow(*saver, kTimeout) : NULL;
    return hwnd != NULL && WaitUntil([&] { return GetForegroundWindow() == hwnd; }, kTimeout) &&
           WaitForLitScreen(&shot);
}

// A mouse move past the threshold: the saver stores the view and closes.
DWORD CloseWithMouse(const SaverProcess& saver)
{
    POINT c = ScreenCentre();
    MoveCursorTo(c.x + 150, c.y + 100);
    return WaitForExit(saver, kTimeout);
}

DWORD Stored(const char* name)
{
    return ReadDword(HKEY_CURRENT_USER, kProductKey, name, 0xDEADBEEF);
}

TEST(SaverKeys, PageDownZoomIsSavedOnClose)
{
    SaverProcess saver;
    ASSERT_TRUE(Start(&saver));
    PressKey(VK_NEXT);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(saver)) << "Page Down quit the saver";
    EXPECT_EQ(CloseWithMouse(saver), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 2070u);
    EXPECT_EQ(Stored("mod2 depth"), 2100u);
}

TEST(SaverKeys, EnterBringsTheNextModule)
{
    SaverProcess saver;
    ASSERT_TRUE(Start(&saver));
    ScreenShot before;
    ASSERT_TRUE(WaitForLitScreen(&before)) << "module 1 drew nothing";
    PressKey(VK_RETURN);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(saver)) << "Enter quit with three modules enabled";
    ScreenShot after;
    EXPECT_TRUE(WaitForLitScreen(&after)) << "module 2 drew nothing";
    EXPECT_GT(ChangedShare(before, after), 0.02) << "the screen did not change";
    // Module 2 takes the keys now: its zoom is the one saved.
    PressKey(VK_NEXT);
    PumpMessagesFor(kSettle);
    EXPECT_EQ(CloseWithMouse(saver), 0u);
    EXPECT_EQ(Stored("mod1 depth"), 2100u);
    EXPECT_EQ(Stored("mod2 depth"), 2070u);
}

TEST(SaverKeys, EscAndOtherKeysQuit)
{
    const WORD keys[] = {VK_ESCAPE, 'A'};
    for (WORD key : keys)
    {
        SCOPED_TRACE(key);
        SaverProcess saver;
        ASSERT_TRUE(Start(&saver));
        PressKey(key);
        EXPECT_EQ(WaitForExit(saver, kTimeout), 0u);
        EXPECT_EQ(Stored("mod1 depth"), 2100u) << "the close stored the view as it was";
    }
}

} // namespace
