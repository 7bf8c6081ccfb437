// Pixel-format choice: the score of one format as a table, the pick among
// scores. The context tests check the pick on the formats Wine's WGL offers.
#include "render/render.h"

#include <gtest/gtest.h>

#include <vector>

static const DWORD WINDOW_GL = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
static const DWORD DOUBLE_GL = WINDOW_GL | PFD_DOUBLEBUFFER;

TEST(ScorePixelFormat, ScoresAsTheTableSays)
{
    const struct
    {
        const char* what;
        BYTE colorBits;
        DWORD flags;
        BYTE pixelType;
        BYTE depthBits;
        unsigned expected;
    } cases[] = {
        {"depth 16, double", 32, DOUBLE_GL, PFD_TYPE_RGBA, 16, 1138},
        {"depth 16, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 16, 1137},
        {"depth 24, double", 32, DOUBLE_GL, PFD_TYPE_RGBA, 24, 1130},
        {"depth 32, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 32, 1121},
        {"depth 9, double", 32, DOUBLE_GL, PFD_TYPE_RGBA, 9, 1026},
        {"depth 15, single", 32, WINDOW_GL, PFD_TYPE_RGBA, 15, 1025},
        {"depth 8 is too little", 32, DOUBLE_GL, PFD_TYPE_RGBA, 8, 0},
        {"24-bit colour never qualifies", 24, DOUBLE_GL, PFD_TYPE_RGBA, 16, 0},
        {"software (generic) format", 32, DOUBLE_GL | PFD_GENERIC_FORMAT, PFD_TYPE_RGBA, 16, 0},
        {"generic accelerated is still generic", 32,
         DOUBLE_GL | PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED, PFD_TYPE_RGBA, 24, 0},
        {"no OpenGL", 32, PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 0},
        {"bitmap only", 32, PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, PFD_TYPE_RGBA, 24, 0},
        {"colour index", 32, DOUBLE_GL, PFD_TYPE_COLORINDEX, 24, 0},
    };
    for (const auto& c : cases)
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

TEST(PickPixelFormat, BestScoreHighestIndexAmongEquals)
{
    const struct
    {
        const char* what;
        std::vector<unsigned> scores; // format i has scores[i - 1]
        int expected;
    } cases[] = {
        {"no formats", {}, 0},
        {"nothing qualifies", {0, 0, 0}, 0},
        {"best wins wherever it is", {1122, 1138, 1130}, 2},
        {"equal top scores: highest index", {1138, 1130, 1138, 1122}, 3},
        {"single-buffered 16 beats double-buffered 24", {1130, 1137}, 2},
        {"a later zero does not replace", {1025, 0}, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, PickPixelFormat(c.scores.data(), (int)c.scores.size()));
    }
}
