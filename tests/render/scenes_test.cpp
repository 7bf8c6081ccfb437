// The module scenes drawn on a real GL context and read back. For the
// geometry checks the textures are painted one flat opaque colour, so the
// result does not depend on the artwork: a model of the scene, GL's own
// matrix maths on the test's statement of each transform, says which pixels
// are covered; those must be lit and all others black (edges not judged).
#include "render/render.h"
#include "engine/engine.h"
#include "box_capture.h"
#include "gl_test_support.h"
#include "support/live_view.h"

#include <gtest/gtest.h>

#include <math.h>
#include <array>
#include <functional>
#include <vector>

static const int WIDTH = GL_TEST_WIDTH;
static const int HEIGHT = GL_TEST_HEIGHT;
static const double PI = 3.14159265358979323846;

// The modules' built-in views.
static const View MODULE1_VIEW = {21.0f, 0.0f, 0.0f, 0.0f, 40.0f, 0.0f, 0.675f};
static const View MODULE2_VIEW = {21.0f, 0.0f, -1.15f, -12.0f, 190.0f, 0.0f, 0.3f};
static const View MODULE3_VIEW = {139.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.43f};

typedef std::vector<uint8_t> Frame;             // RGBA, bottom row first
typedef std::array<double, 8> Quad;             // x0,y0 .. x3,y3 in window pixels, convex
const uint8_t NONE = 0, FULL = 1, UNJUDGED = 2; // per pixel of the model

static Frame ReadFrame()
{
    Frame frame((size_t)WIDTH * HEIGHT * 4, 0xAB);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

static bool IsLit(const Frame& frame, int x, int y)
{
    const uint8_t* p = &frame[((size_t)y * WIDTH + x) * 4];
    return p[0] > 24 || p[1] > 24 || p[2] > 24;
}

static int CountLit(const Frame& frame)
{
    int lit = 0;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
    {
        lit += IsLit(frame, i % WIDTH, i / WIDTH);
    }
    return lit;
}

// Replaces level 0 of a texture with one colour.
static void PaintTexture(GLuint name, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    const uint8_t texels[4 * 4] = {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a};
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, g_Textures[0].glName);
}

static void PlaceView(const View& v)
{
    glTranslated(v.horz, v.vert, -v.depth);
    glRotated(v.xrot, 1, 0, 0);
    glRotated(v.yrot, 0, 1, 0);
    glRotated(v.zrot, 0, 0, 1);
}

// The 32 flat sides of a band round the z axis from z0 to z1, placed by the
// GL calls of `place` and seen through a 50-degree perspective, in window
// pixels. GL builds the matrix on a scratch modelview.
static void AddBand(std::vector<Quad>* out, double radius, double z0, double z1,
                    const std::function<void()>& place)
{
    GLdouble t[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(50.0, (double)WIDTH / HEIGHT, 0.1, 1000.0);
    place();
    glGetDoublev(GL_MODELVIEW_MATRIX, t);
    glPopMatrix();
    for (int side = 0; side < 32; ++side)
    {
        Quad q;
        for (int i = 0; i < 4; ++i)
        {
            const double a = 2.0 * PI * (side + (i == 1 || i == 2)) / 32.0;
            const double v[4] = {radius * cos(a), radius * sin(a), i < 2 ? z0 : z1, 1.0};
            double c[4] = {};
            for (int k = 0; k < 16; ++k)
            {
                c[k % 4] += t[k] * v[k / 4];
            }
            ASSERT_GT(c[3], 0.0) << "geometry behind the eye";
            q[2 * i] = (c[0] / c[3] + 1.0) * 0.5 * WIDTH;
            q[2 * i + 1] = (c[1] / c[3] + 1.0) * 0.5 * HEIGHT;
        }
        out->push_back(q);
    }
}

// The ring: radius 8, height 10, axis along y.
static void AddRing(std::vector<Quad>* out, const std::function<void()>& place)
{
    AddBand(out, 8.0, -5.0, 5.0,
            [&]
            {
                place();
                glRotated(-90, 1, 0, 0);
            });
}

static bool InsideQuad(const Quad& q, double px, double py)
{
    int positive = 0, negative = 0;
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        const double cross = (q[2 * j] - q[2 * i]) * (py - q[2 * i + 1]) -
                             (q[2 * j + 1] - q[2 * i + 1]) * (px - q[2 * i]);
        positive += cross > 0.0;
        negative += cross < 0.0;
    }
    return positive == 0 || negative == 0;
}

// Whether the centre of a pixel lies within a pixel and a half of an edge of q.
static bool NearEdge(const Quad& q, double px, double py)
{
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        const double ax = q[2 * i], ay = q[2 * i + 1];
        const double dx = q[2 * j] - ax, dy = q[2 * j + 1] - ay, len2 = dx * dx + dy * dy;
        const double t = len2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
        const double ex = ax + fmax(0.0, fmin(1.0, t)) * dx - px;
        const double ey = ay + fmax(0.0, fmin(1.0, t)) * dy - py;
        if (ex * ex + ey * ey < 1.5 * 1.5)
        {
            return true;
        }
    }
    return false;
}

// Per pixel, bottom row first. GL lights a pixel whose centre is inside; one
// near any edge, or on a sliver, is not judged.
static std::vector<uint8_t> ModelCoverage(const std::vector<Quad>& quads)
{
    std::vector<uint8_t> coverage((size_t)WIDTH * HEIGHT, NONE);
    for (const Quad& q : quads)
    {
        for (int i = 0; i < WIDTH * HEIGHT; ++i)
        {
            const double px = i % WIDTH + 0.5, py = i / WIDTH + 0.5;
            if (coverage[i] != UNJUDGED && NearEdge(q, px, py))
            {
                coverage[i] = UNJUDGED;
            }
            else if (coverage[i] == NONE && InsideQuad(q, px, py))
            {
                coverage[i] = FULL;
            }
        }
    }
    return coverage;
}

struct SceneTest : GLTest
{
    void SetUp() override
    {
        GLTest::SetUp();
        for (int m = 0; m < 4; ++m)
        {
            g_ModParams[m].active = true;
        }
        g_fRingAngle = 0.0f;
        g_fCylinderAngle = 0.0f;
        g_bOrbitInit = true;
    }

    static void ExpectFrameMatches(const std::vector<Quad>& quads)
    {
        const Frame frame = ReadFrame();
        const std::vector<uint8_t> coverage = ModelCoverage(quads);
        int wrong = 0, covered = 0;
        for (int i = 0; i < WIDTH * HEIGHT; ++i)
        {
            covered += coverage[i] == FULL;
            if (coverage[i] != UNJUDGED &&
                IsLit(frame, i % WIDTH, i / WIDTH) != (coverage[i] == FULL) && ++wrong <= 5)
            {
                ADD_FAILURE() << "pixel " << i % WIDTH << "," << i / WIDTH << " should be "
                              << (coverage[i] == FULL ? "lit" : "black");
            }
        }
        EXPECT_EQ(0, wrong);
        EXPECT_GT(covered, 500) << "the scene should fill part of the window";
        EXPECT_LT(covered, WIDTH * HEIGHT - 500) << "and leave part of it black";
    }
};

struct ViewCase
{
    const char* what;
    View view;
    float angle; // the spin accumulator before the frame
};

TEST_F(SceneTest, Module1DrawsTheRingOfTheViewAndSteps)
{
    const ViewCase cases[] = {
        {"built-in view", MODULE1_VIEW, 0.0f},
        {"seen from above: a band round a black middle", {24.0f, 0, 0, 75.0f, 0, 0, 1.0f}, 0.0f},
        {"panned, tilted and rolled", {30.0f, 3.0f, -2.0f, 35.0f, 10.0f, 20.0f, 2.0f}, 0.0f},
        {"turned by a third of its angle", {21.0f, 0, 0, 60.0f, 0, 0, 1.0f}, 60.0f},
    };
    // With the real texture, cut by the alpha test, nothing is lit outside the ring.
    SetLiveView(MODULE1_VIEW);
    ASSERT_TRUE(DrawModule1());
    const Frame frame = ReadFrame();
    std::vector<Quad> ring;
    AddRing(&ring, [] { PlaceView(MODULE1_VIEW); });
    const std::vector<uint8_t> coverage = ModelCoverage(ring);
    int inside = 0, outside = 0;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
    {
        if (IsLit(frame, i % WIDTH, i / WIDTH))
        {
            (coverage[i] == NONE ? outside : inside) += 1;
        }
    }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(0, outside);

    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    PaintTexture(g_Textures[0].glName, 0, 0, 0, 0); // the ring must not use it
    const GLuint list = g_uRingList;
    for (const ViewCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetLiveView(c.view);
        g_fRingAngle = c.angle;
        ASSERT_TRUE(DrawModule1());
        std::vector<Quad> quads;
        AddRing(&quads,
                [&]
                {
                    PlaceView(c.view);
                    glRotated(c.angle / 3.0, 0, 1, 0);
                });
        ExpectFrameMatches(quads);
        EXPECT_EQ(c.angle + c.view.speed, g_fRingAngle);
        EXPECT_EQ(list, g_uRingList) << "the list is compiled once";
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ((GLint)g_Textures[0].glName, bound);
    }
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
    const Frame frame = ReadFrame();
    // From above, the inner wall fills the ring between the near rim (radius
    // 8 at distance 25) and the far rim (at 35); sample between them, off
    // the seams (s = 0 lies at angle 0), once round.
    const double radius = 0.5 * HEIGHT / tan(25.0 * PI / 180.0) * 8.0 * (0.5 / 25.0 + 0.5 / 35.0);
    const int samples = 720;
    bool lit[samples];
    for (int i = 0; i < samples; ++i)
    {
        const double a = 0.1 + i * 2.0 * PI / samples;
        lit[i] =
            IsLit(frame, (int)(WIDTH / 2 + radius * cos(a)), (int)(HEIGHT / 2 + radius * sin(a)));
    }
    int transitions = 0;
    for (int i = 0; i < samples; ++i)
    {
        transitions += lit[i] != lit[(i + 1) % samples];
    }
    EXPECT_EQ(6, transitions);
}

TEST_F(SceneTest, Module2DrawsTheCylinderOfTheView)
{
    const ViewCase cases[] = {
        {"built-in view", MODULE2_VIEW, 0.0f},
        {"from above", {30.0f, 0, 0, 70.0f, 0, 0, 1.0f}, 0.0f},
        {"panned and rolled, turned", {26.0f, -2.0f, 1.5f, 20.0f, 30.0f, 15.0f, 1.0f}, 45.0f},
    };
    PaintTexture(g_Textures[0].glName, 255, 255, 255, 255);
    PaintTexture(g_Textures[1].glName, 0, 0, 0, 0);
    for (const ViewCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetLiveView(c.view);
        g_fCylinderAngle = c.angle;
        ASSERT_TRUE(DrawModule2());
        // The quadric: radius 2, from z = 0 to 6, stood up and stretched.
        std::vector<Quad> quads;
        AddBand(&quads, 2.0, 0.0, 6.0,
                [&]
                {
                    PlaceView(c.view);
                    glRotated(c.angle / 3.0, 0, 1, 0);
                    glRotated(-90, 1, 0, 0);
                    glScaled(5, 5, 0.8);
                    glTranslated(0, 0, -3);
                });
        ExpectFrameMatches(quads);
        EXPECT_EQ(c.angle + c.view.speed, g_fCylinderAngle);
    }
}

TEST_F(SceneTest, Module3FirstFramePlacesFourRings)
{
    PaintTexture(g_Textures[1].glName, 255, 255, 255, 255);
    SetLiveView(MODULE3_VIEW);
    g_fOrbitPhase[0] = g_fOrbitSpin[0] = 99.0f;
    ASSERT_TRUE(DrawModule3());
    EXPECT_FALSE(g_bOrbitInit);

    // Phases a quarter circle apart, then one step of 0.0175 x speed;
    // spins advanced by speed x 16 / k^2 before the frame was drawn.
    const float step = 0.0175f * 0.43f;
    const float phases[4] = {0.0f, 1.5707963f, 3.1415926f, 4.712389f};
    const float scales[4] = {3.0f, 5.0f, 3.0f, 1.0f};
    const float heights[4] = {40.0f, 0.0f, -40.0f, 0.0f};
    std::vector<Quad> quads;
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        const float spin = 0.43f * 16.0f / (scales[i] * scales[i]);
        EXPECT_NEAR(phases[i] + step, g_fOrbitPhase[i], 1e-6);
        EXPECT_NEAR(spin, g_fOrbitSpin[i], 1e-5);
        AddRing(&quads,
                [&]
                {
                    PlaceView(MODULE3_VIEW);
                    glTranslated(0, heights[i], 0);
                    glScaled(scales[i], scales[i], scales[i]);
                    glRotated(i * 40.0 + spin, 0, 1, 0);
                });
    }
    ExpectFrameMatches(quads);

    // The next frame moves on from there, and a phase passing 2 pi comes back by it.
    g_fOrbitPhase[0] = 6.28f;
    const float before = g_fOrbitPhase[2];
    ASSERT_TRUE(DrawModule3());
    EXPECT_NEAR(before + step, g_fOrbitPhase[2], 1e-6);
    EXPECT_NEAR(6.28 + step - 6.283185, g_fOrbitPhase[0], 1e-5);
}

TEST_F(SceneTest, InactiveScenesDrawBlackStandStillAndIgnoreGLErrors)
{
    const struct
    {
        const char* what;
        int module;
        bool (*draw)();
    } cases[] = {
        {"module 1", 1, DrawModule1},
        {"module 2", 2, DrawModule2},
        {"module 3", 3, DrawModule3},
        {"no module (0, 4, 5)", 0, DrawEmptyScene},
    };
    SetLiveView(MODULE1_VIEW);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        // Active, a pending GL error fails the frame; without one it is good.
        glEnable(0xFFFF); // GL_INVALID_ENUM, left pending
        EXPECT_FALSE(c.draw());
        glGetError();
        EXPECT_TRUE(c.draw());

        g_ModParams[c.module].active = false;
        g_fRingAngle = 7.0f;
        g_fCylinderAngle = 8.0f;
        g_bOrbitInit = true;
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f); // white, so that a scene that clears shows it
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        if (c.module != 0)
        {
            glEnable(0xFFFF); // inactive scenes do not look at GL errors
        }
        EXPECT_TRUE(c.draw());
        glGetError();
        EXPECT_EQ(0, CountLit(ReadFrame()));
        EXPECT_EQ(7.0f, g_fRingAngle);
        EXPECT_EQ(8.0f, g_fCylinderAngle);
        EXPECT_TRUE(g_bOrbitInit);
        g_ModParams[c.module].active = true;
    }
}

TEST_F(SceneTest, SpinAccumulatorsWrapAboveFiveMillion)
{
    // Floats near five million are 0.5 apart; values after one frame at 0.675.
    const struct
    {
        const char* what;
        float start, expected;
    } cases[] = {
        {"just above", 5000000.5f, 0.5f + 0.675f},
        {"exactly five million does not wrap", 5000000.0f, 5000000.5f},
        {"small", 10.0f, 10.675f},
    };
    SetLiveView(MODULE1_VIEW);
    for (const auto& c : cases)
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
