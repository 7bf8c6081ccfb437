// The built saver as a process: what the user sees when the screen cannot
// give it an OpenGL format, and when one of its textures is damaged.
#include "box_capture.h"
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <vector>

static BOOL CALLBACK FindProcessBox(HWND hwnd, LPARAM lParam)
{
    std::pair<DWORD, HWND>* search = (std::pair<DWORD, HWND>*)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->first && WindowClass(hwnd) == "#32770" && IsWindowVisible(hwnd))
    {
        search->second = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Starts the saver full-screen, answers each message box it shows with OK
// and returns them in order once the process has ended (within 30 s).
static std::vector<CapturedBox> RunSaverCollectingBoxes(const std::string& exe, DWORD* exitCode)
{
    std::vector<CapturedBox> boxes;
    SaverProcess process;
    if (!StartProgram(exe, "/s", &process))
    {
        ADD_FAILURE() << "cannot start " << exe;
        return boxes;
    }
    HWND answered = NULL;
    WaitUntil(
        [&]
        {
            std::pair<DWORD, HWND> search(process.info.dwProcessId, NULL);
            EnumWindows(FindProcessBox, (LPARAM)&search);
            if (search.second && search.second != answered)
            {
                boxes.push_back(ReadBox(search.second));
                PostMessageA(search.second, WM_COMMAND, IDOK, 0);
                answered = search.second;
            }
            return WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0;
        },
        30000);
    *exitCode = WaitForExit(process, 0);
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
    const std::vector<CapturedBox> boxes = RunSaverCollectingBoxes(SolmirScrPath(), &exitCode);
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
    DWORD exitCode = 0;
    const std::vector<CapturedBox> boxes =
        RunSaverCollectingBoxes(TestProgramFolder() + "SolmirBrokenTex.scr", &exitCode);
    EXPECT_NE((DWORD)STILL_ACTIVE, exitCode) << "the saver did not exit";
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("ERROR", boxes[0].caption);
    EXPECT_EQ("Too many pixels read", boxes[0].text);
    EXPECT_EQ("ERROR", boxes[1].caption);
    EXPECT_EQ("Initialization Failed.", boxes[1].text);
}
