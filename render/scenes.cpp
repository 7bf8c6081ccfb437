// The scenes of the animation modules. A frame draws the shown module from
// the view it is given into every viewport, then moves the module's own
// animation state one step; the frame loop presents the frame only when the
// scene reports no GL error.
#include "render/render.h"

#include <math.h>

float g_fRingAngle;
float g_fCylinderAngle;
float g_fOrbitPhase[kOrbitRings];

namespace
{

float g_fOrbitSpin[kOrbitRings]; // module 3: each ring's spin about its own axis, degrees
bool g_bOrbitInit = true;        // module 3 has not yet set its phases

} // namespace

void ResetSceneState()
{
    g_fRingAngle = 0.0f;
    g_fCylinderAngle = 0.0f;
    for (int i = 0; i < kOrbitRings; ++i)
    {
        g_fOrbitPhase[i] = 0.0f;
        g_fOrbitSpin[i] = 0.0f;
    }
    g_bOrbitInit = true;
}

namespace
{

const double kOrbitTwoPi = 6.283185;
// A spin accumulator of which the scene shows a third goes round once in
// three turns; the orbit spin once in one.
const float kSpinPeriod = 1080.0f;
const float kOrbitSpinPeriod = 360.0f;

// Keeps an accumulator within one period of what it drives. Grown without
// bound, a float stops resolving the step after a day or so of saving and the
// animation stalls; brought back by a whole period, nothing on screen moves.
float WrapToPeriod(float value, float period)
{
    if (value >= period || value < 0.0f)
    {
        value = fmodf(value, period);
        if (value < 0.0f)
        {
            value += period;
        }
    }
    return value;
}

} // namespace

float StepSpinAngle(float angle, float speed)
{
    return WrapToPeriod(static_cast<float>(1.0 * speed + angle), kSpinPeriod);
}

float StepOrbitSpin(float spin, float speed, float growth)
{
    return WrapToPeriod(static_cast<float>(1.0 * speed * growth + spin), kOrbitSpinPeriod);
}

float StepOrbitPhase(float phase, float speed)
{
    double next = 0.05 * speed * 0.35 + phase;
    if (next > kOrbitTwoPi)
    {
        next -= kOrbitTwoPi;
    }
    return static_cast<float>(next);
}

namespace
{

// Every scene is drawn from its view: the translation first, then the
// rotations about x, y and z, in degrees.
void ApplySceneView(const SceneView& view)
{
    glLoadIdentity();
    glTranslatef(view.horz, view.vert, -view.depth);
    glRotatef(view.xrot, 1.0f, 0.0f, 0.0f);
    glRotatef(view.yrot, 0.0f, 1.0f, 0.0f);
    glRotatef(view.zrot, 0.0f, 0.0f, 1.0f);
}

bool DrawEmptyScene()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

// Each module's scene in the current viewport, with the window already cleared.
void DrawModule1(const SceneView& view)
{
    ApplySceneView(view);
    glPushMatrix();
    glRotatef(static_cast<float>(g_fRingAngle / 3.0), 0.0f, 1.0f, 0.0f);
    DrawRing(1.0f);
    glPopMatrix();
}

void DrawModule2(const SceneView& view)
{
    ApplySceneView(view);
    glPushMatrix();
    glRotatef(static_cast<float>(g_fCylinderAngle / 3.0), 0.0f, 1.0f, 0.0f);
    // Upright, radius 10 and height 4.8, centred on the origin (the quadric
    // runs from z = 0 to its height); slot 0 is bound on entry.
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(5.0f, 5.0f, 0.8f);
    glTranslatef(0.0f, 0.0f, -3.0f);
    gluCylinder(g_pQuadric, 2.0, 2.0, 6.0, 32, 1);
    glPopMatrix();
}

// A ring's size stands in for its nearness: k runs from 1 to 5 round the
// circle, and a smaller ring spins faster (16 / k^2).
float OrbitScale(float phase)
{
    return static_cast<float>(2.0 * sin(phase) + 3.0);
}

float OrbitGrowth(float phase)
{
    const float k = OrbitScale(phase);
    return static_cast<float>(16.0 / (static_cast<double>(k) * k));
}

void DrawModule3(const SceneView& view)
{
    ApplySceneView(view);
    for (int i = 0; i < kOrbitRings; ++i)
    {
        glPushMatrix();
        const float y = static_cast<float>(cos(g_fOrbitPhase[i]) * 40.0);
        const float k = OrbitScale(g_fOrbitPhase[i]);
        glTranslatef(0.0f, y, 0.0f);
        glScalef(k, k, k);
        glRotatef(static_cast<float>(i) * 40.0f + g_fOrbitSpin[i], 0.0f, 1.0f, 0.0f);
        DrawRing(1.0f);
        glPopMatrix();
    }
}

// Module 3 starts evenly round the circle; each frame shows its rings' spin
// already stepped for the place they are drawn at.
void StartOrbit(float speed)
{
    g_bOrbitInit = false;
    for (int i = 0; i < kOrbitRings; ++i)
    {
        g_fOrbitPhase[i] = static_cast<float>(i * kOrbitTwoPi / kOrbitRings);
        g_fOrbitSpin[i] = StepOrbitSpin(0.0f, speed, OrbitGrowth(g_fOrbitPhase[i]));
    }
}

void StepOrbit(float speed)
{
    for (int i = 0; i < kOrbitRings; ++i)
    {
        g_fOrbitPhase[i] = StepOrbitPhase(g_fOrbitPhase[i], speed);
        g_fOrbitSpin[i] = StepOrbitSpin(g_fOrbitSpin[i], speed, OrbitGrowth(g_fOrbitPhase[i]));
    }
}

} // namespace

bool DrawSceneFrame(int module, const SceneView& view, float speed)
{
    if (module < 1 || module > 3)
    {
        return DrawEmptyScene();
    }
    // One clear for the whole window: what lies outside every viewport stays black.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (module == 3 && g_bOrbitInit)
    {
        StartOrbit(speed);
    }
    for (int i = 0; i < g_nViewports; ++i)
    {
        ApplyViewport(g_Viewports[i]);
        switch (module)
        {
        case 1:
            DrawModule1(view);
            break;
        case 2:
            DrawModule2(view);
            break;
        case 3:
            DrawModule3(view);
            break;
        }
    }
    // The animation moves once a frame, however many monitors show it.
    switch (module)
    {
    case 1:
        g_fRingAngle = StepSpinAngle(g_fRingAngle, speed);
        break;
    case 2:
        g_fCylinderAngle = StepSpinAngle(g_fCylinderAngle, speed);
        break;
    case 3:
        StepOrbit(speed);
        break;
    }
    return glGetError() == GL_NO_ERROR;
}
