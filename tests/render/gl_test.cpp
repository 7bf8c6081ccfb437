// Pixel-format scoring as a table, and each module scene drawn on a real GL
// context under Wine and read back.
#include "render/render.h"
#include "engine/engine.h"

#include <gtest/gtest.h>
#include <vector>

TEST(ScorePixelFormat, ScoresAsTheTableSays)
{
    const DWORD window = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    const DWORD twice = window | PFD_DOUBLEBUFFER;
    const struct
    {
        const char* what;
        BYTE colorBits;
        DWORD flags;
        BYTE pixelType;
        BYTE depthBits;
        unsigned expected;
    } cases[] = {
        {"depth 16, double", 32, twice, PFD_TYPE_RGBA, 16, 1138},
        {"depth 16, single", 32, window, PFD_TYPE_RGBA, 16, 1137},
        {"depth 24, double", 32, twice, PFD_TYPE_RGBA, 24, 1130},
        {"depth 32, single", 32, window, PFD_TYPE_RGBA, 32, 1121},
        {"depth 9, double", 32, twice, PFD_TYPE_RGBA, 9, 1026},
        {"depth 8 is too little", 32, twice, PFD_TYPE_RGBA, 8, 0},
        {"24-bit colour never qualifies", 24, twice, PFD_TYPE_RGBA, 16, 0},
        {"generic accelerated is still generic", 32,
         twice | PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED, PFD_TYPE_RGBA, 24, 0},
        {"no OpenGL", 32, PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER, PFD_TYPE_RGBA, 24, 0},
        {"bitmap only", 32, PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL, PFD_TYPE_RGBA, 24, 0},
        {"colour index", 32, twice, PFD_TYPE_COLORINDEX, 24, 0},
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

TEST(PickPixelFormat, TakesTheCheapestOfTheBest)
{
    const struct
    {
        const char* what;
        std::vector<PixelFormatChoice> formats; // index, score, extra bits, samples
        int chosen;
    } rows[] = {
        {"the best score wins", {{1, 1130, 0, 0}, {2, 1138, 8, 4}, {3, 1122, 0, 0}}, 2},
        {"multisampled loses a tie", {{1, 1138, 0, 4}, {2, 1138, 0, 0}, {3, 1138, 0, 4}}, 2},
        {"fewer extra bits win a tie", {{1, 1138, 8, -1}, {2, 1138, 0, -1}, {3, 1138, 0, -1}}, 2},
        {"samples unknown: cheapest, then lowest", {{4, 1138, 0, -1}, {2, 1138, 0, -1}}, 2},
        {"samples count before extra bits", {{1, 1138, 0, 2}, {2, 1138, 8, 0}}, 2},
        {"nothing usable", {{1, 0, 0, 0}}, 0},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.chosen, PickPixelFormat(row.formats.data(), (int)row.formats.size()))
            << row.what;
    }
}

static const int WIDTH = 320, HEIGHT = 240;

static int CountLit()
{
    std::vector<uint8_t> frame((size_t)WIDTH * HEIGHT * 4, 0xAB);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    int lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
    {
        lit += frame[i] > 24 || frame[i + 1] > 24 || frame[i + 2] > 24;
    }
    return lit;
}

// Replaces level 0 of texture slot `slot` with one colour, opaque white or
// clear black (which the alpha test cuts away).
static void PaintTexture(int slot, uint8_t value)
{
    const std::vector<uint8_t> texels(2 * 2 * 4, value);
    glBindTexture(GL_TEXTURE_2D, g_Textures[slot].glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, g_Textures[0].glName);
}

// Each scene in its built-in view, its texture white and the other clear: it
// fills part of the window and steps its spin; a pending GL error fails the
// frame; inactive, it draws black and stands still.
TEST(ModuleScenes, DrawTheirObjectWithTheirTextureAndStep)
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SolmirRenderTest";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "SolmirRenderTest", "render test", WS_POPUP | WS_VISIBLE, 0, 0,
                                WIDTH, HEIGHT, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(CreateGLContext(hwnd, 32));
    GLint sampleBuffers = -1;
    glGetIntegerv(0x80A8 /* GL_SAMPLE_BUFFERS */, &sampleBuffers);
    EXPECT_EQ(0, sampleBuffers) << "a multisampled format was chosen";
    const struct
    {
        int module;
        bool (*draw)();
        ModuleParams view; // the module's built-in view
        int slot;          // the texture the scene draws with
        float* spin;
    } cases[] = {
        {1, DrawModule1, {21.0f, 0.0f, 0.0f, 0.0f, 40.0f, 0.0f, 0.675f, true}, 1, &g_fRingAngle},
        {2,
         DrawModule2,
         {21.0f, 0.0f, -1.15f, -12.0f, 190.0f, 0.0f, 0.3f, true},
         0,
         &g_fCylinderAngle},
        {3, DrawModule3, {139.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.43f, true}, 1, &g_fOrbitPhase[0]},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.module);
        g_ModParams[c.module] = c.view;
        LoadViewFromModule(c.module);
        PaintTexture(c.slot, 255);
        PaintTexture(1 - c.slot, 0);
        *c.spin = 0.0f;
        g_bOrbitInit = true;
        ASSERT_TRUE(c.draw());
        const int lit = CountLit();
        EXPECT_GT(lit, 500) << "the scene should fill part of the window";
        EXPECT_LT(lit, WIDTH * HEIGHT - 500) << "and leave part of it black";
        EXPECT_FLOAT_EQ(c.module == 3 ? 0.0175f * 0.43f : c.view.speed, *c.spin); // orbit phase
        glEnable(0xFFFF); // GL_INVALID_ENUM, left pending
        EXPECT_FALSE(c.draw());
        glGetError();

        g_ModParams[c.module].active = false;
        *c.spin = 7.0f;
        g_bOrbitInit = true;
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f); // white, so that a scene that clears shows it
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        EXPECT_TRUE(c.draw());
        EXPECT_EQ(0, CountLit());
        EXPECT_EQ(7.0f, *c.spin);
        g_ModParams[c.module].active = true;
    }
    KillGLContext();
}
