// The fades that hide a module switch: brightness falls as cos^2 of the phase
// and rises as sin^2, one FADE_STEP of phase per frame, applied through the
// current GL colour that the textured scenes modulate.
#include "engine/engine.h"

#include <GL/gl.h>
#include <math.h>

int g_nFadeState;

namespace
{

float g_fFadeAngle; // phase of the running fade, radians

const float FADE_STEP = 0.026179917f; // bits 0x3CD67744: 1.5 degrees of fade phase per frame

float FadeOutLevel(float angle)
{
    double c = cos(static_cast<double>(angle));
    float v = static_cast<float>(c * c);
    return c < 0.0 ? -v : v;
}

float FadeInLevel(float angle)
{
    double s = sin(static_cast<double>(angle));
    return static_cast<float>(s * s);
}

} // namespace

void ResetFade()
{
    g_fFadeAngle = 0.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    g_nFadeState = 0;
}

float FadeOutStep()
{
    g_fFadeAngle += FADE_STEP;
    float v = FadeOutLevel(g_fFadeAngle);
    // Passing a quarter turn ends the fade-out black, with the phase ready
    // for the fade-in.
    if (v <= 0.0f)
    {
        v = 0.0f;
        g_fFadeAngle = 0.0f;
    }
    glColor4f(v, v, v, 1.0f);
    return v;
}

float FadeInStep()
{
    g_fFadeAngle += FADE_STEP;
    float v = FadeInLevel(g_fFadeAngle);
    if (v >= 1.0f)
    {
        v = 1.0f;
        g_fFadeAngle = 0.0f;
    }
    glColor4f(v, v, v, 1.0f);
    return v;
}
