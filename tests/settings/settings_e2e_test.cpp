// The settings mode of the built Solmir.scr: started without a switch and with
// /c:1234, it shows the settings dialog, closes on Esc and exits with 1; its
// preview turns on the screen itself, also after About has been over it and
// after the dialog was minimized.
#include "settings_test_support.h"

#include "resource.h"
#include "support/saver_process.h"
#include "support/screen_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace
{

TEST(SettingsMode, OpensTheSettingsDialogAndEscClosesItWithExitCodeOne)
{
    for (const char* tail : {"", "/c:1234"})
    {
        SCOPED_TRACE(tail);
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        SaverProcess saver; // ended if still running
        ASSERT_TRUE(StartProgram(SolmirScrPath(), tail, &saver));
        HWND dialog = WaitForShownWindow(saver.info.dwProcessId, 0, kSettingsTitle);
        EXPECT_TRUE(dialog != NULL) << "no settings dialog";
        if (dialog != NULL)
        {
            SetForegroundWindow(dialog);
            Sleep(500);
            PressKeys("\x1B");
        }
        EXPECT_EQ(1u, WaitForExit(saver, 10000)) << "259: still running after Esc";
        // The start wrote back what it loaded, as the saver does.
        EXPECT_EQ(25u, ReadStoredValues().size());
    }
}

// True once the inside of frame 1008 shows a scene on black that moves from
// one capture to the next; the dialog's own face, or a window over it, does not.
bool WaitForTurningPreview(HWND dialog)
{
    return WaitUntil(
        [&]
        {
            RECT frame = {}; // read each time: a restored dialog moves back
            GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &frame);
            InflateRect(&frame, -2, -2);
            ScreenShot before = CaptureScreen(&frame);
            Sleep(200);
            ScreenShot after = CaptureScreen(&frame);
            double lit = LitShare(after);
            return lit > 0.03 && lit < 0.7 && ChangedShare(before, after) > 0.005;
        },
        10000);
}

TEST(SettingsMode, PreviewTurnsOnTheScreenAlsoAfterAboutAndAMinimize)
{
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
    SaverProcess process;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/c", &process));
    HWND dialog = WaitForShownWindow(process.info.dwProcessId, 0, kSettingsTitle);
    ASSERT_TRUE(dialog != NULL);
    EXPECT_TRUE(WaitForTurningPreview(dialog)) << "no turning scene in frame 1008";

    ClickControl(dialog, IDC_ABOUT);
    HWND about = WaitForShownWindow(process.info.dwProcessId, 0, kAboutTitle);
    ASSERT_TRUE(about != NULL);
    PressKeys("\x1B");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 10000));
    EXPECT_TRUE(WaitForTurningPreview(dialog)) << "the preview stayed hidden after About";

    // The preview's window leaves the screen with the minimized dialog and comes back with it.
    HWND view = FindWindowA("Solmir Preview", NULL);
    ASSERT_TRUE(view != NULL);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(dialog) && !IsWindowVisible(view); }, 10000));
    PostMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitForTurningPreview(dialog)) << "the preview stayed hidden after a restore";

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(1u, WaitForExit(process, 10000));
}

} // namespace
