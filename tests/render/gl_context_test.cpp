// CreateGLContext on a real window under Wine's WGL: the state it leaves,
// the textures, the viewport, the failures and the release that is safe to
// repeat.
#include "render/render.h"
#include "box_capture.h"
#include "gl_test_support.h"
#include "tga_test_ids.h"

#include <gtest/gtest.h>

static GLint GetInt(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

typedef GLTest GLContextTest;

TEST_F(GLContextTest, LeavesTheContextCurrentWithTheFixedState)
{
    EXPECT_EQ(g_hRC, wglGetCurrentContext());
    EXPECT_NE(nullptr, g_pQuadric);
    EXPECT_EQ(FindPixelFormat(g_hDC, 32), GetPixelFormat(g_hDC));
    PIXELFORMATDESCRIPTOR pfd = {};
    DescribePixelFormat(g_hDC, GetPixelFormat(g_hDC), sizeof pfd, &pfd);
    EXPECT_GT(ScorePixelFormat(pfd, 32), 0u);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(GL_TEST_WIDTH, viewport[2]);
    EXPECT_EQ(GL_TEST_HEIGHT, viewport[3]);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GL_LEQUAL, GetInt(GL_DEPTH_FUNC));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(GL_GREATER, GetInt(GL_ALPHA_TEST_FUNC));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GL_SMOOTH, GetInt(GL_SHADE_MODEL));
    // Nothing else: the scenes rely on it.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(GL_MODELVIEW, GetInt(GL_MATRIX_MODE));
    EXPECT_EQ(GL_NO_ERROR, (GLint)glGetError());
}

TEST_F(GLContextTest, LoadsBothTexturesWithMipmapsAndLeavesSlot0Bound)
{
    // InitGL rebinds slot 0 after both loads; the first frame relies on it.
    EXPECT_EQ((GLint)g_Textures[0].glName, GetInt(GL_TEXTURE_BINDING_2D));
    EXPECT_NE(g_Textures[0].glName, g_Textures[1].glName);
    const uint32_t sizes[2][2] = {{2048, 128}, {984, 525}};
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const TextureSlot& slot = g_Textures[i];
        EXPECT_EQ(sizes[i][0], slot.width);
        EXPECT_EQ(sizes[i][1], slot.height);
        EXPECT_EQ((GLenum)GL_RGBA, slot.glFormat);
        EXPECT_EQ(nullptr, slot.pixels) << "released after the upload";
        glBindTexture(GL_TEXTURE_2D, slot.glName);
        GLint w = 0, level1 = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
        // GLU scales sides to powers of two.
        EXPECT_EQ(0, w & (w - 1));
        EXPECT_EQ(w / 2, level1) << "mipmaps are built";
    }
}

TEST_F(GLContextTest, UploadsWithTheFormatOfTheImage)
{
    const struct
    {
        int id;
        GLenum format;
        uint32_t width, height;
    } cases[] = {{IDR_TEST_GOOD24, GL_RGB, 3, 2}, {IDR_TEST_RAW32, GL_RGBA, 2, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(LoadTexFromResource(c.id, 1));
        EXPECT_EQ(c.format, g_Textures[1].glFormat);
        EXPECT_EQ(c.width, g_Textures[1].width);
        EXPECT_EQ(c.height, g_Textures[1].height);
        EXPECT_EQ(nullptr, g_Textures[1].pixels);
        EXPECT_EQ((GLint)g_Textures[1].glName, GetInt(GL_TEXTURE_BINDING_2D));
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ((GLint)c.format, format);
    }
}

TEST_F(GLContextTest, HeightZeroCountsAsOne)
{
    ResizeGLScene(200, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(200, viewport[2]);
    EXPECT_EQ(1, viewport[3]);
    GLdouble projection[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(200.0, projection[5] / projection[0], 1e-3) << "aspect of 200 x 1";
}

TEST_F(GLContextTest, KillTwiceShowsNothingAndClearsTheHandles)
{
    KillGLContext();
    EXPECT_EQ(nullptr, wglGetCurrentContext());
    EXPECT_EQ(0u, g_uRingList);
    KillGLContext();
    EXPECT_EQ(nullptr, g_hRC);
    EXPECT_EQ(nullptr, g_hDC);
}

// The failure's one box, and nothing left for the caller's release to do.
static void ExpectFailureBox(HWND hwnd, const char* text)
{
    BoxCapture capture;
    EXPECT_FALSE(CreateGLContext(hwnd, 32));
    ASSERT_EQ(1u, capture.boxes.size());
    EXPECT_EQ(text, capture.boxes[0].text);
    EXPECT_EQ("ERROR", capture.boxes[0].caption);
    EXPECT_FALSE(capture.boxes[0].hasOwner);
    EXPECT_EQ(LoadIconA(NULL, IDI_EXCLAMATION), capture.boxes[0].icon);
    EXPECT_EQ(nullptr, g_hDC);
    EXPECT_EQ(nullptr, g_hRC);
    KillGLContext();
    EXPECT_EQ(1u, capture.boxes.size());
}

TEST(GLContextFailure, WindowWithoutADeviceContext)
{
    // A destroyed window has no DC to give.
    HWND hwnd = CreateHiddenTestWindow(32, 32);
    DestroyWindow(hwnd);
    ExpectFailureBox(hwnd, "Can't Create A GL Device Context.");
}

TEST(GLContextFailure, WindowWithAnotherFormatAlreadySet)
{
    // A window keeps the first pixel format set on it; give it one the
    // search would not choose.
    HWND hwnd = CreateHiddenTestWindow(32, 32);
    HDC dc = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR pfd = {};
    const int count = DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
    int other = 0;
    for (int i = 1; i <= count && other == 0; ++i)
    {
        DescribePixelFormat(dc, i, sizeof pfd, &pfd);
        const DWORD needed = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
        other = i != FindPixelFormat(dc, 32) && (pfd.dwFlags & needed) == needed ? i : 0;
    }
    ASSERT_NE(0, other);
    ASSERT_TRUE(SetPixelFormat(dc, other, &pfd));
    ReleaseDC(hwnd, dc);
    ExpectFailureBox(hwnd, "Can't Set The PixelFormat.");
    DestroyWindow(hwnd);
}
