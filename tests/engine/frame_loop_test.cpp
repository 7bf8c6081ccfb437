// The frame loop with the tick clock under the test's control: pacing,
// module cycling behind the fades, the preview buttons, the rate floor, and
// frames that must not reach the screen.
#include "engine_test_support.h"
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace
{

const DWORD kStart = 100000;

class FrameLoop : public EngineGLTest
{
  protected:
    void SetUp() override
    {
        StartAt(kStart);
        if (HasFatalFailure())
        {
            return;
        }
        g_bFrameRateOk = true;
        g_fFrameRate = 33.0f;
        BuildDefaultModuleParams(g_ModParams);
        BuildDefaultModuleParams(g_DefModParams);
        Enable(7);
        g_nModule = 1;
        LoadViewFromModule(1);
        g_nCycleTime = 23;
        g_dwCycleStart = kStart;
        g_dwLastFrame = 0;
        ResetFade();
    }
    // Enabled modules as bits: module 1 is 1, module 2 is 2, module 3 is 4.
    static void Enable(int modules)
    {
        for (int m = 1; m <= 3; ++m)
        {
            g_ModParams[m].active = (modules & (1 << (m - 1))) != 0;
        }
    }
    // One frame that comes a whole frame period after the last: no pacing sleep.
    static void NextFrame()
    {
        g_dwTestNow += FRAME_PERIOD_MS;
        RenderFrame(s_window);
    }
    static float Brightness()
    {
        float rgba[4];
        glGetFloatv(GL_CURRENT_COLOR, rgba);
        EXPECT_EQ(rgba[0], rgba[1]);
        EXPECT_EQ(rgba[0], rgba[2]);
        EXPECT_EQ(rgba[3], 1.0f);
        return rgba[0];
    }
};

TEST_F(FrameLoop, Pacing)
{
    struct Row
    {
        const char* what;
        DWORD lastFrame;
        std::vector<DWORD> sleeps;
    };
    const Row rows[] = {
        {"10 ms after the last frame sleeps 20", kStart - 10, {20}},
        {"29 ms after sleeps 1", kStart - 29, {1}},
        {"30 ms after does not sleep", kStart - 30, {}},
        {"45 ms after does not sleep", kStart - 45, {}},
        {"same tick sleeps a whole period", kStart, {30}},
        {"clock 10 ms behind the last frame sleeps 20", kStart + 10, {20}},
        {"first frame after start does not sleep", 0, {}},
        {"half the clock's range away does not sleep", kStart - 0x80000000u, {}},
    };
    Enable(1);
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_dwTestNow = kStart;
        g_TestSleeps.clear();
        g_dwLastFrame = row.lastFrame;
        RenderFrame(s_window);
        EXPECT_EQ(g_TestSleeps, row.sleeps);
        EXPECT_EQ(g_dwLastFrame, kStart + (row.sleeps.empty() ? 0 : row.sleeps[0]));
    }
}

TEST_F(FrameLoop, StopDuringThePacingSleepDrawsNothing)
{
    g_bStopOnSleep = true;
    g_dwLastFrame = kStart - 10;
    g_bFrameRateOk = false;
    g_fFrameRate = 1.0f; // would clear the module if the frame went on
    RenderFrame(s_window);
    EXPECT_EQ(g_TestSleeps, std::vector<DWORD>{20});
    EXPECT_EQ(g_dwLastFrame, kStart - 10);
    EXPECT_EQ(g_nModule, 1);
}

TEST_F(FrameLoop, RateFloorClearsTheModuleForGood)
{
    struct Row
    {
        bool ok;
        float rate;
        int module;
    };
    const Row rows[] = {{false, 2.5f, 0}, {false, 3.0f, 1}, {true, 1.0f, 1}, {false, 0.0f, 0}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << "ok " << row.ok << " rate " << row.rate);
        g_nModule = 1;
        g_bFrameRateOk = row.ok;
        g_fFrameRate = row.rate;
        NextFrame();
        EXPECT_EQ(g_nModule, row.module);
    }
    g_bFrameRateOk = true;
    NextFrame();
    EXPECT_EQ(g_nModule, 0) << "a cleared module came back";
}

TEST_F(FrameLoop, SwitchFadesOutSkipsDisabledModuleAndFadesIn)
{
    Enable(5);
    g_nModule = 3;
    LoadViewFromModule(3);
    g_fDepth = 150.0f; // the shown view differs from the record
    g_dwTestNow = kStart + 23000 - FRAME_PERIOD_MS;
    NextFrame(); // exactly the cycle time: not yet
    EXPECT_EQ(g_nFadeState, 0);
    EXPECT_EQ(Brightness(), 1.0f);

    // 60 frames fading out, the 61st black with the switch, 60 fading in.
    for (int frame = 1; frame <= 121; ++frame)
    {
        SCOPED_TRACE(frame);
        NextFrame();
        float v = Brightness();
        ASSERT_TRUE(g_TestSleeps.empty());
        if (frame < 61 || (frame > 61 && frame < 121))
        {
            ASSERT_EQ(g_nFadeState, frame < 61 ? 2 : 1);
            ASSERT_EQ(g_nModule, frame < 61 ? 3 : 1);
            ASSERT_GT(v, 0.0f);
            ASSERT_LT(v, 1.0f);
        }
        if (frame == 1)
        {
            EXPECT_NEAR(v, 0.999315f, 1e-6);
        }
        else if (frame == 61)
        {
            EXPECT_EQ(v, 0.0f);
            EXPECT_EQ(g_nFadeState, 1);
            EXPECT_EQ(g_nModule, 1);
            EXPECT_EQ(g_ModParams[3].depth, 150.0f) << "the view left behind is kept";
            EXPECT_EQ(g_fDepth, g_ModParams[1].depth);
        }
        else if (frame == 62)
        {
            EXPECT_NEAR(v, 0.000685f, 1e-6);
        }
        else if (frame == 121)
        {
            EXPECT_EQ(v, 1.0f);
            EXPECT_EQ(g_nFadeState, 0);
            EXPECT_EQ(g_dwCycleStart, g_dwTestNow);
        }
    }
    // A whole cycle interval at full brightness follows.
    NextFrame();
    EXPECT_EQ(g_nFadeState, 0);
    EXPECT_EQ(Brightness(), 1.0f);
}

TEST_F(FrameLoop, CycleTimeZeroSwitchesContinuously)
{
    Enable(3);
    g_nCycleTime = 0;
    g_dwTestNow = kStart - FRAME_PERIOD_MS;
    NextFrame(); // the very tick the interval began: not passed
    EXPECT_EQ(g_nFadeState, 0);

    std::vector<int> switches;
    int last = g_nModule;
    for (int frame = 0; frame < 121 * 3; ++frame)
    {
        NextFrame();
        if (g_nModule != last)
        {
            switches.push_back(frame);
            last = g_nModule;
        }
    }
    EXPECT_EQ(switches, (std::vector<int>{60, 181, 302}));
    EXPECT_EQ(g_nModule, 2);
}

TEST_F(FrameLoop, NoFadeWithOneOrNoModuleNorInTheSettingsDialog)
{
    struct Row
    {
        const char* what;
        bool saverMode;
        int enabled;
        int module;
    };
    const Row rows[] = {{"only module 2", true, 2, 2},
                        {"no module", true, 0, 0},
                        {"settings dialog with three modules", false, 7, 1}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_bSaverMode = row.saverMode;
        Enable(row.enabled);
        g_nModule = row.module;
        g_nCycleTime = 0;
        for (int frame = 0; frame < 200; ++frame)
        {
            NextFrame();
            ASSERT_EQ(g_nFadeState, 0);
        }
        EXPECT_EQ(g_nModule, row.module);
        EXPECT_EQ(Brightness(), 1.0f);
    }
}

TEST_F(FrameLoop, SettingsDialogFrameMarksThePreviewButton)
{
    g_bSaverMode = false;
    const int rows[][2] = {{1, 1024}, {3, 1026}, {2, 1025}, {0, 0}};
    for (const auto& row : rows)
    {
        g_nModule = row[0];
        NextFrame();
        EXPECT_EQ(CheckedPreviewButton(s_window), row[1]) << "module " << row[0];
    }
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

TEST_F(FrameLoop, PresentsOnlyCleanFramesWhileRunning)
{
    struct Row
    {
        const char* what;
        bool pendingError;
        bool stop;
        bool presented;
    };
    const Row rows[] = {
        {"a clean frame is presented", false, false, true},
        {"a frame with a GL error is not", true, false, false},
        {"nothing is presented after a stop request", false, true, false},
    };
    ShowWindow(s_window, SW_SHOWNOACTIVATE);
    g_nModule = 0; // the cleared frame: black
    for (const Row& row : rows)
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
        NextFrame();
        g_bStopRequested = false;
        EXPECT_EQ(ScreenRed(), row.presented ? 0 : 255);
    }
    ShowWindow(s_window, SW_HIDE);
}

TEST(FrameLoopArithmetic, CycleInterval)
{
    struct Row
    {
        const char* what;
        DWORD now, start;
        int cycleTime;
        bool passed;
    };
    const Row rows[] = {
        {"at the interval", 23000, 0, 23, false},
        {"one ms past", 23001, 0, 23, true},
        {"zero passes after 1 ms", 1, 0, 0, true},
        {"zero not on the same tick", 5, 5, 0, false},
        {"across the clock's wrap", 22999, 0xFFFFFFFFu, 23, false},
        {"across the wrap, passed", 23001, 0xFFFFFFFFu, 23, true},
        {"huge cycle time never wraps to a short one", 0x7FFFFFFF, 0, 5000000, false},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(CycleTimePassed(row.now, row.start, row.cycleTime), row.passed) << row.what;
    }
}

} // namespace
