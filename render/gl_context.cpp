// The OpenGL context of the window that shows the animation: pixel format,
// rendering context, the projection and the fixed GL state every scene
// relies on. KillGLContext releases it again on close and on every failed
// creation.
#include "render/render.h"
#include "resource.h"
#include "shell/shell.h"

HDC g_hDC;
GLUquadric* g_pQuadric;
SceneViewport g_Viewports[kMaxViewports];
int g_nViewports;

namespace
{

HWND g_hGLWnd; // window the context draws into; its DC is released to it
HGLRC g_hRC;   // rendering context, or null

const char kVideoCardMessage[] = "Your video card doesn't appear to support\n"
                                 "hardware acceleration for OpenGL. Make sure\n"
                                 "you have installed the most current drivers\n"
                                 "for your card.  If this doesn't help, you might\n"
                                 "consider upgrading your video card.";

// Releases what exists, then tells the user; the caller returns false.
bool FailGLContext(const char* text, const char* caption)
{
    KillGLContext();
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool InitGL()
{
    if (!LoadTexFromResource(IDR_TGA_CYLINDER, TEX_CYLINDER) ||
        !LoadTexFromResource(IDR_TGA_RING, TEX_RING))
    {
        return false;
    }
    // The cylinder's is the texture bound whenever no scene has bound another.
    glBindTexture(GL_TEXTURE_2D, g_Textures[TEX_CYLINDER].glName);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    // Texels of alpha 0 are discarded: this cuts the rings' shapes out of
    // their textures.
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);

    // A quadric holds no GL objects, so one serves every context of the run.
    if (g_pQuadric == nullptr)
    {
        g_pQuadric = gluNewQuadric();
        if (g_pQuadric == nullptr)
        {
            return false;
        }
    }
    gluQuadricNormals(g_pQuadric, GLU_SMOOTH);
    gluQuadricTexture(g_pQuadric, GL_TRUE);
    return true;
}

} // namespace

bool CreateGLContext(HWND hwnd, int colorBits)
{
    // Before the pixel-format calls too: GDI loads opengl32 for them by name.
    LoadGlLibraries();
    g_hGLWnd = hwnd;
    g_hDC = GetDC(hwnd);
    if (g_hDC == NULL)
    {
        return FailGLContext("Can't Create A GL Device Context.", "ERROR");
    }

    // SetPixelFormat takes the format FindPixelFormat found by score; this
    // descriptor only says what was asked for.
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(colorBits);
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;

    const int format = FindPixelFormat(g_hDC, colorBits);
    if (format == 0)
    {
        return FailGLContext(kVideoCardMessage, "Screen Saver Error");
    }
    if (!SetPixelFormat(g_hDC, format, &pfd))
    {
        return FailGLContext("Can't Set The PixelFormat.", "ERROR");
    }

    g_hRC = wglCreateContext(g_hDC);
    if (g_hRC == NULL)
    {
        return FailGLContext("Can't Create A GL Rendering Context.", "ERROR");
    }
    if (!wglMakeCurrent(g_hDC, g_hRC))
    {
        return FailGLContext("Can't Activate The GL Rendering Context.", "ERROR");
    }

    // InitGL has already shown the texture's own message when it fails.
    if (!InitGL())
    {
        return FailGLContext("Initialization Failed.", "ERROR");
    }
    return true;
}

void KillGLContext()
{
    if (g_hRC != NULL)
    {
        if (!wglMakeCurrent(NULL, NULL))
        {
            MessageBoxA(NULL, "Release Of DC And RC Failed.", "SHUTDOWN ERROR",
                        MB_OK | MB_ICONINFORMATION);
        }
        if (!wglDeleteContext(g_hRC))
        {
            MessageBoxA(NULL, "Release Rendering Context Failed.", "SHUTDOWN ERROR",
                        MB_OK | MB_ICONINFORMATION);
        }
        g_hRC = NULL;
        // The ring's display list died with the context; a later context
        // compiles its own.
        g_uRingList = 0;
        g_fRingListScale = 0.0f;
    }
    if (g_hDC != NULL)
    {
        if (!ReleaseDC(g_hGLWnd, g_hDC))
        {
            MessageBoxA(NULL, "Release Device Context Failed.", "SHUTDOWN ERROR",
                        MB_OK | MB_ICONINFORMATION);
        }
        g_hDC = NULL;
    }
}

void ResizeGLScene(int width, int height)
{
    g_Viewports[0] = {0, 0, width, height};
    g_nViewports = 1;
}

void ApplyViewport(const SceneViewport& viewport)
{
    const int height = viewport.height > 0 ? viewport.height : 1;
    glViewport(viewport.x, viewport.y, viewport.width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The near plane is the single-precision 0.1, widened.
    gluPerspective(50.0, static_cast<double>(viewport.width) / static_cast<double>(height),
                   static_cast<double>(0.1f), 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
