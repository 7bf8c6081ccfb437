// Pure rules, as tables: the command line, mouse distance, the stored form of
// the view, pacing, cycling, fades, key steps, the animation over weeks, the
// probe's verdicts and the pixel-format choice.
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <iterator>
#include <math.h>
#include <tuple>
#include <vector>

namespace
{

TEST(CommandLine, WholeLinesSelectTheRunMode)
{
    const std::tuple<const char*, RunMode, uint32_t> rows[] = {
        {"solmir.scr /C:1234", RUN_SETTINGS_OWNED, 0}, // the number is not read
        {"solmir.scr -/- /S anything 123", RUN_SAVER, 0},
        {"solmir.scr\x01\x1f\x20/s", RUN_SAVER, 0}, // any control byte separates
        {"solmir.scr /p   1234", RUN_PREVIEW, 1234},
        {"solmir.scr /L1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p 12ab", RUN_PREVIEW, 12},
        {"solmir.scr /p:1234", RUN_PREVIEW, 0},          // only digits behind the spaces
        {"solmir.scr /p 4294968530", RUN_PREVIEW, 1234}, // wraps at 32 bits
        {"solmir.scr /a 1234", RUN_PASSWORD, 1234},
        {"solmir.scr /\ts", RUN_INVALID, 0}, // a tab is no separator after the name
        {"solmir.scr /\xd3", RUN_INVALID, 0},
        {"\"C:\\Program Files\\My Saver\\solmir.scr\"/p 77", RUN_PREVIEW, 77},
        {"\"C:\\a b\\solmir.scr /s", RUN_SETTINGS, 0}, // an unclosed quote takes the rest
        {"C:\\Program Files\\solmir.scr /s", RUN_INVALID, 0},
        {"C:\\\xc4\xd6\xdc\\\xe9t\xe9.scr /p 5", RUN_PREVIEW, 5}, // 0x80 and up are path
    };
    for (const auto& [line, mode, window] : rows)
    {
        RunRequest request = ParseRunRequest(SkipSeparators(SkipProgramName(line)));
        EXPECT_EQ(mode, request.mode) << line;
        EXPECT_EQ(window, request.window) << line;
    }
}

TEST(CursorDistance, AddsBothAxesWithoutWrapping)
{
    const LONG kMin = -2147483647 - 1, kMax = 2147483647;
    EXPECT_EQ(0xFFFFFFFFu, CursorDistance({kMin, 0}, {kMax, 0}));
    EXPECT_EQ(0xFFFFFFFFu, CursorDistance({kMax, kMax}, {kMin, kMin}));
}

TEST(StoredView, SavesBackWhatWasReadNeverTheMarkerAndSaturates)
{
    // Each load writes its values back: what was read must be what is written,
    // or the stored view would creep with every start.
    int32_t first = 0; // the first value that does not, if any
    for (int32_t n = -300000; n <= 300000 && first == 0; ++n)
    {
        first = StoredFromParam(FloatFromHundredths(n)) != (n == kMissingValue ? n + 1 : n) ? n : 0;
    }
    EXPECT_EQ(0, first) << "saves back as " << StoredFromParam(FloatFromHundredths(first));
    const std::pair<float, int32_t> rows[] = {
        {0.675f, 67},       {-1.15f, -114},      {-0.015f, -1},         {-99.99f, -9998},
        {1e10f, INT32_MAX}, {-1e10f, INT32_MIN}, {INFINITY, INT32_MAX}, {NAN, 0},
    };
    for (const auto& [value, stored] : rows)
    {
        EXPECT_EQ(stored, StoredFromParam(value)) << value;
    }
}

TEST(FrameLoop, PacesCyclesAndFades)
{
    EXPECT_EQ(20u, PaceDelay(100000, 100000 - 10));
    EXPECT_EQ(0u, PaceDelay(100000, 100000 - 45));
    EXPECT_EQ(20u, PaceDelay(100000, 100000 + 10)) << "a clock that stepped back";
    EXPECT_EQ(0u, PaceDelay(100000, 100000 - 0x80000000u));
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
        EXPECT_EQ(row.passed, CycleTimePassed(row.now, row.start, row.cycleTime))
            << row.now << " " << row.start << " " << row.cycleTime;
    }
}

// A switch hides behind 61 fade-out frames, only the last black, and 60 fade-in
// frames, only the last at full brightness.
TEST(FrameLoop, FadesRunTheirWholeLength)
{
    ResetFade();
    for (int frame = 1; frame <= 61; ++frame)
    {
        EXPECT_EQ(frame == 61, FadeOutStep() == 0.0f) << "fade-out frame " << frame;
    }
    for (int frame = 1; frame <= 60; ++frame)
    {
        EXPECT_EQ(frame == 60, FadeInStep() == 1.0f) << "fade-in frame " << frame;
    }
}

TEST(ViewKeys, StepsFollowTheDepth)
{
    const std::tuple<float, float, float> rows[] = {
        {49.9f, 0.3f, 0.1f},  {50, 1, 1},        {99.9f, 1, 1},
        {260, 5, 5},          {-60, 0.3f, 0.1f}, {1e20f, 42949672, 42949672},
        {-1e20f, 0.3f, 0.1f},
    };
    for (const auto& [depth, zoom, pan] : rows)
    {
        EXPECT_EQ(zoom, ZoomStep(depth)) << depth;
        EXPECT_EQ(pan, PanStep(depth)) << depth;
    }
}

// Savers run for days: two weeks of frames at the paced rate must step the
// ring, the cylinder and module 3's rings as the first frame did.
TEST(Scenes, StepTheSameAfterWeeksOfFrames)
{
    const int kFrames = 14 * 24 * 3600 * 33;
    for (float speed : {0.0625f, 0.675f, 10.0f})
    {
        float spin = 0.0f, orbitSpin = 0.0f, phase = 0.0f;
        int worst = -1;
        for (int frame = 0; frame < kFrames && worst < 0; ++frame)
        {
            const float nextSpin = StepSpinAngle(spin, speed);
            const float nextOrbit = StepOrbitSpin(orbitSpin, speed, 0.64f);
            const float nextPhase = StepOrbitPhase(phase, speed);
            // The steps as the screen shows them: the ring turns a third of its spin.
            const float turn = remainderf(nextSpin - spin, 1080.0f) / 3.0f;
            const float orbitTurn = remainderf(nextOrbit - orbitSpin, 360.0f);
            const float advance = remainderf(nextPhase - phase, 6.283185f);
            if (fabsf(turn - speed / 3.0f) > 1e-3f * speed ||
                fabsf(orbitTurn - speed * 0.64f) > 1e-3f * speed ||
                fabsf(advance - 0.0175f * speed) > 1e-3f * speed)
            {
                worst = frame;
            }
            spin = nextSpin, orbitSpin = nextOrbit, phase = nextPhase;
        }
        EXPECT_EQ(-1, worst) << "speed " << speed << ": the step changed at frame " << worst;
    }
}

TEST(FrameRateProbe, Verdicts)
{
    const struct
    {
        DWORD firstMs, restMs;
        bool more, ok, noticeInSaver;
        float rate;
    } rows[] = {
        {40, 0, false, true, false, 33.0f},          {50, 0, false, true, false, 33.0f},
        {60, 200, true, true, false, 5000.0f / 261}, {100, 400, true, false, false, 5000.0f / 501},
        {250, 0, false, false, false, 4.0f},         {334, 0, false, false, true, 1000.0f / 334},
        {400, 0, false, false, true, 2.5f},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.firstMs);
        EXPECT_EQ(row.more, ProbeNeedsMoreFrames(row.firstMs));
        FrameRateVerdict verdict = JudgeFrameRate(row.firstMs, row.restMs);
        EXPECT_EQ(row.ok, verdict.ok);
        EXPECT_FLOAT_EQ(row.rate, verdict.rate);
        EXPECT_EQ(row.noticeInSaver, FrameRateNoticeDue(verdict.ok, true, verdict.rate));
        EXPECT_FALSE(FrameRateNoticeDue(verdict.ok, false, verdict.rate)) << "only full screen";
    }
}

// A window over the virtual screen: the one viewport of layouts the monitor tests do not make (a
// display change keeps a saver that is too slow for all on the primary alone); the system's
// commands the saver ignores, and the display power it must leave to the system.
TEST(Displays, ViewportsFollowTheMonitorsAndCommandsPassOn)
{
    const MonitorLayout left = {{-800, 0, 1024, 768}, {{0, 0, 1024, 768}, {-800, 168, 0, 768}}, 2};
    const MonitorLayout copy = {{0, 0, 1024, 768}, {{0, 0, 1024, 768}, {0, 0, 1024, 768}}, 2};
    const struct
    {
        const char* what;
        MonitorLayout layout;
        bool primaryOnly;
        SceneViewport viewport;
    } rows[] = {
        {"the primary alone", left, true, {800, 0, 1024, 768}},
        {"a copy is drawn once", copy, false, {0, 0, 1024, 768}},
        {"none known: the whole window", {{0, 0, 640, 480}, {}, 0}, false, {0, 0, 640, 480}},
    };
    for (const auto& row : rows)
    {
        SceneViewport made[kMaxViewports] = {};
        ASSERT_EQ(1, LayOutViewports(row.layout, row.primaryOnly, made)) << row.what;
        const SceneViewport& v = row.viewport;
        EXPECT_TRUE(v.x == made[0].x && v.y == made[0].y && v.width == made[0].width &&
                    v.height == made[0].height)
            << row.what;
    }
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW | 2, SC_PREVWINDOW})
    {
        EXPECT_TRUE(IsSwallowedCommand(command)) << command;
    }
    EXPECT_FALSE(IsSwallowedCommand(SC_MONITORPOWER));
    EXPECT_FALSE(IsSwallowedCommand(SC_CLOSE));
}

TEST(PixelFormat, RanksAndTakesTheCheapestOfTheBest)
{
    const DWORD single = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL, twice = single | PFD_DOUBLEBUFFER;
    auto score = [](DWORD flags, BYTE depthBits, BYTE colorBits = 32, BYTE type = PFD_TYPE_RGBA)
    {
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.dwFlags = flags, pfd.cDepthBits = depthBits, pfd.cColorBits = colorBits;
        pfd.iPixelType = type;
        return ScorePixelFormat(pfd, 32);
    };
    // The smallest depth buffer of 16 bits or more first, then double buffering; 9 bits last.
    const unsigned ranked[] = {score(twice, 16),  score(single, 16), score(twice, 24),
                               score(single, 32), score(twice, 9),   0};
    for (size_t i = 0; i + 1 < std::size(ranked); ++i)
    {
        EXPECT_GT(ranked[i], ranked[i + 1]) << "rank " << i;
    }
    // Never taken: 8 bits of depth, another colour depth, a software format (accelerated or
    // not), no OpenGL, no window, colour indices.
    const DWORD generic = twice | PFD_GENERIC_FORMAT;
    EXPECT_EQ(0u, score(twice, 8) + score(twice, 16, 24) + score(generic, 24) +
                      score(generic | PFD_GENERIC_ACCELERATED, 24) +
                      score(PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER, 24) +
                      score(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, 24) +
                      score(twice, 24, 32, PFD_TYPE_COLORINDEX));
    const struct
    {
        const char* what;
        std::vector<PixelFormatChoice> formats; // number, score, extra bits, samples
        int chosen;
    } picks[] = {
        {"the best score wins", {{1, 1130, 0, 0}, {2, 1138, 8, 4}, {3, 1122, 0, 0}}, 2},
        {"multisampling loses a tie", {{1, 1138, 0, 4}, {2, 1138, 0, 0}, {3, 1138, 0, 4}}, 2},
        {"fewer extra bits win a tie", {{1, 1138, 8, -1}, {2, 1138, 0, -1}, {3, 1138, 0, -1}}, 2},
        {"no samples before fewer extra bits", {{1, 1138, 0, 2}, {2, 1138, 8, 0}}, 2},
        {"nothing usable", {{1, 0, 0, 0}}, 0},
    };
    for (const auto& row : picks)
    {
        EXPECT_EQ(row.chosen, PickPixelFormat(row.formats.data(), (int)row.formats.size()))
            << row.what;
    }
}

} // namespace
