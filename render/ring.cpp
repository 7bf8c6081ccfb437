// The ring band of modules 1 and 3: 32 textured quads compiled once into a
// display list and drawn under whatever matrix the scene has set.
#include "render/render.h"

#include <math.h>

float g_fRingListScale;
GLuint g_uRingList;

namespace
{

const int kRingSegments = 32;
const float kRingTwoPi = 6.283185f;

} // namespace

void DrawRing(float scale)
{
    if (scale != g_fRingListScale)
    {
        g_fRingListScale = scale;
        const float radius = 8.0f * scale;
        const float halfHeight = 10.0f * scale / 2.0f;
        const float segments = static_cast<float>(kRingSegments);
        float x[kRingSegments + 1];
        float z[kRingSegments + 1];
        float s[kRingSegments + 1];
        for (int j = 0; j < kRingSegments; ++j)
        {
            const float a = static_cast<float>(j) * kRingTwoPi / segments;
            x[j] = radius * cosf(a);
            z[j] = -radius * sinf(a);
            s[j] = 3.0f * static_cast<float>(j) / segments;
        }
        // The closing column reuses point 0 but carries s = 3, so the texture
        // runs three times round under the default GL_REPEAT wrap.
        x[kRingSegments] = x[0];
        z[kRingSegments] = z[0];
        s[kRingSegments] = 3.0f;

        if (g_uRingList != 0)
        {
            glDeleteLists(g_uRingList, 1);
        }
        g_uRingList = glGenLists(1);
        glNewList(g_uRingList, GL_COMPILE);
        glBindTexture(GL_TEXTURE_2D, g_Textures[TEX_RING].glName);
        glBegin(GL_QUADS);
        for (int j = 0; j < kRingSegments; ++j)
        {
            glTexCoord2f(s[j], 0.0f);
            glVertex3f(x[j], -halfHeight, z[j]);
            glTexCoord2f(s[j + 1], 0.0f);
            glVertex3f(x[j + 1], -halfHeight, z[j + 1]);
            glTexCoord2f(s[j + 1], 1.0f);
            glVertex3f(x[j + 1], halfHeight, z[j + 1]);
            glTexCoord2f(s[j], 1.0f);
            glVertex3f(x[j], halfHeight, z[j]);
        }
        glEnd();
        // Leave the cylinder's texture bound, as every scene expects at its start.
        glBindTexture(GL_TEXTURE_2D, g_Textures[TEX_CYLINDER].glName);
        glEndList();
    }
    glCallList(g_uRingList);
}
