// Pixel-format choice: our own scoring over every format the device offers,
// rather than trusting ChoosePixelFormat, so that a software format is never
// taken and the smallest sufficient depth buffer wins. ChoosePixelFormat is
// not even asked: a device that offers a format the score accepts has one it
// would choose, and asking costs another pass over the formats at each start.
// Many formats share the top score; among them the cheapest is taken. A
// multisampled format looks like a plain one in its descriptor but costs
// several times the work and memory of every frame, so the driver is asked
// which formats have samples.
#include "render/render.h"

namespace
{

// Formats of equal top score remembered for the choice among them; Wine with
// Mesa offers 24 of 480, a driver with more is asked about its first ones.
const int kMaxPixelFormatTies = 64;

// WGL_ARB_pixel_format, for the one attribute the descriptor does not show.
typedef BOOL(WINAPI* GetPixelFormatAttribivProc)(HDC, int, int, UINT, const int*, int*);
const int WGL_SAMPLES_ARB = 0x2042;

const char kFormatQueryClass[] = "Solmir Format Query";

// Buffers a frame pays for beyond colour and depth.
unsigned ExtraBufferBits(const PIXELFORMATDESCRIPTOR& pfd)
{
    return pfd.cStencilBits + pfd.cAccumBits + pfd.cAuxBuffers * pfd.cColorBits;
}

// True when a is the better choice of two formats of equal score.
bool IsCheaper(const PixelFormatChoice& a, const PixelFormatChoice& b)
{
    bool aSampled = a.samples > 0;
    bool bSampled = b.samples > 0;
    if (aSampled != bSampled)
    {
        return bSampled;
    }
    if (a.extraBits != b.extraBits)
    {
        return a.extraBits < b.extraBits;
    }
    // Drivers list their plain formats before the multisampled ones.
    return a.index < b.index;
}

// Asks the driver for the sample count of each format. The extension needs a
// current context, so one is made for the moment on a hidden window of our
// own (a window takes a pixel format only once, and the caller's is not set
// yet). Formats the driver does not answer for stay unknown.
void QueryFormatSamples(HDC hdc, PixelFormatChoice* formats, int count)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = kFormatQueryClass;
    RegisterClassA(&wc); // fails harmlessly when already registered

    HWND window =
        CreateWindowExA(0, kFormatQueryClass, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, instance, NULL);
    HDC dc = window != NULL ? GetDC(window) : NULL;
    HGLRC rc = NULL;
    if (dc != NULL)
    {
        const int format = PickPixelFormat(formats, count);
        PIXELFORMATDESCRIPTOR pfd = {};
        DescribePixelFormat(dc, format, sizeof pfd, &pfd);
        rc = SetPixelFormat(dc, format, &pfd) ? wglCreateContext(dc) : NULL;
    }
    // Whatever was current comes back afterwards.
    HGLRC previousRC = wglGetCurrentContext();
    HDC previousDC = wglGetCurrentDC();
    if (rc != NULL && wglMakeCurrent(dc, rc))
    {
        GetPixelFormatAttribivProc getAttributes = reinterpret_cast<GetPixelFormatAttribivProc>(
            reinterpret_cast<void (*)()>(wglGetProcAddress("wglGetPixelFormatAttribivARB")));
        for (int i = 0; getAttributes != NULL && i < count; ++i)
        {
            int value = 0;
            if (getAttributes(hdc, formats[i].index, 0, 1, &WGL_SAMPLES_ARB, &value))
            {
                formats[i].samples = value;
            }
        }
        wglMakeCurrent(previousDC, previousRC);
    }
    if (rc != NULL)
    {
        wglDeleteContext(rc);
    }
    if (dc != NULL)
    {
        ReleaseDC(window, dc);
    }
    if (window != NULL)
    {
        DestroyWindow(window);
    }
}

} // namespace

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

int PickPixelFormat(const PixelFormatChoice* formats, int count)
{
    const PixelFormatChoice* choice = nullptr;
    for (int i = 0; i < count; ++i)
    {
        const PixelFormatChoice& f = formats[i];
        if (f.score == 0)
        {
            continue;
        }
        if (choice == nullptr || f.score > choice->score ||
            (f.score == choice->score && IsCheaper(f, *choice)))
        {
            choice = &f;
        }
    }
    return choice != nullptr ? choice->index : 0;
}

int FindPixelFormat(HDC hdc, int colorBits)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    const int count = DescribePixelFormat(hdc, 1, sizeof pfd, &pfd);

    // The formats of the best score so far; a better one starts the list anew.
    PixelFormatChoice ties[kMaxPixelFormatTies];
    int tieCount = 0;
    for (int i = 1; i <= count; ++i)
    {
        pfd = {};
        DescribePixelFormat(hdc, i, sizeof pfd, &pfd);
        const unsigned score = ScorePixelFormat(pfd, colorBits);
        if (score == 0 || (tieCount > 0 && score < ties[0].score))
        {
            continue;
        }
        if (tieCount > 0 && score > ties[0].score)
        {
            tieCount = 0;
        }
        if (tieCount < kMaxPixelFormatTies)
        {
            ties[tieCount++] = PixelFormatChoice{i, score, ExtraBufferBits(pfd), -1};
        }
    }
    if (tieCount > 1)
    {
        QueryFormatSamples(hdc, ties, tieCount);
    }
    return PickPixelFormat(ties, tieCount);
}
