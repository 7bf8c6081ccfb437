// Helpers for the engine tests: a tick clock the test drives, and a window
// with the program's OpenGL context and the settings dialog's preview buttons.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>
#include <vector>

extern DWORD g_dwTestNow;               // what the engine's tick clock reads
extern std::vector<DWORD> g_TestSleeps; // every pacing sleep, in order; each advances the clock
extern bool g_bStopOnSleep;             // a sleep sets g_bStopRequested, as a close would

// Id of the one checked preview button 1024..1028, 0 when none, -1 when several.
int CheckedPreviewButton(HWND window);

// A suite sharing one hidden GL window (with check boxes 1024 to 1028 standing
// in for the preview buttons), run on the test's clock in the full-screen
// saver's mode unless a test says otherwise.
class EngineGLTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // Starts each test at tick `now` with no stop requested.
    void StartAt(DWORD now);
    static HWND s_window;
};
