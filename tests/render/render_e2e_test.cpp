// The built saver as a process: what the user sees when the screen cannot
// give it an OpenGL format, and when one of its textures is damaged.
#include "support/saver_process.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <vector>

typedef std::vector<std::string> Boxes; // "caption: text" of each box shown

static BOOL CALLBACK ReadBoxText(HWND child, LPARAM lParam)
{
    char text[1024] = {};
    const bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    if (WindowClass(child) == "Static" && !icon && GetWindowTextA(child, text, sizeof text) > 0)
    {
        *(std::string*)lParam += text;
    }
    return TRUE;
}

// Starts the saver full-screen, answers each message box it shows with OK
// and returns them in order once the process has ended (within 30 s).
static Boxes RunSaverCollectingBoxes(const std::string& exe, DWORD* exitCode)
{
    Boxes boxes;
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
            for (HWND w = NULL; (w = FindWindowExA(NULL, w, "#32770", NULL)) != NULL;)
            {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == process.info.dwProcessId && IsWindowVisible(w) && w != answered)
                {
                    std::string box = WindowTitle(w) + ": ";
                    EnumChildWindows(w, ReadBoxText, (LPARAM)&box);
                    boxes.push_back(box);
                    PostMessageA(w, WM_COMMAND, IDOK, 0);
                    answered = w;
                }
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
    const Boxes boxes = RunSaverCollectingBoxes(SolmirScrPath(), &exitCode);
    EXPECT_NE((DWORD)STILL_ACTIVE, exitCode) << "the saver did not exit";
    EXPECT_EQ(Boxes{"Screen Saver Error: Your video card doesn't appear to support\n"
                    "hardware acceleration for OpenGL. Make sure\n"
                    "you have installed the most current drivers\n"
                    "for your card.  If this doesn't help, you might\n"
                    "consider upgrading your video card."},
              boxes);
}

TEST(SaverWithDamagedTexture, ShowsTheTextureMessageThenInitializationFailed)
{
    if (ScreenBits() == 16)
    {
        GTEST_SKIP() << "a 16-bit screen fails before the textures";
    }
    DWORD exitCode = 0;
    const Boxes boxes =
        RunSaverCollectingBoxes(TestProgramFolder() + "SolmirBrokenTex.scr", &exitCode);
    EXPECT_NE((DWORD)STILL_ACTIVE, exitCode) << "the saver did not exit";
    EXPECT_EQ((Boxes{"ERROR: Too many pixels read", "ERROR: Initialization Failed."}), boxes);
}
