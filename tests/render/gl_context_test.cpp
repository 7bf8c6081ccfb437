// CreateGLContext on a real window under Wine's WGL: the state it leaves,
// the projection, the textures, and the release that is safe to repeat.
#include "render/render.h"
#include "box_capture.h"
#include "gl_test_support.h"
#include "tga_test_ids.h"

#include <gtest/gtest.h>

#include <math.h>

static const int WIDTH = GL_TEST_WIDTH;
static const int HEIGHT = GL_TEST_HEIGHT;

struct GLContextTest : testing::Test
{
    HWND hwnd = NULL;
    BoxCapture* capture = nullptr;

    void SetUp() override
    {
        capture = new BoxCapture;
        hwnd = SharedGLTestWindow();
        ASSERT_NE(nullptr, hwnd);
        ASSERT_TRUE(CreateGLContext(hwnd, 32));
    }
    void TearDown() override
    {
        KillGLContext();
        for (const CapturedBox& box : capture->boxes)
        {
            ADD_FAILURE() << "unexpected box: " << box.caption << ": " << box.text;
        }
        delete capture;
    }
};

static GLint GetInt(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

static void ExpectMatrixNear(const Mat4& expected, GLenum which)
{
    GLdouble actual[16] = {};
    glGetDoublev(which, actual);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(expected.m[i], actual[i], 1e-5 * (1.0 + fabs(expected.m[i])))
            << "element " << i;
    }
}

TEST_F(GLContextTest, LeavesTheContextCurrentWithTheFixedState)
{
    EXPECT_EQ(hwnd, g_hGLWnd);
    EXPECT_NE(nullptr, g_hDC);
    EXPECT_NE(nullptr, g_hRC);
    EXPECT_EQ(g_hRC, wglGetCurrentContext());
    EXPECT_NE(nullptr, g_pQuadric);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GL_LEQUAL, GetInt(GL_DEPTH_FUNC));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(GL_GREATER, GetInt(GL_ALPHA_TEST_FUNC));
    GLfloat alphaRef = -1.0f;
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    EXPECT_EQ(0.0f, alphaRef);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GL_SMOOTH, GetInt(GL_SHADE_MODEL));
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(0.0f, clear[0] + clear[1] + clear[2] + clear[3]);
    GLfloat depthClear = 0.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depthClear);
    EXPECT_EQ(1.0f, depthClear);
    // Nothing else: the scenes rely on it.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(GL_NO_ERROR, (GLint)glGetError());
}

TEST_F(GLContextTest, SetsTheScoredPixelFormat)
{
    EXPECT_EQ(FindPixelFormat(g_hDC, 32), GetPixelFormat(g_hDC));
    PIXELFORMATDESCRIPTOR pfd = {};
    DescribePixelFormat(g_hDC, GetPixelFormat(g_hDC), sizeof pfd, &pfd);
    EXPECT_GT(ScorePixelFormat(pfd, 32), 0u);
}

TEST_F(GLContextTest, LoadsBothTexturesAndLeavesSlot0Bound)
{
    struct Expected
    {
        int slot;
        uint32_t width, height;
    };
    // InitGL rebinds slot 0 after both loads; the first frame relies on it.
    EXPECT_EQ((GLint)g_Textures[0].glName, GetInt(GL_TEXTURE_BINDING_2D));
    const Expected slots[] = {{0, 2048, 128}, {1, 984, 525}};
    for (const Expected& e : slots)
    {
        SCOPED_TRACE(e.slot);
        const TextureSlot& slot = g_Textures[e.slot];
        EXPECT_EQ(e.width, slot.width);
        EXPECT_EQ(e.height, slot.height);
        EXPECT_EQ(32u, slot.bitsPerPixel);
        EXPECT_EQ((GLenum)GL_RGBA, slot.glFormat);
        EXPECT_EQ(nullptr, slot.pixels);
        EXPECT_TRUE(glIsTexture(slot.glName));
        glBindTexture(GL_TEXTURE_2D, slot.glName);
        GLint w = 0, h = 0, format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        // GLU scales sides to powers of two; the cylinder band already has them.
        EXPECT_EQ(0, w & (w - 1));
        EXPECT_EQ(0, h & (h - 1));
        if (e.slot == 0)
        {
            EXPECT_EQ(2048, w);
            EXPECT_EQ(128, h);
        }
        EXPECT_EQ(GL_RGBA, format);
        GLint level1 = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
        EXPECT_EQ(w / 2, level1) << "mipmaps are built";
        GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        EXPECT_EQ(GL_LINEAR, minFilter);
        EXPECT_EQ(GL_LINEAR, magFilter);
        EXPECT_EQ(GL_REPEAT, wrapS);
        EXPECT_EQ(GL_REPEAT, wrapT);
    }
    EXPECT_NE(g_Textures[0].glName, g_Textures[1].glName);
}

TEST_F(GLContextTest, UploadsWithTheFormatOfTheImage)
{
    struct FormatCase
    {
        int id;
        GLenum format;
        uint32_t bits, width, height;
    };
    const FormatCase cases[] = {
        {IDR_TEST_GOOD24, GL_RGB, 24, 3, 2},
        {IDR_TEST_RAW32, GL_RGBA, 32, 2, 1},
    };
    for (const FormatCase& c : cases)
    {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(LoadTexFromResource(c.id, 1));
        const TextureSlot& slot = g_Textures[1];
        EXPECT_EQ(c.format, slot.glFormat);
        EXPECT_EQ(c.bits, slot.bitsPerPixel);
        EXPECT_EQ(c.width, slot.width);
        EXPECT_EQ(c.height, slot.height);
        EXPECT_EQ(nullptr, slot.pixels);
        // The texture just made is the one bound.
        EXPECT_EQ((GLint)slot.glName, GetInt(GL_TEXTURE_BINDING_2D));
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ((GLint)c.format, format);
    }
}

TEST_F(GLContextTest, ProjectionIsFiftyDegreesForTheClientArea)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(0, viewport[0]);
    EXPECT_EQ(0, viewport[1]);
    EXPECT_EQ(WIDTH, viewport[2]);
    EXPECT_EQ(HEIGHT, viewport[3]);
    ExpectMatrixNear(Perspective(50.0, (double)WIDTH / HEIGHT, 0.1, 1000.0), GL_PROJECTION_MATRIX);
    ExpectMatrixNear(Identity(), GL_MODELVIEW_MATRIX);
    EXPECT_EQ(GL_MODELVIEW, GetInt(GL_MATRIX_MODE));
}

TEST_F(GLContextTest, HeightZeroCountsAsOne)
{
    ResizeGLScene(200, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(200, viewport[2]);
    EXPECT_EQ(1, viewport[3]);
    ExpectMatrixNear(Perspective(50.0, 200.0, 0.1, 1000.0), GL_PROJECTION_MATRIX);
}

TEST_F(GLContextTest, KillTwiceShowsNothingAndClearsTheHandles)
{
    KillGLContext();
    EXPECT_EQ(nullptr, g_hRC);
    EXPECT_EQ(nullptr, g_hDC);
    EXPECT_EQ(nullptr, wglGetCurrentContext());
    EXPECT_EQ(0u, g_uRingList);
    KillGLContext();
    EXPECT_EQ(nullptr, g_hRC);
    EXPECT_EQ(nullptr, g_hDC);
    EXPECT_TRUE(capture->boxes.empty());
}

TEST(GLContextFailure, WindowWithoutADeviceContextFailsWithItsBox)
{
    // A destroyed window has no DC to give.
    HWND hwnd = CreateHiddenTestWindow(32, 32);
    DestroyWindow(hwnd);
    BoxCapture capture;
    EXPECT_FALSE(CreateGLContext(hwnd, 32));
    ASSERT_EQ(1u, capture.boxes.size());
    EXPECT_EQ("Can't Create A GL Device Context.", capture.boxes[0].text);
    EXPECT_EQ("ERROR", capture.boxes[0].caption);
    EXPECT_FALSE(capture.boxes[0].hasOwner);
    EXPECT_EQ(SystemIcon(IDI_EXCLAMATION), capture.boxes[0].icon);
    EXPECT_EQ(nullptr, g_hDC);
    EXPECT_EQ(nullptr, g_hRC);
    // The caller's later release finds nothing to do.
    KillGLContext();
    EXPECT_EQ(1u, capture.boxes.size());
}

TEST(GLContextFailure, WindowWithAnotherFormatAlreadySetFailsWithItsBox)
{
    // A window keeps the first pixel format set on it; give it one the
    // search would not choose.
    HWND hwnd = CreateHiddenTestWindow(32, 32);
    HDC dc = GetDC(hwnd);
    const int chosen = FindPixelFormat(dc, 32);
    PIXELFORMATDESCRIPTOR pfd = {};
    const int count = DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
    int other = 0;
    for (int i = 1; i <= count && other == 0; ++i)
    {
        DescribePixelFormat(dc, i, sizeof pfd, &pfd);
        if (i != chosen && (pfd.dwFlags & PFD_SUPPORT_OPENGL) && (pfd.dwFlags & PFD_DRAW_TO_WINDOW))
        {
            other = i;
        }
    }
    ASSERT_NE(0, other);
    ASSERT_TRUE(SetPixelFormat(dc, other, &pfd));
    ReleaseDC(hwnd, dc);

    BoxCapture capture;
    EXPECT_FALSE(CreateGLContext(hwnd, 32));
    ASSERT_EQ(1u, capture.boxes.size());
    EXPECT_EQ("Can't Set The PixelFormat.", capture.boxes[0].text);
    EXPECT_EQ("ERROR", capture.boxes[0].caption);
    EXPECT_FALSE(capture.boxes[0].hasOwner);
    EXPECT_EQ(SystemIcon(IDI_EXCLAMATION), capture.boxes[0].icon);
    // Released before the box was shown.
    EXPECT_EQ(nullptr, g_hDC);
    EXPECT_EQ(nullptr, g_hRC);
    DestroyWindow(hwnd);
}
