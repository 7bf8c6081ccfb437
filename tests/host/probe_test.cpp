// The frame-rate probe: its verdict arithmetic by table, the notice rule, and
// the real probe timing real frames of module 1 on a scripted clock.
#include "host/host.h"
#include "host_test_support.h"

#include <gtest/gtest.h>

namespace
{

struct VerdictRow
{
    DWORD firstMs;
    DWORD restMs;
    bool needsMore;
    bool ok;
    float rate;
};

TEST(FrameRateVerdict, FollowsTheThresholds)
{
    const VerdictRow rows[] = {
        {0, 0, false, true, 33.0f},
        {40, 0, false, true, 33.0f},               // quick: no second measurement
        {50, 0, false, true, 33.0f},               // 50 is still quick
        {51, 200, true, true, 5000.0f / 252.0f},   // just past quick: five frames timed
        {60, 200, true, true, 5000.0f / 261.0f},   // about 19.16
        {100, 400, true, false, 5000.0f / 501.0f}, // about 9.98
        {200, 215, true, true, 5000.0f / 416.0f},  // 12.02 passes
        {200, 216, true, false, 5000.0f / 417.0f}, // 11.99 fails
        {201, 0, false, false, 1000.0f / 201.0f},  // slow first frame settles it
        {250, 0, false, false, 4.0f},
        {333, 0, false, false, 1000.0f / 333.0f}, // 3.003: failed, but no notice
        {400, 0, false, false, 2.5f},
        {0xFFFFFFFF, 0, false, false, 1000.0f / 4294967295.0f},
    };
    for (const VerdictRow& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "first " << row.firstMs << " ms, rest " << row.restMs);
        EXPECT_EQ(row.needsMore, ProbeNeedsMoreFrames(row.firstMs));
        FrameRateVerdict verdict = JudgeFrameRate(row.firstMs, row.restMs);
        EXPECT_EQ(row.ok, verdict.ok);
        EXPECT_FLOAT_EQ(row.rate, verdict.rate);
    }
}

TEST(FrameRateNotice, OnlyForAFailedProbeBelowThreeInFullScreen)
{
    struct Row
    {
        bool ok;
        bool fullScreen;
        float rate;
        bool due;
    };
    const Row rows[] = {
        {false, true, 2.5f, true},
        {false, true, 2.99f, true},
        {false, true, 3.0f, false}, // 3.0 is not below 3.0
        {false, true, 4.0f, false},
        {false, false, 2.5f, false}, // preview: cleared frames, no notice
        {true, true, 2.5f, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "ok " << row.ok << ", full screen " << row.fullScreen
                                        << ", rate " << row.rate);
        EXPECT_EQ(row.due, FrameRateNoticeDue(row.ok, row.fullScreen, row.rate));
    }
}

// A hidden window with a real GL context current, so the probe's frames of
// module 1 are drawn as in the saver.
class ProbeOnGL : public testing::Test
{
  protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "SolmirProbeTest";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "probe", WS_POPUP, 0, 0, 320, 240, NULL, NULL,
                                 wc.hInstance, NULL);
        ASSERT_NE(nullptr, window);
        dc = GetDC(window);
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof(pfd);
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 32;
        pfd.cDepthBits = 16;
        int format = ChoosePixelFormat(dc, &pfd);
        ASSERT_NE(0, format);
        ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
        context = wglCreateContext(dc);
        ASSERT_NE(nullptr, context);
        ASSERT_TRUE(wglMakeCurrent(dc, context));
    }

    void TearDown() override
    {
        RestoreRealClock();
        g_bFrameRateOk = true;
        g_fFrameRate = 33.0f;
        wglMakeCurrent(NULL, NULL);
        if (context)
        {
            wglDeleteContext(context);
        }
        if (dc)
        {
            ReleaseDC(window, dc);
        }
        if (window)
        {
            DestroyWindow(window);
        }
    }

    HWND window = NULL;
    HDC dc = NULL;
    HGLRC context = NULL;
};

TEST_F(ProbeOnGL, TimesTheFramesOnTheTickClock)
{
    struct Row
    {
        const char* name;
        std::vector<DWORD> reads; // the clock as the probe reads it
        bool ok;
        float rate;
        int clockReads; // 2: first frame only; 4: four more frames timed
    };
    const Row rows[] = {
        {"first frame 40 ms", {1000, 1040}, true, 33.0f, 2},
        {"first frame 250 ms", {1000, 1250}, false, 4.0f, 2},
        {"first frame 400 ms", {1000, 1400}, false, 2.5f, 2},
        {"100 ms, then four in 400 ms", {1000, 1100, 1100, 1500}, false, 5000.0f / 501.0f, 4},
        {"60 ms, then four in 200 ms", {1000, 1060, 1060, 1260}, true, 5000.0f / 261.0f, 4},
        {"the counter wraps in the first frame", {0xFFFFFFF0u, 0x18}, true, 33.0f, 2},
        {"the counter wraps in the four frames",
         {0xFFFFFF00u, 0xFFFFFF64u, 0xFFFFFF64u, 0xF4},
         false,
         5000.0f / 501.0f,
         4},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        // Start from the opposite verdict so a probe that leaves it alone shows.
        g_bFrameRateOk = !row.ok;
        g_fFrameRate = -1.0f;
        InstallTestClock(row.reads, 1);
        ProbeFrameRate();
        EXPECT_EQ(row.ok, g_bFrameRateOk);
        EXPECT_FLOAT_EQ(row.rate, g_fFrameRate);
        EXPECT_EQ(row.clockReads, ClockReads());
    }
}

} // namespace
