// The scenes of the animation modules. Each draws one whole frame from the
// live view (engine.h) and moves its own animation state one step; the frame
// loop presents the frame only when the scene reports no GL error.
#include "render/render.h"
#include "engine/engine.h"

#include <math.h>

float g_fRingAngle;
float g_fCylinderAngle;
float g_fOrbitPhase[4];
float g_fOrbitSpin[4];
bool g_bOrbitInit = true;

// The accumulators are brought back by this much; it is not a multiple of
// 3 x 360, so the ring jumps once when it happens.
static const float SPIN_WRAP = 5000000.0f;
static const double ORBIT_TWO_PI = 6.283185;

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
    if (g_fRingAngle > SPIN_WRAP)
    {
        g_fRingAngle -= SPIN_WRAP;
    }
    ApplyLiveView();
    glPushMatrix();
    glRotatef((float)(g_fRingAngle / 3.0), 0.0f, 1.0f, 0.0f);
    DrawRing(1.0f);
    glPopMatrix();
    // After drawing: the frame shows the angle before the step.
    g_fRingAngle = (float)(1.0 * g_fSpeed + g_fRingAngle);
    return glGetError() == GL_NO_ERROR;
}

bool DrawModule2()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!g_ModParams[2].active)
    {
        return true;
    }
    if (g_fCylinderAngle > SPIN_WRAP)
    {
        g_fCylinderAngle -= SPIN_WRAP;
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
    g_fCylinderAngle = (float)(1.0 * g_fSpeed + g_fCylinderAngle);
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
        for (int i = 0; i < 4; ++i)
        {
            g_fOrbitPhase[i] = (float)(i * ORBIT_TWO_PI / 4.0);
            g_fOrbitSpin[i] = 0.0f;
        }
    }
    ApplyLiveView();
    for (int i = 0; i < 4; ++i)
    {
        glPushMatrix();
        // Height on the circle, and a size standing in for nearness: k runs
        // from 1 to 5, and a smaller ring spins faster (16 / k^2).
        const float y = (float)(cos(g_fOrbitPhase[i]) * 40.0);
        const float k = (float)(2.0 * sin(g_fOrbitPhase[i]) + 3.0);
        const float g = (float)(16.0 / ((double)k * k));
        // Before drawing: this frame already shows the new spin.
        g_fOrbitSpin[i] = (float)(1.0 * g_fSpeed * g + g_fOrbitSpin[i]);
        glTranslatef(0.0f, y, 0.0f);
        glScalef(k, k, k);
        glRotatef((float)i * 40.0f + g_fOrbitSpin[i], 0.0f, 1.0f, 0.0f);
        DrawRing(1.0f);
        glPopMatrix();

        double phase = 0.05 * g_fSpeed * 0.35 + g_fOrbitPhase[i];
        if (phase > ORBIT_TWO_PI)
        {
            phase -= ORBIT_TWO_PI;
        }
        g_fOrbitPhase[i] = (float)phase;
    }
    return glGetError() == GL_NO_ERROR;
}
