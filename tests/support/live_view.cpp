#include "support/live_view.h"

#include "engine/engine.h"

void SetLiveView(const View& v)
{
    g_fDepth = v.depth;
    g_fHorz = v.horz;
    g_fVert = v.vert;
    g_fXrot = v.xrot;
    g_fYrot = v.yrot;
    g_fZrot = v.zrot;
    g_fSpeed = v.speed;
}
