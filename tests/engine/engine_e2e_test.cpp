// The built saver driven with real key presses: a zoom saved on close, a
// module switch that moves the keys to the next module, and keys that quit.
#include "support/saver_process.h"
#include "support/screen_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace
{

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const DWORD kTimeout = 8000;

void PressKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[0].ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    PumpMessagesFor(600); // a few frames: the key has been handled
}

bool WaitForLitScreen(ScreenShot* shot)
{
    return WaitUntil([&] { return LitShare(*shot = CaptureScreen()) > 0.02; }, kTimeout);
}

TEST(SaverKeys, ZoomIsSavedForTheShownModuleAndKeysQuit)
{
    const struct
    {
        const char* what;
        WORD keys[2];
        DWORD depth1, depth2; // stored after the close: 2100 is the view as it was
    } rows[] = {
        {"Page Down, then a mouse move", {VK_NEXT, 0}, 2070, 2100},
        {"Enter brings module 2, which Page Down zooms", {VK_RETURN, VK_NEXT}, 2100, 2070},
        {"Esc quits", {VK_ESCAPE, 0}, 2100, 2100},
        {"'A' quits", {'A', 0}, 2100, 2100},
    };
    const POINT c = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        DeleteTree(HKEY_CURRENT_USER, kProductKey);
        MoveCursorTo(c.x, c.y);
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(SolmirScrPath(), "/s", &saver));
        HWND hwnd = WaitForSaverWindow(saver, kTimeout);
        ASSERT_TRUE(hwnd != NULL);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }, kTimeout));
        ScreenShot before, after;
        ASSERT_TRUE(WaitForLitScreen(&before)) << "module 1 drew nothing";
        PressKey(row.keys[0]);
        bool quits = row.keys[1] == 0 && row.keys[0] != VK_NEXT;
        if (!quits)
        {
            ASSERT_EQ(WaitForSingleObject(saver.info.hProcess, 0), (DWORD)WAIT_TIMEOUT)
                << "the key quit the saver";
        }
        if (row.keys[0] == VK_RETURN)
        {
            EXPECT_TRUE(WaitForLitScreen(&after)) << "module 2 drew nothing";
            EXPECT_GT(ChangedShare(before, after), 0.02) << "the screen did not change";
        }
        if (row.keys[1] != 0)
        {
            PressKey(row.keys[1]);
        }
        if (!quits)
        {
            MoveCursorTo(c.x + 150, c.y + 100); // past the threshold: the saver closes
        }
        EXPECT_EQ(WaitForExit(saver, kTimeout), 0u);
        EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProductKey, "mod1 depth", 0), row.depth1);
        EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProductKey, "mod2 depth", 0), row.depth2);
    }
}

} // namespace
