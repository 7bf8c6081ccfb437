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

#include <string>

namespace
{

TEST(SettingsMode, OpensTheSettingsDialogAndEscClosesItWithExitCodeOne)
{
    const std::string scr = SolmirScrPath();
    ASSERT_FALSE(scr.empty());
    const char* tails[] = {"", " /c:1234"};
    for (const char* tail : tails)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        std::string line = "\"" + scr + "\"" + tail;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        SaverProcess saver; // ended if still running
        ASSERT_TRUE(
            CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &saver.info))
            << line;
        HWND dialog = WaitForShownWindow(saver.info.dwProcessId, 0, kSettingsTitle);
        EXPECT_TRUE(dialog != NULL) << line << ": no settings dialog";
        if (dialog != NULL)
        {
            SetForegroundWindow(dialog);
            Sleep(500);
            PressKey(VK_ESCAPE);
        }
        EXPECT_EQ(1u, WaitForExit(saver, 10000)) << line << " (259: still running after Esc)";
        // The start wrote back what it loaded, as the saver does.
        EXPECT_EQ(25u, ReadStoredValues().size()) << line;
    }
}

// The inside of frame 1008 as the screen shows it.
ScreenShot CapturePreview(HWND dialog)
{
    RECT frame = {};
    GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &frame);
    InflateRect(&frame, -2, -2);
    return CaptureScreen(&frame);
}

// True once the preview shows a scene on black that moves from one capture
// to the next; the dialog's own face, or a window stacked over the frame, does not.
bool WaitForTurningPreview(HWND dialog)
{
    return WaitUntil(
        [&]
        {
            ScreenShot before = CapturePreview(dialog);
            Sleep(200);
            ScreenShot after = CapturePreview(dialog);
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
    PressKey(VK_ESCAPE);
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
