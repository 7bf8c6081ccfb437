// The module scenes drawn on a real GL context and read back. The textures
// are painted one flat opaque colour for the geometry checks, so the result
// does not depend on the artwork: every pixel the model of the scene says is
// covered must be lit, every other pixel black (edges are not judged).
#include "render/render.h"
#include "engine/engine.h"
#include "box_capture.h"
#include "gl_test_support.h"
#include "support/live_view.h"

#include <gtest/gtest.h>

#include <math.h>

static const int WIDTH = GL_TEST_WIDTH;
static const int HEIGHT = GL_TEST_HEIGHT;

// The modules' built-in views.
static const View MODULE1_VIEW = {21.0f, 0.0f, 0.0f, 0.0f, 40.0f, 0.0f, 0.675f};
static const View MODULE2_VIEW = {21.0f, 0.0f, -1.15f, -12.0f, 190.0f, 0.0f, 0.3f};
static const View MODULE3_VIEW = {139.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.43f};

static Mat4 ViewMatrix(const View& v)
{
    return Translate(v.horz, v.vert, -v.depth) * Rotate(v.xrot, 1, 0, 0) * Rotate(v.yrot, 0, 1, 0) *
           Rotate(v.zrot, 0, 0, 1);
}

static Mat4 Projection()
{
    return Perspective(50.0, (double)WIDTH / HEIGHT, 0.1, 1000.0);
}

struct SceneTest : testing::Test
{
    HWND hwnd = NULL;
    BoxCapture* capture = nullptr;

    void SetUp() override
    {
        capture = new BoxCapture;
        hwnd = SharedGLTestWindow();
        ASSERT_NE(nullptr, hwnd);
        ASSERT_TRUE(CreateGLContext(hwnd, 32));
        for (int m = 0; m < 4; ++m)
        {
            g_ModParams[m].active = true;
        }
        g_fRingAngle = 0.0f;
        g_fCylinderAngle = 0.0f;
        g_bOrbitInit = true;
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

    // Fills the back buffer with white, so that a scene that clears shows it.
    void FillWhite()
    {
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }

    void ExpectFrameMatches(const std::vector<Quad3>& eyeQuads)
    {
        const std::vector<uint8_t> frame = ReadFrame(WIDTH, HEIGHT);
        const std::vector<uint8_t> coverage = ModelCoverage(eyeQuads, Projection(), WIDTH, HEIGHT);
        int judged = 0;
        const int wrong = CountCoverageMismatches(frame, coverage, WIDTH, &judged);
        EXPECT_EQ(0, wrong) << "of " << judged << " pixels judged";
        int covered = 0;
        for (uint8_t c : coverage)
        {
            covered += c == COVER_FULL ? 1 : 0;
        }
        EXPECT_GT(covered, 500) << "the scene should fill part of the window";
        EXPECT_LT(covered, WIDTH * HEIGHT - 500) << "and leave part of it black";
    }
};

struct RingViewCase
{
    const char* what;
    View view;
    float ringAngle;
};

TEST_F(SceneTest, Module1DrawsTheRingOfTheView)
{
    const RingViewCase cases[] = {
        {"built-in view", MODULE1_VIEW, 0.0f},
        {"seen from above: a band round a black middle", {24.0f, 0, 0, 75.0f, 0, 0, 1.0f}, 0.0f},
        {"panned, tilted and rolled", {30.0f, 3.0f, -2.0f, 35.0f, 10.0f, 20.0f, 2.0f}, 0.0f},
        {"turned by a third of its angle", {21.0f, 0, 0, 60.0f, 0, 0, 1.0f}, 60.0f},
    };
    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    PaintTexture(g_Textures[0].glName, 0, 0, 0, 0); // the ring must not use it
    for (const RingViewCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetLiveView(c.view);
        g_fRingAngle = c.ringAngle;
        ASSERT_TRUE(DrawModule1());
        std::vector<Quad3> quads;
        AddPlaced(&quads, RingQuads(), ViewMatrix(c.view) * Rotate(c.ringAngle / 3.0, 0, 1, 0));
        ExpectFrameMatches(quads);
        EXPECT_EQ(c.ringAngle + c.view.speed, g_fRingAngle);
    }
}

TEST_F(SceneTest, Module1SeenFromAboveIsBlackInTheMiddleAndCorners)
{
    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    SetLiveView({24.0f, 0, 0, 75.0f, 0, 0, 1.0f});
    ASSERT_TRUE(DrawModule1());
    const std::vector<uint8_t> frame = ReadFrame(WIDTH, HEIGHT);
    EXPECT_FALSE(IsLit(frame, WIDTH, WIDTH / 2, HEIGHT / 2));
    EXPECT_FALSE(IsLit(frame, WIDTH, 2, 2));
    EXPECT_FALSE(IsLit(frame, WIDTH, WIDTH - 3, HEIGHT - 3));
    // Lit all round the centre.
    int litSides = 0;
    for (int x = WIDTH / 2; x < WIDTH && !IsLit(frame, WIDTH, x, HEIGHT / 2); ++x)
    {
        litSides += x == WIDTH - 1 ? 0 : (IsLit(frame, WIDTH, x + 1, HEIGHT / 2) ? 1 : 0);
    }
    for (int x = WIDTH / 2; x > 0 && !IsLit(frame, WIDTH, x, HEIGHT / 2); --x)
    {
        litSides += IsLit(frame, WIDTH, x - 1, HEIGHT / 2) ? 1 : 0;
    }
    EXPECT_EQ(2, litSides);
}

TEST_F(SceneTest, Module1StepsAfterDrawingAndKeepsSlot0Bound)
{
    SetLiveView(MODULE1_VIEW);
    ASSERT_TRUE(DrawModule1());
    EXPECT_EQ(0.675f, g_fRingAngle);
    const GLuint list = g_uRingList;
    EXPECT_NE(0u, list);
    EXPECT_EQ(1.0f, g_fRingListScale);
    ASSERT_TRUE(DrawModule1());
    EXPECT_EQ(0.675f + 0.675f, g_fRingAngle);
    EXPECT_EQ(list, g_uRingList) << "the list is compiled once";
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ((GLint)g_Textures[0].glName, bound);
}

TEST_F(SceneTest, Module1WithTheRealTextureStaysInsideTheRing)
{
    SetLiveView(MODULE1_VIEW);
    ASSERT_TRUE(DrawModule1());
    const std::vector<uint8_t> frame = ReadFrame(WIDTH, HEIGHT);
    std::vector<Quad3> quads;
    AddPlaced(&quads, RingQuads(), ViewMatrix(MODULE1_VIEW));
    const std::vector<uint8_t> coverage = ModelCoverage(quads, Projection(), WIDTH, HEIGHT);
    int inside = 0, outside = 0;
    for (int y = 0; y < HEIGHT; ++y)
    {
        for (int x = 0; x < WIDTH; ++x)
        {
            if (IsLit(frame, WIDTH, x, y))
            {
                (coverage[y * WIDTH + x] == COVER_NONE ? outside : inside) += 1;
            }
        }
    }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(0, outside);
}

TEST_F(SceneTest, TheRingTextureRunsThreeTimesRound)
{
    // Half of the texture's width opaque, half cut away by the alpha test:
    // looking down into the ring, a circle round the axis crosses three lit
    // arcs.
    const uint8_t texels[2 * 4] = {255, 255, 255, 255, 255, 255, 255, 0};
    glBindTexture(GL_TEXTURE_2D, g_Textures[1].glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, g_Textures[0].glName);
    SetLiveView({30.0f, 0, 0, 90.0f, 0, 0, 1.0f});
    ASSERT_TRUE(DrawModule1());
    const std::vector<uint8_t> frame = ReadFrame(WIDTH, HEIGHT);
    // From above, the inner wall fills the ring between the near rim (radius
    // 8 at distance 25) and the far rim (radius 8 at distance 35); sample
    // between them.
    const double f = 1.0 / tan(25.0 * 3.14159265358979 / 180.0);
    const double radius = 0.5 * HEIGHT * f * 8.0 * (0.5 / 25.0 + 0.5 / 35.0);
    // Start off the seams (s = 0 lies at angle 0) and go once round.
    const int samples = 720;
    bool lit[samples];
    for (int i = 0; i < samples; ++i)
    {
        const double a = 0.1 + i * 2.0 * 3.14159265358979 / samples;
        lit[i] = IsLit(frame, WIDTH, (int)(WIDTH / 2 + radius * cos(a)),
                       (int)(HEIGHT / 2 + radius * sin(a)));
    }
    int transitions = 0;
    for (int i = 0; i < samples; ++i)
    {
        transitions += lit[i] != lit[(i + 1) % samples] ? 1 : 0;
    }
    EXPECT_EQ(6, transitions);
}

TEST_F(SceneTest, Module2DrawsTheCylinderOfTheView)
{
    const RingViewCase cases[] = {
        {"built-in view", MODULE2_VIEW, 0.0f},
        {"from above", {30.0f, 0, 0, 70.0f, 0, 0, 1.0f}, 0.0f},
        {"panned and rolled, turned", {26.0f, -2.0f, 1.5f, 20.0f, 30.0f, 15.0f, 1.0f}, 45.0f},
    };
    PaintTexture(g_Textures[0].glName, 255, 255, 255, 255);
    PaintTexture(g_Textures[1].glName, 0, 0, 0, 0);
    for (const RingViewCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetLiveView(c.view);
        g_fCylinderAngle = c.ringAngle;
        ASSERT_TRUE(DrawModule2());
        std::vector<Quad3> quads;
        AddPlaced(&quads, CylinderQuads(),
                  ViewMatrix(c.view) * Rotate(c.ringAngle / 3.0, 0, 1, 0) * Rotate(-90, 1, 0, 0) *
                      Scale(5, 5, 0.8) * Translate(0, 0, -3));
        ExpectFrameMatches(quads);
        EXPECT_EQ(c.ringAngle + c.view.speed, g_fCylinderAngle);
    }
}

TEST_F(SceneTest, Module3FirstFramePlacesFourRings)
{
    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    SetLiveView(MODULE3_VIEW);
    g_bOrbitInit = true;
    g_fOrbitPhase[0] = g_fOrbitSpin[0] = 99.0f;
    ASSERT_TRUE(DrawModule3());
    EXPECT_FALSE(g_bOrbitInit);

    // Phases a quarter circle apart, then one step of 0.0175 x speed;
    // spins advanced by speed x 16 / k^2 before the frame was drawn.
    const float step = 0.0175f * 0.43f;
    const float phases[4] = {0.0f, 1.5707963f, 3.1415926f, 4.712389f};
    const float scales[4] = {3.0f, 5.0f, 3.0f, 1.0f};
    const float heights[4] = {40.0f, 0.0f, -40.0f, 0.0f};
    std::vector<Quad3> quads;
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        const float spin = 0.43f * 16.0f / (scales[i] * scales[i]);
        EXPECT_NEAR(phases[i] + step, g_fOrbitPhase[i], 1e-6);
        EXPECT_NEAR(spin, g_fOrbitSpin[i], 1e-5);
        AddPlaced(&quads, RingQuads(),
                  ViewMatrix(MODULE3_VIEW) * Translate(0, heights[i], 0) *
                      Scale(scales[i], scales[i], scales[i]) * Rotate(i * 40.0 + spin, 0, 1, 0));
    }
    ExpectFrameMatches(quads);

    // The next frame moves on from there.
    const float before = g_fOrbitPhase[2];
    ASSERT_TRUE(DrawModule3());
    EXPECT_NEAR(before + step, g_fOrbitPhase[2], 1e-6);
}

TEST_F(SceneTest, Module3FourRingsOfDifferentSizesSeenFromTheSide)
{
    // Phases chosen so the rings stand apart: four sizes, four heights.
    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    const View side = {150.0f, 0, 0, 0, 0, 0, 0.0625f};
    SetLiveView(side);
    g_bOrbitInit = false;
    const float phases[4] = {0.3f, 1.3f, 2.9f, 4.5f};
    std::vector<Quad3> quads;
    for (int i = 0; i < 4; ++i)
    {
        g_fOrbitPhase[i] = phases[i];
        g_fOrbitSpin[i] = 10.0f * i;
        const double k = 2.0 * sin(phases[i]) + 3.0;
        const double spin = 10.0f * i + 0.0625 * 16.0 / (k * k);
        AddPlaced(&quads, RingQuads(),
                  ViewMatrix(side) * Translate(0, cos(phases[i]) * 40.0, 0) * Scale(k, k, k) *
                      Rotate(i * 40.0 + spin, 0, 1, 0));
    }
    ASSERT_TRUE(DrawModule3());
    ExpectFrameMatches(quads);
}

TEST_F(SceneTest, OrbitPhaseWrapsAtTwoPi)
{
    SetLiveView({139.0f, 0, 0, 0, 0, 0, 10.0f});
    g_bOrbitInit = false;
    for (int i = 0; i < 4; ++i)
    {
        g_fOrbitPhase[i] = 6.2f;
        g_fOrbitSpin[i] = 0.0f;
    }
    ASSERT_TRUE(DrawModule3());
    // 6.2 + 0.175 passes 6.283185 and comes back by it.
    EXPECT_NEAR(6.2 + 0.175 - 6.283185, g_fOrbitPhase[0], 1e-5);
}

struct InactiveCase
{
    const char* what;
    int module;
    bool (*draw)();
};

TEST_F(SceneTest, InactiveModulesAndNoModuleDrawBlackAndStandStill)
{
    const InactiveCase cases[] = {
        {"module 1", 1, DrawModule1},
        {"module 2", 2, DrawModule2},
        {"module 3", 3, DrawModule3},
        {"no module (0, 4, 5)", 0, DrawEmptyScene},
    };
    SetLiveView(MODULE1_VIEW);
    for (const InactiveCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_ModParams[c.module].active = false;
        g_fRingAngle = 7.0f;
        g_fCylinderAngle = 8.0f;
        g_bOrbitInit = true;
        FillWhite();
        // Inactive scenes do not look at GL errors; the empty scene does.
        EXPECT_TRUE(c.draw());
        EXPECT_EQ(0, CountLit(ReadFrame(WIDTH, HEIGHT)));
        EXPECT_EQ(7.0f, g_fRingAngle);
        EXPECT_EQ(8.0f, g_fCylinderAngle);
        EXPECT_TRUE(g_bOrbitInit);
        g_ModParams[c.module].active = true;
    }
}

struct ErrorCase
{
    const char* what;
    int module;
    bool (*draw)();
    bool active;
    bool expected;
};

TEST_F(SceneTest, APendingGLErrorFailsTheFrame)
{
    const ErrorCase cases[] = {
        {"module 1", 1, DrawModule1, true, false},
        {"module 2", 2, DrawModule2, true, false},
        {"module 3", 3, DrawModule3, true, false},
        {"empty scene", 0, DrawEmptyScene, true, false},
        {"inactive module 2 does not check", 2, DrawModule2, false, true},
    };
    SetLiveView(MODULE1_VIEW);
    for (const ErrorCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_ModParams[c.module].active = c.active;
        glEnable(0xFFFF); // GL_INVALID_ENUM, left pending
        EXPECT_EQ(c.expected, c.draw());
        glGetError();
        g_ModParams[c.module].active = true;
        EXPECT_TRUE(c.draw()) << "no error, the frame is good";
    }
}

struct WrapCase
{
    const char* what;
    float start;
    float expected; // after one frame at speed 0.675
};

TEST_F(SceneTest, SpinAccumulatorsWrapAboveFiveMillion)
{
    const WrapCase cases[] = {
        // Floats near five million are 0.5 apart.
        {"just above", 5000000.5f, 0.5f + 0.675f},
        {"exactly five million does not wrap", 5000000.0f, 5000000.5f},
        {"small", 10.0f, 10.675f},
    };
    SetLiveView(MODULE1_VIEW);
    for (const WrapCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_fRingAngle = c.start;
        g_fCylinderAngle = c.start;
        ASSERT_TRUE(DrawModule1());
        ASSERT_TRUE(DrawModule2());
        EXPECT_FLOAT_EQ(c.expected, g_fRingAngle);
        EXPECT_FLOAT_EQ(c.expected, g_fCylinderAngle);
    }
}
