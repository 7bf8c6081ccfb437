// The scenes of the animation modules. Each draws one whole frame from the
// live view (engine.h) and moves its own animation state one step; the frame
// loop presents the frame only when the scene reports no GL error.
#include "render/render.h"
#include "engine/engine.h"

#include <math.h>

float g_fRingAngle;
float g_fCylinderAngle;
float g_fOrbitPhase[ORBIT_RINGS];
static float g_fOrbitSpin[ORBIT_RINGS]; // module 3: each ring's spin about its own axis, degrees
static bool g_bOrbitInit = true;        // module 3 has not yet set its phases

void ResetSceneState()
{
    g_fRingAngle = 0.0f;
    g_fCylinderAngle = 0.0f;
    for (int i = 0; i < ORBIT_RINGS; ++i)
    {
        g_fOrbitPhase[i] = 0.0f;
        g_fOrbitSpin[i] = 0.0f;
    }
    g_bOrbitInit = true;
}

static const double ORBIT_TWO_PI = 6.283185;
// A spin accumulator of which the scene shows a third goes round once in
// three turns; the orbit spin once in one.
static const float SPIN_PERIOD = 1080.0f;
static const float ORBIT_SPIN_PERIOD = 360.0f;

// Keeps an accumulator within one period of what it drives. Grown without
// bound, a float stops resolving the step after a day or so of saving and the
// animation stalls; brought back by a whole period, nothing on screen moves.
static float WrapToPeriod(float value, float period)
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

float StepSpinAngle(float angle, float speed)
{
    return WrapToPeriod((float)(1.0 * speed + angle), SPIN_PERIOD);
}

float StepOrbitSpin(float spin, float speed, float growth)
{
    return WrapToPeriod((float)(1.0 * speed * growth + spin), ORBIT_SPIN_PERIOD);
}

float StepOrbitPhase(float phase, float speed)
{
    double next = 0.05 * speed * 0.35 + phase;
    if (next > ORBIT_TWO_PI)
    {
        next -= ORBIT_TWO_PI;
    }
    return (float)next;
}

// Every scene is drawn from the live view: the translation first, then the
// rotations about x, y and z, in degrees.
static void ApplyLiveView()
{
    glLoadIdentity();
    glTranslatef(g_fHorz, g_fVert, -g_fDepth);
    glRotatef(g_fXrot, 1.0f, 0.0f, 0.0f);
    glRotatef(g_fYrot, 0.0f, 1.0f, 0.0f);
    glRotatef(g_fZrot, 0.0f, 0.0f, 1.0f);
}

bool DrawEmptyScene()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
}

bool DrawModule1()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_ModParams[1].active)
    {
        return true;
    }
    ApplyLiveView();
    glPushMatrix();
    glRotatef((float)(g_fRingAngle / 3.0), 0.0f, 1.0f, 0.0f);
    DrawRing(1.0f);
    glPopMatrix();
    // After drawing: the frame shows the angle before the step.
    g_fRingAngle = StepSpinAngle(g_fRingAngle, g_fSpeed);
    return glGetError() == GL_NO_ERROR;
}

bool DrawModule2()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_ModParams[2].active)
    {
        return true;
    }
    ApplyLiveView();
    glPushMatrix();
    glRotatef((float)(g_fCylinderAngle / 3.0), 0.0f, 1.0f, 0.0f);
    // Upright, radius 10 and height 4.8, centred on the origin (the quadric
    // runs from z = 0 to its height); slot 0 is bound on entry.
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(5.0f, 5.0f, 0.8f);
    glTranslatef(0.0f, 0.0f, -3.0f);
    gluCylinder(g_pQuadric, 2.0, 2.0, 6.0, 32, 1);
    glPopMatrix();
    g_fCylinderAngle = StepSpinAngle(g_fCylinderAngle, g_fSpeed);
    return glGetError() == GL_NO_ERROR;
}

bool DrawModule3()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_ModParams[3].active)
    {
        return true;
    }
    if (g_bOrbitInit)
    {
        // Evenly round the circle, no spin yet.
        g_bOrbitInit = false;
        for (int i = 0; i < ORBIT_RINGS; ++i)
        {
            g_fOrbitPhase[i] = (float)(i * ORBIT_TWO_PI / ORBIT_RINGS);
            g_fOrbitSpin[i] = 0.0f;
        }
    }
    ApplyLiveView();
    for (int i = 0; i < ORBIT_RINGS; ++i)
    {
        glPushMatrix();
        // Height on the circle, and a size standing in for nearness: k runs
        // from 1 to 5, and a smaller ring spins faster (16 / k^2).
        const float y = (float)(cos(g_fOrbitPhase[i]) * 40.0);
        const float k = (float)(2.0 * sin(g_fOrbitPhase[i]) + 3.0);
        const float g = (float)(16.0 / ((double)k * k));
        // Before drawing: this frame already shows the new spin.
        g_fOrbitSpin[i] = StepOrbitSpin(g_fOrbitSpin[i], g_fSpeed, g);
        glTranslatef(0.0f, y, 0.0f);
        glScalef(k, k, k);
        glRotatef((float)i * 40.0f + g_fOrbitSpin[i], 0.0f, 1.0f, 0.0f);
        DrawRing(1.0f);
        glPopMatrix();
        g_fOrbitPhase[i] = StepOrbitPhase(g_fOrbitPhase[i], g_fSpeed);
    }
    return glGetError() == GL_NO_ERROR;
}
