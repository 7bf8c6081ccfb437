// The frame-rate probe timing real frames of module 1 on a scripted clock, and
// the rule for the low-frame-rate notice.
#include "host/host.h"
#include "host_test_support.h"
#include "render/render.h"

#include <gtest/gtest.h>

namespace
{

TEST(FrameRateNotice, OnlyForAFailedProbeBelowThreeInFullScreen)
{
    const struct
    {
        const char* what;
        bool ok, fullScreen;
        float rate;
        bool due;
    } rows[] = {
        {"failed at 2.99", false, true, 2.99f, true},
        {"3.0 is not below 3.0", false, true, 3.0f, false},
        {"preview", false, false, 2.5f, false},
        {"passed", true, true, 2.5f, false},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.due, FrameRateNoticeDue(row.ok, row.fullScreen, row.rate)) << row.what;
    }
}

// A hidden window with the saver's GL context current, so the probe's frames
// are drawn as in the saver.
class ProbeOnGL : public testing::Test
{
  protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 320, 240, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(window && CreateGLContext(window, 32));
    }

    void TearDown() override
    {
        RestoreRealClock();
        g_bFrameRateOk = true;
        g_fFrameRate = PROBE_UNMEASURED_RATE;
        KillGLContext();
        DestroyWindow(window);
    }

    HWND window = NULL;
};

TEST_F(ProbeOnGL, JudgesTheFramesTimedOnTheTickClock)
{
    const struct
    {
        const char* what;
        std::vector<DWORD> reads; // the clock as the probe reads it
        bool ok;
        float rate;
        int clockReads; // 2: first frame only; 4: four more frames timed
    } rows[] = {
        {"first frame 40 ms", {1000, 1040}, true, 33.0f, 2},
        {"50 ms is still quick", {1000, 1050}, true, 33.0f, 2},
        {"51 ms, then four in 200 ms", {1000, 1051, 1051, 1251}, true, 5000.0f / 252.0f, 4},
        {"100 ms, then four in 400 ms", {1000, 1100, 1100, 1500}, false, 5000.0f / 501.0f, 4},
        {"12.02 passes", {1000, 1200, 1200, 1415}, true, 5000.0f / 416.0f, 4},
        {"11.99 fails", {1000, 1200, 1200, 1416}, false, 5000.0f / 417.0f, 4},
        {"201 ms settles it", {1000, 1201}, false, 1000.0f / 201.0f, 2},
        {"first frame 400 ms", {1000, 1400}, false, 2.5f, 2},
        {"the counter wraps in the first frame", {0xFFFFFFF0u, 0x18}, true, 33.0f, 2},
        {"the counter wraps in the four frames",
         {0xFFFFFF00u, 0xFFFFFF64u, 0xFFFFFF64u, 0xF4},
         false,
         5000.0f / 501.0f,
         4},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
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
