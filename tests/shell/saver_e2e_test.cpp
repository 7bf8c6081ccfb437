// The built saver started as a process and driven with the real cursor, real
// input and real messages: refused command lines, full-screen saving, preview,
// and the password on the Windows 9x family, where a copy of the saver runs as
// a 9x program beside the stand-in PASSWORD.CPL.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdint.h>

namespace
{

const DWORD kTimeout = 5000;
// Long enough for a queued mouse message to have been handled.
const DWORD kSettle = 400;

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

TEST(RunModeEndToEnd, RefusedCommandLinesExitWithMinusOne)
{
    // "/a" only on the 9x family, which Wine's default platform is not.
    const std::string tails[] = {"/x", "/p:1234", "/a 1234", "/" + std::string(30000, 'x')};
    for (const std::string& tail : tails)
    {
        SCOPED_TRACE(tail.substr(0, 40));
        SaverProcess saver;
        ASSERT_TRUE(StartProgram(SolmirScrPath(), tail, &saver));
        EXPECT_EQ(0xFFFFFFFFu, WaitForExit(saver, kTimeout));
    }
}

TEST(SaverEndToEnd, SecondStartLeavesTheSaverAndMovesOver100PixelsCloseIt)
{
    SaverProcess first;
    HWND hwnd = StartFullScreen(&first);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SaverProcess second;
    ASSERT_TRUE(StartProgram(SolmirScrPath(), "/s", &second));
    EXPECT_EQ(0u, WaitForExit(second, kTimeout));
    EXPECT_EQ(1u, FindSaverWindows().size());

    // Clicks and small moves add up from where the cursor was at the start.
    ClickLeftButton();
    POINT c = ScreenCentre();
    MoveCursorTo(c.x + 60, c.y);
    MoveCursorTo(c.x + 60, c.y + 40);
    PumpMessagesFor(kSettle);
    ASSERT_TRUE(IsRunning(first)) << "input up to 100 pixels closed the saver";
    MoveCursorTo(c.x + 60, c.y + 41);
    EXPECT_EQ(0u, WaitForExit(first, kTimeout)) << "101 pixels";
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
    ASSERT_TRUE(StartProgram(SolmirScrPath(),
                             "/p " + std::to_string(reinterpret_cast<uintptr_t>(host)), &saver));
    HWND hwnd = WaitForSaverWindow(saver, kTimeout, host);
    ASSERT_TRUE(hwnd != NULL);
    EXPECT_EQ("Preview", WindowTitle(hwnd));
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

// The whole road on the 9x family: the check is loaded, asked with the saver
// window while the system is told a saver runs, and an accepted password ends
// the saver after the library is released. A fault inside the check (no
// debugger can start, so the platform hands it back to the program) clears
// the saver-running flag and the exit code tells of the failure.
TEST(PasswordEndToEnd, AcceptedPasswordClosesTheSaverAndAFaultClearsTheFlag)
{
    const char kStandinKey[] = "Software\\SolmirTest\\Password";
    const char kDesktopKey[] = "Control Panel\\Desktop";
    const char kAeDebugKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\Solmir98.scr";
    std::string folder = MakeTempFolder("solmir-password-");
    ASSERT_FALSE(folder.empty());
    SetDword(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword", 1);
    SetString(HKEY_CURRENT_USER, appDefaults.c_str(), "Version", "win98");
    std::string oldDebugger;
    std::string oldAuto;
    ReadString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", &oldDebugger);
    ReadString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", &oldAuto);
    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", "Z:\\nonexistent\\no-debugger.exe");
    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", "1");
    // The loader looks beside the program first.
    std::string exe = folder + "Solmir98.scr";
    ASSERT_TRUE(CopyFileA(SolmirScrPath().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((TestProgramFolder() + "standin\\PASSWORD.CPL").c_str(),
                          (folder + "PASSWORD.CPL").c_str(), FALSE));

    for (DWORD answer : {1, 2})
    {
        SCOPED_TRACE(answer == 1 ? "accepted" : "fault in the check");
        DeleteTree(HKEY_CURRENT_USER, kStandinKey);
        SetDword(HKEY_CURRENT_USER, kStandinKey, "answer", answer);
        SetSaverRunningFlag(false);
        SaverProcess saver;
        HWND hwnd = StartFullScreen(&saver, exe);
        ASSERT_TRUE(hwnd != NULL);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(answer == 1 ? 0u : static_cast<DWORD>(-1), WaitForExit(saver, kTimeout));
        EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, kStandinKey, "calls", 0));
        EXPECT_EQ(static_cast<DWORD>(reinterpret_cast<uintptr_t>(hwnd)),
                  ReadDword(HKEY_CURRENT_USER, kStandinKey, "window", 0));
        EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, kStandinKey, "running", 0))
            << "saver-running flag during the request";
        EXPECT_FALSE(IsSaverRunningFlagSet()) << "saver-running flag after the exit";
        if (answer == 1)
        {
            EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, kStandinKey, "frees", 0))
                << "released first";
        }
    }

    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", oldDebugger.c_str());
    SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", oldAuto.c_str());
    DeleteTree(HKEY_CURRENT_USER, appDefaults.c_str());
    DeleteValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword");
    DeleteTree(HKEY_CURRENT_USER, kStandinKey);
    RemoveFolder(folder);
}

} // namespace
