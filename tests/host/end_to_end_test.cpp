// The saver as a process on a machine far too slow for it: the start-up probe
// fails, the notice replaces the animation, "Remove Solmir" schedules the
// uninstaller in the run-once list, and the saver ends after the notice.
#include "host_test_support.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace
{

const DWORD kWaitMs = 20000;

TEST(SlowMachine, NoticeSchedulesRemovalAndTheSaverCloses)
{
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductPath));
    ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
    ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
    SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir",
              "C:\\Program Files\\Quenwick\\Solmir");
    const char* entries[] = {"kill_saver", "kill_saver1"}; // the value each run adds
    for (const char* entry : entries)
    {
        SCOPED_TRACE(entry);
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(TestProgramFolder() + "SolmirSlowClock.scr", "/s", &saver));
        HWND notice = WaitForDialog(kNoticeTitle, kWaitMs);
        ASSERT_NE(nullptr, notice);
        EXPECT_EQ("The current frame rate is: 2.50 frames per second.",
                  NoticeRateText(notice, kWaitMs));
        HWND hwnd = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
        EXPECT_TRUE(hwnd != NULL && GetWindow(notice, GW_OWNER) == hwnd) << "owned by the saver";
        PressButton(notice, IDC_REMOVE_SOLMIR);
        SeenBox box = DismissRemovalBox(kWaitMs, hwnd);
        EXPECT_EQ(kRemovedCaption, box.caption);
        EXPECT_EQ(kRemovedText, box.text);
        EXPECT_TRUE(box.above) << "the confirmation shows above the saver";
        EXPECT_TRUE(IsWindowVisible(notice)) << "the notice stays open after scheduling";
        PressButton(notice, IDOK);
        EXPECT_EQ(0u, WaitForExit(saver, kWaitMs));
        EXPECT_EQ("C:\\Program Files\\Quenwick\\Solmir\\uninstal.exe", RunOnceEntry(entry));
    }
    EXPECT_EQ(2, RunOnceCount());
}

} // namespace
