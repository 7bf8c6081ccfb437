// The built saver as a process: what the user sees when the screen cannot
// give it an OpenGL format, and when one of its textures is damaged.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <vector>

struct SeenBox
{
    std::string caption;
    std::string text;
};

struct BoxSearch
{
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindProcessBox(HWND hwnd, LPARAM lParam)
{
    BoxSearch* search = (BoxSearch*)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == search->processId && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd))
    {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK ReadBoxText(HWND child, LPARAM lParam)
{
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
    {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0] != '\0')
        {
            *(std::string*)lParam = text;
        }
    }
    return TRUE;
}

// Starts the saver full-screen, answers each message box it shows with OK
// and returns them in order once the process has ended (or after timeoutMs).
static std::vector<SeenBox> RunSaverCollectingBoxes(const std::string& exe, DWORD timeoutMs,
                                                    DWORD* exitCode)
{
    std::vector<SeenBox> boxes;
    std::string line = "\"" + exe + "\" /s";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    *exitCode = STILL_ACTIVE;
    if (!CreateProcessA(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
    {
        ADD_FAILURE() << "cannot start " << exe;
        return boxes;
    }
    const DWORD start = GetTickCount();
    HWND answered = NULL;
    while (GetTickCount() - start < timeoutMs)
    {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
        {
            break;
        }
        BoxSearch search = {pi.dwProcessId, NULL};
        EnumWindows(FindProcessBox, (LPARAM)&search);
        if (search.found && search.found != answered)
        {
            SeenBox box;
            char caption[256] = {};
            GetWindowTextA(search.found, caption, sizeof caption);
            box.caption = caption;
            EnumChildWindows(search.found, ReadBoxText, (LPARAM)&box.text);
            boxes.push_back(box);
            PostMessageA(search.found, WM_COMMAND, IDOK, 0);
            answered = search.found;
        }
    }
    GetExitCodeProcess(pi.hProcess, exitCode);
    if (*exitCode == STILL_ACTIVE)
    {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return boxes;
}

static int ScreenBits()
{
    HDC screen = GetDC(NULL);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);
    return bits;
}

// Run by its own CTest entry on a 16-bit Xvfb screen.
TEST(SaverOnSixteenBitScreen, ShowsTheVideoCardMessageAndExits)
{
    const char* screen = getenv("SOLMIR_SCREEN");
    const bool asked16 = screen && std::string(screen).find("x16") != std::string::npos;
    ASSERT_TRUE(!asked16 || ScreenBits() == 16) << "Xvfb did not give the 16-bit screen asked for";
    if (ScreenBits() != 16)
    {
        GTEST_SKIP() << "needs a 16-bit screen (SOLMIR_SCREEN=1024x768x16)";
    }
    DWORD exitCode = 0;
    const std::vector<SeenBox> boxes = RunSaverCollectingBoxes(SolmirScrPath(), 30000, &exitCode);
    EXPECT_NE((DWORD)STILL_ACTIVE, exitCode) << "the saver did not exit";
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Screen Saver Error", boxes[0].caption);
    EXPECT_EQ("Your video card doesn't appear to support\n"
              "hardware acceleration for OpenGL. Make sure\n"
              "you have installed the most current drivers\n"
              "for your card.  If this doesn't help, you might\n"
              "consider upgrading your video card.",
              boxes[0].text);
}

TEST(SaverWithDamagedTexture, ShowsTheTextureMessageThenInitializationFailed)
{
    if (ScreenBits() == 16)
    {
        GTEST_SKIP() << "a 16-bit screen fails before the textures";
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string exe = self;
    exe = exe.substr(0, exe.find_last_of('\\') + 1) + "SolmirBrokenTex.scr";
    DWORD exitCode = 0;
    const std::vector<SeenBox> boxes = RunSaverCollectingBoxes(exe, 30000, &exitCode);
    EXPECT_NE((DWORD)STILL_ACTIVE, exitCode) << "the saver did not exit";
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("ERROR", boxes[0].caption);
    EXPECT_EQ("Too many pixels read", boxes[0].text);
    EXPECT_EQ("ERROR", boxes[1].caption);
    EXPECT_EQ("Initialization Failed.", boxes[1].text);
}
