// The GL context on a real window under Wine, larger than the screen so that a frame takes
// its time: the probe's verdict on a slow renderer, the scenes.
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

const int kWidth = 2048, kHeight = 1536;

class GLContext : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        g_hInstance = GetModuleHandleA(NULL);
        WNDCLASSA wc = {CS_OWNDC, DefWindowProcA, 0,    0,    NULL,
                        NULL,     NULL,           NULL, NULL, "SolmirGLTest"};
        RegisterClassA(&wc);
        s_hWnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                 kWidth, kHeight, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(CreateGLContext(s_hWnd, 32));
        ResizeGLScene(kWidth, kHeight);
    }
    static void TearDownTestSuite()
    {
        KillGLContext();
        KillGLContext(); // safe twice
        DestroyWindow(s_hWnd);
    }
    void SetUp() override
    {
        ResetRunFlags();
        ResetSceneState();
        BuildDefaultModuleParams(g_ModParams);
    }
    static HWND s_hWnd;
};
HWND GLContext::s_hWnd;

// How many of the back buffer's pixels are not black.
int CountLit()
{
    std::vector<uint8_t> frame((size_t)kWidth * kHeight * 4, 0xAB);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    int lit = 0;
    for (size_t i = 0; i < frame.size(); i += 4)
    {
        lit += frame[i] > 24 || frame[i + 1] > 24 || frame[i + 2] > 24;
    }
    return lit;
}

// A machine forty times slower than this one: its clock runs forty times as fast. The
// probe must time the GL's work, which a driver does after the calls have returned.
DWORD WINAPI FortyTimesSlower()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<DWORD>(now.QuadPart * 40000 / frequency.QuadPart);
}

TEST_F(GLContext, ProbeFindsASlowRendererSlow)
{
    // Once the renderer has compiled what the scene needs, a frame's calls
    // return long before its pixels are drawn.
    for (int i = 0; i < 2; ++i)
    {
        DrawModuleFrame(1);
        glFinish();
    }
    g_pfnTickCount = FortyTimesSlower;
    ProbeFrameRate();
    g_pfnTickCount = GetTickCount;
    EXPECT_FALSE(g_bFrameRateOk) << g_fFrameRate << " frames per second";
    g_bFrameRateOk = true;
    g_fFrameRate = kProbeUnmeasuredRate;
}

// Level 0 of a texture slot in one colour: opaque white, or clear black (cut away).
void PaintTexture(int slot, uint8_t value)
{
    const std::vector<uint8_t> texels(2 * 2 * 4, value);
    glBindTexture(GL_TEXTURE_2D, g_Textures[slot].glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, g_Textures[TEX_CYLINDER].glName);
}

// Each scene in its built-in view, its texture white and the other clear, fills part of
// the window and steps its animation; a pending GL error fails the frame; inactive, it
// draws black and stands still.
TEST_F(GLContext, ScenesDrawTheirObjectWithTheirTextureAndStep)
{
    const struct
    {
        int module;
        int slot; // the texture the scene draws with
        float* state;
        float step; // of that state in the first frame
    } rows[] = {
        {1, TEX_RING, &g_fRingAngle, 0.675f},
        {2, TEX_CYLINDER, &g_fCylinderAngle, 0.3f},
        {3, TEX_RING, &g_fOrbitPhase[0], 0.0175f * 0.43f},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.module);
        LoadViewFromModule(row.module);
        PaintTexture(row.slot, 255);
        PaintTexture(TEXTURE_SLOTS - 1 - row.slot, 0);
        ASSERT_TRUE(DrawModuleFrame(row.module));
        const int lit = CountLit();
        EXPECT_GT(lit, 500) << "the scene should fill part of the window";
        EXPECT_LT(lit, kWidth * kHeight - 500) << "and leave part of it black";
        EXPECT_FLOAT_EQ(row.step, *row.state);
        glEnable(0xFFFF); // GL_INVALID_ENUM, left pending
        EXPECT_FALSE(DrawModuleFrame(row.module));
        glGetError();

        g_ModParams[row.module].active = false;
        const float before = *row.state;
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f); // white, so that a scene that clears shows it
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        EXPECT_TRUE(DrawModuleFrame(row.module));
        EXPECT_EQ(0, CountLit());
        EXPECT_EQ(before, *row.state);
    }
}

} // namespace
