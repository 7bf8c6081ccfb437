// The saver as a process on a machine far too slow for it: the start-up probe
// fails, the notice replaces the animation, "Remove Solmir" schedules the
// uninstaller in the run-once list, and the saver ends after the notice.
#include "host_test_support.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const DWORD kWaitMs = 20000;
const char kSlowSaver[] = "SolmirSlowClock.scr";
const char kInstallDir[] = "C:\\Program Files\\Quenwick\\Solmir";

// The slow variant is built beside this test program.
std::string SlowSaverPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + kSlowSaver;
}

struct SaverRun
{
    bool started;
    std::string noticeText;
    bool ownedBySaver;
    SeenBox box;
    bool exited;
    DWORD exitCode;
};

// Starts the slow saver with /s, presses "Remove Solmir" in its notice,
// dismisses the confirmation, presses OK and waits for the process to end.
SaverRun RunSlowSaver()
{
    SaverRun run = {false, std::string(), false, SeenBox(), false, 0xDEAD};
    std::string path = SlowSaverPath();
    std::string commandLine = "\"" + path + "\" /s";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    run.started = CreateProcessA(path.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                 &startup, &process) != FALSE;
    if (!run.started)
    {
        return run;
    }
    HWND notice = WaitForDialog(kNoticeTitle, kWaitMs);
    if (notice)
    {
        run.noticeText = NoticeRateText(notice, kWaitMs);
        HWND saver = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
        run.ownedBySaver = saver != NULL && GetWindow(notice, GW_OWNER) == saver;
        PressButton(notice, IDC_REMOVE_SOLMIR);
        run.box = DismissMessageBox(kRemovedCaption, kNotRemovedCaption, kWaitMs, saver);
        PressButton(notice, IDOK);
    }
    run.exited = WaitForSingleObject(process.hProcess, kWaitMs) == WAIT_OBJECT_0;
    if (!run.exited)
    {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kWaitMs);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

TEST(SlowMachine, NoticeSchedulesRemovalAndTheSaverCloses)
{
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductPath));
    ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
    ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", kInstallDir));
    const std::string command = std::string(kInstallDir) + "\\uninstal.exe";

    struct Row
    {
        const char* name;
        const char* entry; // the run-once value this run adds
    };
    const Row rows[] = {
        {"first run", "kill_saver"},
        {"second run", "kill_saver1"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        SaverRun run = RunSlowSaver();
        ASSERT_TRUE(run.started) << SlowSaverPath();
        EXPECT_EQ("The current frame rate is: 2.50 frames per second.", run.noticeText);
        EXPECT_TRUE(run.ownedBySaver);
        EXPECT_EQ(std::string(kRemovedCaption), run.box.caption);
        EXPECT_EQ(std::string(kRemovedText), run.box.text);
        EXPECT_TRUE(run.box.above) << "the confirmation shows above the saver";
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(command, GetString(HKEY_LOCAL_MACHINE, kRunOncePath, row.entry));
    }
    EXPECT_EQ(command, GetString(HKEY_LOCAL_MACHINE, kRunOncePath, "kill_saver"));
    EXPECT_EQ(2, ValueCount(HKEY_LOCAL_MACHINE, kRunOncePath));
}

} // namespace
