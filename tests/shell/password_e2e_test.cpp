// The saver password on the Windows 9x family, end to end: a copy of the
// built saver runs as a 9x program beside a stand-in PASSWORD.CPL that
// answers as told and records what it was asked.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdint.h>

namespace
{

const DWORD kTimeout = 5000;
const DWORD kSettle = 400;
const DWORD kQuietTicks = 200;

const char kStandinKey[] = "Software\\SolmirTest\\Password";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kUsePassword[] = "ScreenSaveUsePassword";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
const char kAeDebugKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";

enum Library
{
    NO_LIBRARY,
    WITH_CHECK
};

bool IsRunning(const SaverProcess& saver)
{
    return WaitForSingleObject(saver.info.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Recorded(const char* name)
{
    return ReadDword(HKEY_CURRENT_USER, kStandinKey, name, 0);
}

void TellStandin(const char* name, DWORD value)
{
    SetDword(HKEY_CURRENT_USER, kStandinKey, name, value);
}

POINT ScreenCentre()
{
    POINT p = {};
    p.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    p.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    return p;
}

// Waits until the end of the last request lies `ticks` in the past.
void WaitTicksAfterLastRequest(DWORD ticks)
{
    DWORD end = Recorded("end tick");
    WaitUntil([&] { return GetTickCount() - end >= ticks; }, kTimeout);
}

class PasswordTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder = MakeTempFolder("solmir-password-");
        ASSERT_FALSE(folder.empty());
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        TellStandin("answer", 1);
        DeleteValue(HKEY_CURRENT_USER, kDesktopKey, kUsePassword);
        SetSaverRunningFlag(false);
    }

    void TearDown() override
    {
        if (!exeName.empty())
        {
            DeleteTree(HKEY_CURRENT_USER, (kAppDefaults + exeName).c_str());
        }
        DeleteValue(HKEY_CURRENT_USER, kDesktopKey, kUsePassword);
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        SetSaverRunningFlag(false);
        RemoveFolder(folder);
    }

    // A copy of the saver in the test's folder, as a 9x program or not, with
    // the chosen library beside it, where the loader looks first.
    std::string PrepareSaver(const char* name, bool win9x, Library library)
    {
        exeName = name;
        std::string exe = folder + name;
        EXPECT_TRUE(CopyFileA(SolmirScrPath().c_str(), exe.c_str(), FALSE));
        if (library != NO_LIBRARY)
        {
            std::string source = TestProgramFolder() + "standin\\PASSWORD.CPL";
            EXPECT_TRUE(CopyFileA(source.c_str(), (folder + "PASSWORD.CPL").c_str(), FALSE))
                << source;
        }
        std::string versionKey = kAppDefaults + exeName;
        DeleteTree(HKEY_CURRENT_USER, versionKey.c_str());
        if (win9x)
        {
            SetString(HKEY_CURRENT_USER, versionKey.c_str(), "Version", "win98");
        }
        return exe;
    }

    HWND StartFullScreen(const std::string& exe, SaverProcess* saver)
    {
        POINT c = ScreenCentre();
        MoveCursorTo(c.x, c.y);
        if (!StartProgram(exe, "/s", saver))
        {
            return NULL;
        }
        return WaitForSaverWindow(*saver, kTimeout);
    }

    std::string folder;
    std::string exeName;
};

void SetUsePassword(DWORD type, const void* data, DWORD size)
{
    if (type == REG_NONE)
    {
        return;
    }
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, NULL, 0,
                                             KEY_SET_VALUE, NULL, &key, NULL));
    RegSetValueExA(key, kUsePassword, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// Which stored settings require a password is checked in-process; here the
// whole road: the check is loaded, asked with the saver window, the system is
// told a saver runs, and an accepted password ends the saver.
TEST_F(PasswordTest, AcceptedPasswordClosesTheSaver)
{
    const BYTE one[4] = {1, 0, 0, 0};
    const struct
    {
        const char* name;
        DWORD type;
    } cases[] = {
        {"DWORD 1", REG_DWORD},
        {"4-byte binary 1", REG_BINARY},
    };
    int round = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        TellStandin("answer", 1);
        SetUsePassword(c.type, one, 4);
        std::string name = "Solmir98-" + std::to_string(round++) + ".scr";
        std::string exe = PrepareSaver(name.c_str(), true, WITH_CHECK);

        SaverProcess saver;
        HWND hwnd = StartFullScreen(exe, &saver);
        ASSERT_TRUE(hwnd != NULL);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
        EXPECT_EQ(1u, Recorded("calls"));
        EXPECT_EQ(1u, Recorded("loads"));
        EXPECT_EQ(1u, Recorded("frees")) << "the library is released before the exit";
        EXPECT_EQ(static_cast<DWORD>(reinterpret_cast<uintptr_t>(hwnd)), Recorded("window"));
        EXPECT_EQ(1u, Recorded("running")) << "saver-running flag during the request";
        EXPECT_FALSE(IsSaverRunningFlagSet()) << "saver-running flag after the exit";
        DeleteTree(HKEY_CURRENT_USER, (kAppDefaults + exeName).c_str());
    }
}

TEST_F(PasswordTest, RefusedPasswordKeepsTheSaverAndTheNextMoveAsksAgain)
{
    DWORD on = 1;
    SetUsePassword(REG_DWORD, &on, 4);
    TellStandin("answer", 0);
    std::string exe = PrepareSaver("Solmir98.scr", true, WITH_CHECK);
    SaverProcess saver;
    HWND hwnd = StartFullScreen(exe, &saver);
    ASSERT_TRUE(hwnd != NULL);

    POINT c = ScreenCentre();
    MoveCursorTo(c.x + 150, c.y);
    ASSERT_TRUE(WaitUntil([] { return Recorded("end tick") != 0; }, kTimeout));
    PumpMessagesFor(kSettle);
    EXPECT_TRUE(IsRunning(saver));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(1u, Recorded("calls"));
    EXPECT_TRUE(IsSaverRunningFlagSet());

    // Measured from where the refusal left the cursor: 80 pixels do nothing.
    WaitTicksAfterLastRequest(kQuietTicks + 50);
    MoveCursorTo(c.x + 150, c.y + 80);
    PumpMessagesFor(kSettle);
    EXPECT_EQ(1u, Recorded("calls"));
    // 30 more make 110 from there: asked again, refused again.
    MoveCursorTo(c.x + 150, c.y + 110);
    EXPECT_TRUE(WaitUntil([] { return Recorded("calls") == 2; }, kTimeout));
    PumpMessagesFor(kSettle);
    EXPECT_TRUE(IsRunning(saver));

    // Accepted at last: the saver ends.
    TellStandin("answer", 1);
    WaitTicksAfterLastRequest(kQuietTicks + 50);
    MoveCursorTo(c.x, c.y);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    EXPECT_EQ(3u, Recorded("calls"));
    EXPECT_FALSE(IsSaverRunningFlagSet());
}

TEST_F(PasswordTest, CloseRequestsWithin200MsOfTheLastRequestAreRefusedSilently)
{
    DWORD on = 1;
    SetUsePassword(REG_DWORD, &on, 4);
    // The user types for 300 ms and gets it wrong; meanwhile and right after,
    // more close requests arrive.
    TellStandin("answer", 0);
    TellStandin("delay", 300);
    TellStandin("close during", 1);
    TellStandin("close after", 1);
    std::string exe = PrepareSaver("Solmir98.scr", true, WITH_CHECK);
    SaverProcess saver;
    HWND hwnd = StartFullScreen(exe, &saver);
    ASSERT_TRUE(hwnd != NULL);

    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return Recorded("end tick") != 0; }, kTimeout));
    EXPECT_GE(Recorded("end tick") - Recorded("start tick"), 300u);
    PumpMessagesFor(150);
    EXPECT_EQ(1u, Recorded("calls")) << "a close right after the request asked again";
    EXPECT_TRUE(IsRunning(saver));

    // Once 200 ms have passed since the end, a close request asks again.
    TellStandin("close during", 0);
    TellStandin("close after", 0);
    TellStandin("delay", 0);
    WaitTicksAfterLastRequest(kQuietTicks + 20);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([] { return Recorded("calls") == 2; }, kTimeout));

    TellStandin("answer", 1);
    WaitTicksAfterLastRequest(kQuietTicks + 20);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    EXPECT_EQ(3u, Recorded("calls"));
}

TEST_F(PasswordTest, PreviewNeverLoadsTheCheck)
{
    DWORD on = 1;
    SetUsePassword(REG_DWORD, &on, 4);
    std::string exe = PrepareSaver("Solmir98.scr", true, WITH_CHECK);
    HWND host = CreateWindowExA(0, "STATIC", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                50, 50, 300, 240, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(host != NULL);
    SetSaverRunningFlag(true);
    SaverProcess saver;
    ASSERT_TRUE(StartProgram(
        exe, "/p " + std::to_string(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(host))),
        &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    ASSERT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    DestroyWindow(host);
    EXPECT_EQ(0u, Recorded("loads"));
    EXPECT_TRUE(IsSaverRunningFlagSet()) << "the preview touched the saver-running flag";
}

TEST_F(PasswordTest, OtherPlatformsNeitherLoadNorAsk)
{
    DWORD on = 1;
    SetUsePassword(REG_DWORD, &on, 4);
    std::string exe = PrepareSaver("SolmirNT.scr", false, WITH_CHECK);
    SetSaverRunningFlag(true);
    SaverProcess saver;
    HWND hwnd = StartFullScreen(exe, &saver);
    ASSERT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    EXPECT_EQ(0u, Recorded("loads"));
    EXPECT_EQ(0u, Recorded("calls"));
    EXPECT_TRUE(IsSaverRunningFlagSet());
}

TEST_F(PasswordTest, PasswordChangeRunsOnlyOnThe9xFamily)
{
    HWND owner = CreateWindowExA(0, "STATIC", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 50, 50, 300, 240, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(owner != NULL);
    std::string number = std::to_string(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(owner)));
    const struct
    {
        const char* exe;
        bool win9x;
        std::string tail;
        DWORD exitCode;
    } cases[] = {
        {"Solmir98.scr", true, "/a " + number, 0},
        {"Solmir98.scr", true, "-A" + number, 0},
        {"Solmir98.scr", true, "/a", 0},       // owned by the foreground window
        {"Solmir98.scr", true, "/a 12345", 0}, // not a window: the same
        {"SolmirNT.scr", false, "/a " + number, 0xFFFFFFFFu},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.exe) + " " + c.tail);
        std::string exe = PrepareSaver(c.exe, c.win9x, NO_LIBRARY);
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(exe, c.tail, &saver));
        EXPECT_EQ(c.exitCode, WaitForExit(saver, kTimeout));
        EXPECT_TRUE(FindSaverWindows().empty());
        DeleteTree(HKEY_CURRENT_USER, (kAppDefaults + exeName).c_str());
    }
    DestroyWindow(owner);
}

// A fault inside the platform's check: once the platform's crash handling
// hands control back, the saver-running flag is cleared and the exit code
// tells of the failure.
TEST_F(PasswordTest, FaultDuringTheRequestClearsTheSaverRunningFlag)
{
    // No debugger can be started, so the platform's filter lets the program
    // handle the fault. The previous set-up is restored afterwards.
    std::string oldDebugger;
    std::string oldAuto;
    bool hadDebugger = ReadString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", &oldDebugger);
    bool hadAuto = ReadString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", &oldAuto);
    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger",
              "Z:\\nonexistent\\no-debugger.exe %ld %ld");
    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", "1");

    DWORD on = 1;
    SetUsePassword(REG_DWORD, &on, 4);
    TellStandin("answer", 2);
    std::string exe = PrepareSaver("Solmir98.scr", true, WITH_CHECK);
    SaverProcess saver;
    HWND hwnd = StartFullScreen(exe, &saver);
    if (hwnd)
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    DWORD exitCode = WaitForExit(saver, kTimeout);

    if (hadDebugger)
    {
        SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", oldDebugger.c_str());
    }
    else
    {
        DeleteValue(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger");
    }
    if (hadAuto)
    {
        SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", oldAuto.c_str());
    }
    else
    {
        DeleteValue(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto");
    }

    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ(1u, Recorded("calls"));
    EXPECT_EQ(1u, Recorded("running"));
    EXPECT_EQ(0xFFFFFFFFu, exitCode);
    EXPECT_FALSE(IsSaverRunningFlagSet());
}

} // namespace
