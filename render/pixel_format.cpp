// Pixel-format choice: our own scoring over every format the device offers,
// rather than trusting ChoosePixelFormat, so that a software format is never
// taken and the smallest sufficient depth buffer wins.
#include "render/render.h"

#include <vector>

unsigned ScorePixelFormat(const PIXELFORMATDESCRIPTOR& pfd, int colorBits)
{
    if (pfd.cColorBits != colorBits || !(pfd.dwFlags & PFD_SUPPORT_OPENGL) ||
        !(pfd.dwFlags & PFD_DRAW_TO_WINDOW) || pfd.cDepthBits <= 8 ||
        pfd.iPixelType != PFD_TYPE_RGBA)
    {
        return 0;
    }
    unsigned score = (pfd.dwFlags & PFD_DOUBLEBUFFER) ? 2 : 1;
    // A smaller depth buffer outweighs double buffering.
    if (pfd.cDepthBits >= 16)
    {
        score += 128 - pfd.cDepthBits;
    }
    if (pfd.dwFlags & PFD_GENERIC_FORMAT)
    {
        return 0;
    }
    return score + 1024;
}

int PickPixelFormat(const unsigned* scores, int count)
{
    // From the highest index down, only a strictly better score replaces the
    // choice: among equal top scores the highest-numbered format wins.
    unsigned best = 0;
    int choice = 0;
    for (int i = count; i >= 1; --i)
    {
        if (scores[i - 1] > best)
        {
            best = scores[i - 1];
            choice = i;
        }
    }
    return best > 0 ? choice : 0;
}

int FindPixelFormat(HDC hdc, int colorBits)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    const int count = DescribePixelFormat(hdc, 1, sizeof pfd, &pfd);

    // Only asked so that a device without any OpenGL format is refused the
    // way the system would; its answer is not used.
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 32;
    wanted.cDepthBits = 24;
    wanted.iLayerType = PFD_MAIN_PLANE;
    if (ChoosePixelFormat(hdc, &wanted) == 0)
    {
        return 0;
    }

    std::vector<unsigned> scores(count > 0 ? count : 0);
    for (int i = count; i >= 1; --i)
    {
        pfd = {};
        DescribePixelFormat(hdc, i, sizeof pfd, &pfd);
        scores[i - 1] = ScorePixelFormat(pfd, colorBits);
    }
    return PickPixelFormat(scores.data(), count);
}
