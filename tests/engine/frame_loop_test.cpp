// The engine's pacing, cycling, fade and key-step arithmetic, and the frame
// loop's refusal to present a frame with a GL error or after a stop.
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

TEST(EngineArithmetic, PacingCyclingAndFades)
{
    EXPECT_EQ(PaceDelay(100000, 100000 - 10), 20u);
    EXPECT_EQ(PaceDelay(100000, 100000 - 30), 0u);
    EXPECT_EQ(PaceDelay(100000, 100000 + 10), 20u) << "a clock that stepped back";
    EXPECT_EQ(PaceDelay(100000, 100000 - 0x80000000u), 0u);
    const struct
    {
        DWORD now, start;
        int cycleTime;
        bool passed;
    } cycles[] = {
        {23000, 0, 23, false},           {23001, 0, 23, true}, {1, 0, 0, true}, {5, 5, 0, false},
        {23001, 0xFFFFFFFFu, 23, true},  // across the clock's wrap
        {0x7FFFFFFF, 0, 5000000, false}, // saturates, never wraps
    };
    for (const auto& row : cycles)
    {
        EXPECT_EQ(CycleTimePassed(row.now, row.start, row.cycleTime), row.passed)
            << row.now << " " << row.start << " " << row.cycleTime;
    }
    EXPECT_NEAR(FadeOutLevel(FADE_STEP), 0.999315f, 1e-6);
    EXPECT_NEAR(FadeInLevel(FADE_STEP), 0.000685f, 1e-6);
    EXPECT_LT(FadeOutLevel(61 * FADE_STEP), 0.0f) << "the 61st fade-out frame passes black";
    EXPECT_GE(FadeInLevel(60 * FADE_STEP), 1.0f - 1e-6f);
}

TEST(EngineArithmetic, KeyStepsFollowTheDepth)
{
    const struct
    {
        float depth, zoom, pan;
    } rows[] = {
        {21, 0.3f, 0.1f},    {49.9f, 0.3f, 0.1f}, {50, 1, 1},        {99.9f, 1, 1},
        {139, 2, 2},         {260, 5, 5},         {-60, 0.3f, 0.1f}, {1e20f, 42949672, 42949672},
        {-1e20f, 0.3f, 0.1f}};
    for (const auto& row : rows)
    {
        EXPECT_EQ(ZoomStep(row.depth), row.zoom) << row.depth;
        EXPECT_EQ(PanStep(row.depth), row.pan) << row.depth;
    }
}

DWORD g_dwTestNow = 100000;

DWORD WINAPI TestTickCount()
{
    return g_dwTestNow;
}

void WINAPI TestSleep(DWORD ms)
{
    g_dwTestNow += ms;
}

// Red of the test window's pixel on screen, once GL has finished.
int ScreenRed()
{
    glFinish();
    Sleep(50);
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, 8, 8);
    ReleaseDC(NULL, screen);
    return GetRValue(c);
}

TEST(FrameLoop, PresentsOnlyCleanFramesWhileRunning)
{
    g_hInstance = GetModuleHandleA(NULL);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = "SolmirEngineTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Engine test", WS_POPUP, 0, 0, 64, 64, NULL,
                                  NULL, g_hInstance, NULL);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(CreateGLContext(window, 32));
    g_pfnTickCount = TestTickCount;
    g_pfnSleep = TestSleep;
    g_bSaverMode = g_bFullScreen = g_bFrameRateOk = true;
    g_fFrameRate = 33.0f;
    BuildDefaultModuleParams(g_ModParams);
    g_nModule = 0; // the cleared frame: black
    g_dwLastFrame = 0;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    const struct
    {
        const char* what;
        bool pendingError, stop, presented;
    } rows[] = {
        {"a clean frame is presented", false, false, true},
        {"a frame with a GL error is not", true, false, false},
        {"nothing is presented after a stop request", false, true, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(g_hDC);
        ASSERT_EQ(ScreenRed(), 255) << "the red frame did not reach the screen";
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        while (glGetError() != GL_NO_ERROR)
        {
        }
        if (row.pendingError)
        {
            glEnable(0x7FFF); // not a capability: GL_INVALID_ENUM
        }
        g_bStopRequested = row.stop;
        g_dwTestNow += FRAME_PERIOD_MS;
        RenderFrame(window);
        g_bStopRequested = false;
        EXPECT_EQ(ScreenRed(), row.presented ? 0 : 255);
    }
    KillGLContext();
    DestroyWindow(window);
    g_pfnTickCount = GetTickCount;
    g_pfnSleep = Sleep;
}

} // namespace
