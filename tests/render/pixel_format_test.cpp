// Pixel-format choice: the score of one format as a table, the pick among
// scores, and the pick on the formats Wine's WGL really offers.
#include "render/render.h"
#include "gl_test_support.h"

#include <gtest/gtest.h>

#include <vector>

static const DWORD WINDOW_GL = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;

struct ScoreCase
{
    const char* what;
    BYTE colorBits;
    DWORD flags;
    BYTE pixelType;
    BYTE depthBits;
    unsigned expected;
};

TEST(ScorePixelFormat, ScoresAsTheTableSays)
{
    const ScoreCase cases[] = {
        {"depth 16, double", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 16, 1138},
        {"depth 16, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 16, 1137},
        {"depth 24, double", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 1130},
        {"depth 24, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 24, 1129},
        {"depth 32, double", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 32, 1122},
        {"depth 32, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 32, 1121},
        {"depth 9, double", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 9, 1026},
        {"depth 15, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 15, 1025},
        {"depth 8 is too little", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 8, 0},
        {"no depth buffer", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 0, 0},
        {"24-bit colour never qualifies", 24, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 16, 0},
        {"16-bit colour", 16, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 16, 0},
        {"software (generic) format", 32, WINDOW_GL | PFD_DOUBLEBUFFER | PFD_GENERIC_FORMAT,
         PFD_TYPE_RGBA, 16, 0},
        {"generic accelerated is still generic", 32,
         WINDOW_GL | PFD_DOUBLEBUFFER | PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED, PFD_TYPE_RGBA,
         24, 0},
        {"no OpenGL", 32, PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 0},
        {"bitmap only", 32, PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, PFD_TYPE_RGBA, 24, 0},
        {"colour index", 32, WINDOW_GL | PFD_DOUBLEBUFFER, PFD_TYPE_COLORINDEX, 24, 0},
    };
    for (const ScoreCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        PIXELFORMATDESCRIPTOR pfd = {};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.cColorBits = c.colorBits;
        pfd.dwFlags = c.flags;
        pfd.iPixelType = c.pixelType;
        pfd.cDepthBits = c.depthBits;
        EXPECT_EQ(c.expected, ScorePixelFormat(pfd, 32));
    }
}

struct PickCase
{
    const char* what;
    std::vector<unsigned> scores; // format i has scores[i - 1]
    int expected;
};

TEST(PickPixelFormat, BestScoreHighestIndexAmongEquals)
{
    const PickCase cases[] = {
        {"no formats", {}, 0},
        {"nothing qualifies", {0, 0, 0}, 0},
        {"one", {1130}, 1},
        {"best wins wherever it is", {1122, 1138, 1130}, 2},
        {"equal top scores: highest index", {1138, 1130, 1138, 1122}, 3},
        {"equal everywhere: the last", {1130, 1130, 1130}, 3},
        {"single-buffered 16 beats double-buffered 24", {1130, 1137}, 2},
        {"a later zero does not replace", {1025, 0}, 1},
    };
    for (const PickCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, PickPixelFormat(c.scores.data(), (int)c.scores.size()));
    }
}

TEST(FindPixelFormat, TakesTheHighestNumberedBestFormatOfTheDevice)
{
    HWND hwnd = SharedGLTestWindow();
    ASSERT_NE(nullptr, hwnd);
    HDC dc = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR pfd = {};
    const int count = DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
    ASSERT_GT(count, 0);
    unsigned best = 0;
    int expected = 0;
    for (int i = 1; i <= count; ++i)
    {
        pfd = {};
        DescribePixelFormat(dc, i, sizeof pfd, &pfd);
        const unsigned score = ScorePixelFormat(pfd, 32);
        if (score >= best && score > 0)
        {
            best = score;
            expected = i;
        }
    }
    ASSERT_GT(best, 0u) << "this WGL offers no usable format";
    EXPECT_EQ(expected, FindPixelFormat(dc, 32));
    // Nothing offered has 24 colour bits and a usable rest, or nothing is chosen.
    const int for24 = FindPixelFormat(dc, 24);
    if (for24 != 0)
    {
        DescribePixelFormat(dc, for24, sizeof pfd, &pfd);
        EXPECT_EQ(24, pfd.cColorBits);
    }
    ReleaseDC(hwnd, dc);
}
