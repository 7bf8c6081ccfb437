// The built saver started as a process and driven with the real cursor, real
// input and real messages: refused command lines, full-screen saving,
// preview, and the password on the Windows 9x family, where a copy of the
// saver runs as a 9x program beside the stand-in PASSWORD.CPL.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdint.h>

namespace
{

const DWORD kTimeout = 5000;
// Long enough for a queued mouse message to have been handled.
const DWORD kSettle = 400;
const DWORD kFailed = 0xFFFFFFFFu; // exit code -1

bool IsRunning(const SaverProcess& saver)
{
    return WaitForSingleObject(saver.info.hProcess, 0) == WAIT_TIMEOUT;
}

POINT ScreenCentre()
{
    POINT p = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    return p;
}

// Starts full-screen saving with the cursor resting at the screen centre.
HWND StartFullScreen(SaverProcess* saver, const std::string& exe = SolmirScrPath())
{
    POINT centre = ScreenCentre();
    MoveCursorTo(centre.x, centre.y);
    return StartProgram(exe, "/s", saver) ? WaitForSaverWindow(*saver, kTimeout) : NULL;
}

std::string WindowNumber(HWND hwnd, uint64_t add = 0)
{
    return std::to_string(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hwnd)) + add);
}

TEST(RunModeEndToEnd, RefusedCommandLinesExitWithMinusOne)
{
    // A number that names no window: one that did, a moment ago.
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                                GetModuleHandleA(NULL), NULL);
    DestroyWindow(gone);
    ASSERT_FALSE(IsWindow(gone));
    const std::string tails[] = {
        "/x",
        "/p",
        "/p:1234",
        "/l " + WindowNumber(gone),
        "/\ts",
        "/\xff\xfe",
        "/a 1234", // Wine's default platform is not of the 9x family
        "/" + std::string(30000, 'x'),
        "/p:" + std::string(30000, '9'),
    };
    for (const std::string& tail : tails)
    {
        SCOPED_TRACE(tail.substr(0, 40));
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(SolmirScrPath(), tail, &saver));
        EXPECT_EQ(kFailed, WaitForExit(saver, kTimeout));
    }
}

TEST(SaverEndToEnd, ClicksCommandsAndMovesUpToOneHundredPixelsDoNotClose)
{
    SaverProcess saver;
    HWND hwnd = StartFullScreen(&saver);
    ASSERT_TRUE(hwnd != NULL);
    ClickLeftButton();
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0));
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_NEXTWINDOW, 0));
    EXPECT_EQ(0, SendMessageA(hwnd, WM_SYSCOMMAND, SC_PREVWINDOW, 0));
    // Small moves add up from where the cursor was at the start.
    POINT c = ScreenCentre();
    MoveCursorTo(c.x + 60, c.y);
    MoveCursorTo(c.x + 60, c.y + 40);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(saver)) << "input up to 100 pixels closed the saver";
    MoveCursorTo(c.x + 60, c.y + 41);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout)) << "101 pixels";
}

TEST(SaverEndToEnd, TopmostPopupCoversTheScreenAndASecondStartLeavesIt)
{
    SaverProcess first;
    HWND hwnd = StartFullScreen(&first);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ("Screen Saver", WindowTitle(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WS_POPUP, GetWindowLongA(hwnd, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME));
    RECT r = {};
    GetWindowRect(hwnd, &r);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_TRUE(EqualRect(&screen, &r));
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
    EXPECT_EQ("Screen Saver", WindowTitle(hwnd)) << "the title never changes";

    SaverProcess second;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/s", &second));
    EXPECT_EQ(0u, WaitForExit(second, kTimeout));
    EXPECT_EQ(1u, FindSaverWindows().size());
    EXPECT_TRUE(IsRunning(first));
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(first, kTimeout));
}

// The display settings' side of a preview, which takes over help and menus.
HWND g_hContextMenuFor;
HWND g_hHelpFor;
int g_nHelpControl;

LRESULT CALLBACK PreviewHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU)
    {
        g_hContextMenuFor = reinterpret_cast<HWND>(wParam);
        return 0;
    }
    if (message == WM_HELP)
    {
        g_hHelpFor = reinterpret_cast<HWND>(wParam);
        g_nHelpControl = reinterpret_cast<HELPINFO*>(lParam)->iCtrlId;
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(SaverEndToEnd, PreviewFillsItsParentIgnoresInputAndHandsOverHelp)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PreviewHostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "ShellPreviewHost";
    RegisterClassA(&wc);
    HWND host =
        CreateWindowExA(0, wc.lpszClassName, "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        100, 100, 330, 260, NULL, NULL, wc.hInstance, NULL);
    ASSERT_TRUE(host != NULL);
    SaverProcess saver;
    // L as P; the number wraps at 32 bits.
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/l " + WindowNumber(host, 1ull << 32), &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ("Preview", WindowTitle(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT client = {};
    GetClientRect(host, &client);
    RECT r = {};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(NULL, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(EqualRect(&client, &r));

    PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    POINT inside = {client.right / 2, client.bottom / 2};
    ClientToScreen(host, &inside);
    MoveCursorTo(inside.x, inside.y);
    MoveCursorTo(inside.x + 150, inside.y + 100);
    ClickLeftButton();
    PumpMessagesFor(kSettle);
    EXPECT_TRUE(IsRunning(saver)) << "keys, clicks and moves closed the preview";

    EXPECT_EQ(1, SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), 0));
    EXPECT_TRUE(WaitUntil([&] { return g_hContextMenuFor == host; }, kTimeout));
    // Help carries its record by pointer: it must arrive, not be dropped.
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = 77;
    EXPECT_EQ(1, SendMessageA(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    EXPECT_TRUE(WaitUntil([&] { return g_hHelpFor == host; }, kTimeout));
    EXPECT_EQ(77, g_nHelpControl);

    // Wine does not reliably tell a child window of another process that its
    // parent was destroyed, so the preview is closed directly.
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    DestroyWindow(host);
}

const char kStandinKey[] = "Software\\SolmirTest\\Password";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kUsePassword[] = "ScreenSaveUsePassword";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
const char kAeDebugKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";

DWORD Recorded(const char* name)
{
    return ReadDword(HKEY_CURRENT_USER, kStandinKey, name, 0);
}

void TellStandin(DWORD answer)
{
    SetDword(HKEY_CURRENT_USER, kStandinKey, "answer", answer);
}

class PasswordEndToEnd : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder = MakeTempFolder("solmir-password-");
        ASSERT_FALSE(folder.empty());
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        TellStandin(1);
        SetDword(HKEY_CURRENT_USER, kDesktopKey, kUsePassword, 1);
        SetSaverRunningFlag(false);
    }

    void TearDown() override
    {
        DeleteTree(HKEY_CURRENT_USER, (kAppDefaults + std::string("Solmir98.scr")).c_str());
        DeleteValue(HKEY_CURRENT_USER, kDesktopKey, kUsePassword);
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        SetSaverRunningFlag(false);
        RemoveFolder(folder);
    }

    // A copy of the saver, as a 9x program or not, with the stand-in beside
    // it, where the loader looks first.
    std::string PrepareSaver(bool win9x)
    {
        std::string name = win9x ? "Solmir98.scr" : "SolmirNT.scr";
        std::string exe = folder + name;
        EXPECT_TRUE(CopyFileA(SolmirScrPath().c_str(), exe.c_str(), FALSE));
        std::string standin = TestProgramFolder() + "standin\\PASSWORD.CPL";
        EXPECT_TRUE(CopyFileA(standin.c_str(), (folder + "PASSWORD.CPL").c_str(), FALSE));
        if (win9x)
        {
            SetString(HKEY_CURRENT_USER, (kAppDefaults + name).c_str(), "Version", "win98");
        }
        return exe;
    }

    std::string folder;
};

// The whole road: the check is loaded, asked with the saver window while the
// system is told a saver runs, and an accepted password ends the saver.
TEST_F(PasswordEndToEnd, AcceptedPasswordClosesTheSaver)
{
    SaverProcess saver;
    HWND hwnd = StartFullScreen(&saver, PrepareSaver(true));
    ASSERT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    EXPECT_EQ(1u, Recorded("calls"));
    EXPECT_EQ(1u, Recorded("frees")) << "the library is released before the exit";
    EXPECT_EQ(static_cast<DWORD>(reinterpret_cast<uintptr_t>(hwnd)), Recorded("window"));
    EXPECT_EQ(1u, Recorded("running")) << "saver-running flag during the request";
    EXPECT_FALSE(IsSaverRunningFlagSet()) << "saver-running flag after the exit";
}

TEST_F(PasswordEndToEnd, PreviewNeverLoadsTheCheck)
{
    std::string exe = PrepareSaver(true);
    HWND host = CreateWindowExA(0, "STATIC", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                50, 50, 300, 240, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(host != NULL);
    SetSaverRunningFlag(true);
    SaverProcess saver;
    ASSERT_TRUE(StartProgram(exe, "/p " + WindowNumber(host), &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    ASSERT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit(saver, kTimeout));
    DestroyWindow(host);
    EXPECT_EQ(0u, Recorded("loads"));
    EXPECT_TRUE(IsSaverRunningFlagSet()) << "the preview touched the saver-running flag";
}

TEST_F(PasswordEndToEnd, PasswordChangeRunsOnlyOnThe9xFamily)
{
    HWND owner = CreateWindowExA(0, "STATIC", "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 50, 50, 300, 240, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(owner != NULL);
    const struct
    {
        bool win9x;
        std::string tail;
        DWORD exitCode;
    } rows[] = {
        {true, "/a " + WindowNumber(owner), 0},
        {true, "/a 12345", 0}, // not a window: owned by the foreground window
        {false, "/a " + WindowNumber(owner), kFailed},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.win9x ? "9x " : "NT ") + row.tail);
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(PrepareSaver(row.win9x), row.tail, &saver));
        EXPECT_EQ(row.exitCode, WaitForExit(saver, kTimeout));
        EXPECT_TRUE(FindSaverWindows().empty());
    }
    DestroyWindow(owner);
}

// No debugger can be started, so the platform's crash handling hands a fault
// back to the program; the previous set-up comes back afterwards.
struct NoDebugger
{
    const char* names[2] = {"Debugger", "Auto"};
    std::string old[2];
    bool had[2] = {};
    NoDebugger()
    {
        const char* values[2] = {"Z:\\nonexistent\\no-debugger.exe %ld %ld", "1"};
        for (int i = 0; i < 2; ++i)
        {
            had[i] = ReadString(HKEY_LOCAL_MACHINE, kAeDebugKey, names[i], &old[i]);
            SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, names[i], values[i]);
        }
    }
    ~NoDebugger()
    {
        for (int i = 0; i < 2; ++i)
        {
            had[i] ? SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, names[i], old[i].c_str())
                   : DeleteValue(HKEY_LOCAL_MACHINE, kAeDebugKey, names[i]);
        }
    }
};

// A fault inside the platform's check clears the saver-running flag and the
// exit code tells of the failure.
TEST_F(PasswordEndToEnd, FaultDuringTheRequestClearsTheSaverRunningFlag)
{
    TellStandin(2);
    NoDebugger noDebugger;
    SaverProcess saver;
    HWND hwnd = StartFullScreen(&saver, PrepareSaver(true));
    ASSERT_TRUE(hwnd != NULL);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(kFailed, WaitForExit(saver, kTimeout));
    EXPECT_EQ(1u, Recorded("running"));
    EXPECT_FALSE(IsSaverRunningFlagSet());
}

} // namespace
