#include "engine_test_support.h"
#include "render/render.h"
#include "shell/shell.h"

DWORD g_dwTestNow;
std::vector<DWORD> g_TestSleeps;
bool g_bStopOnSleep;

#include "host/host.h"

static DWORD WINAPI TestTickCount()
{
    return g_dwTestNow;
}

static void WINAPI TestSleep(DWORD ms)
{
    g_TestSleeps.push_back(ms);
    g_dwTestNow += ms;
    if (g_bStopOnSleep)
    {
        g_bStopRequested = true;
    }
}

void InstallTestClock(DWORD now)
{
    g_dwTestNow = now;
    g_TestSleeps.clear();
    g_bStopOnSleep = false;
    g_pfnTickCount = TestTickCount;
    g_pfnSleep = TestSleep;
}

void RestoreTestClock()
{
    g_pfnTickCount = GetTickCount;
    g_pfnSleep = Sleep;
}

static bool s_bOwnContext;

static bool CreatePlainContext(HWND window)
{
    HDC dc = GetDC(window);
    if (dc == NULL)
    {
        return false;
    }
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    int format = ChoosePixelFormat(dc, &pfd);
    if (format == 0 || !SetPixelFormat(dc, format, &pfd))
    {
        ReleaseDC(window, dc);
        return false;
    }
    HGLRC rc = wglCreateContext(dc);
    if (rc == NULL || !wglMakeCurrent(dc, rc))
    {
        if (rc != NULL)
        {
            wglDeleteContext(rc);
        }
        ReleaseDC(window, dc);
        return false;
    }
    g_hGLWnd = window;
    g_hDC = dc;
    g_hRC = rc;
    return true;
}

HWND OpenTestGLWindow()
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    g_hInstance = instance;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "SolmirEngineTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "SolmirEngineTest", "Engine test", WS_POPUP | WS_CLIPCHILDREN,
                                  0, 0, 64, 64, NULL, NULL, instance, NULL);
    if (window == NULL)
    {
        return NULL;
    }
    for (int id = 1024; id <= 1028; ++id)
    {
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX | BS_PUSHLIKE, 0, 0, 1, 1,
                        window, (HMENU)(INT_PTR)id, instance, NULL);
    }
    // The program's own context set-up when it is there, so the scenes find
    // their textures and quadric; otherwise a plain one of our own.
    s_bOwnContext = false;
    if (!CreateGLContext(window, 32))
    {
        s_bOwnContext = CreatePlainContext(window);
        if (!s_bOwnContext)
        {
            DestroyWindow(window);
            return NULL;
        }
    }
    return window;
}

void CloseTestGLWindow(HWND window)
{
    if (s_bOwnContext)
    {
        wglMakeCurrent(NULL, NULL);
        wglDeleteContext(g_hRC);
        ReleaseDC(g_hGLWnd, g_hDC);
        g_hRC = NULL;
        g_hDC = NULL;
        g_hGLWnd = NULL;
        s_bOwnContext = false;
    }
    else
    {
        KillGLContext();
    }
    DestroyWindow(window);
}

void ReadCurrentColor(float rgba[4])
{
    glGetFloatv(GL_CURRENT_COLOR, rgba);
}

int CheckedPreviewButton(HWND window)
{
    int found = 0;
    for (int id = 1024; id <= 1028; ++id)
    {
        if (IsDlgButtonChecked(window, id) == BST_CHECKED)
        {
            found = found == 0 ? id : -1;
        }
    }
    return found;
}

HWND EngineGLTest::s_window;

void EngineGLTest::SetUpTestSuite()
{
    s_window = OpenTestGLWindow();
}

void EngineGLTest::TearDownTestSuite()
{
    if (s_window != NULL)
    {
        CloseTestGLWindow(s_window);
        s_window = NULL;
    }
    RestoreTestClock();
}

void EngineGLTest::StartAt(DWORD now)
{
    ASSERT_NE(s_window, (HWND)NULL) << "no GL context";
    InstallTestClock(now);
    g_bSaverMode = true;
    g_bFullScreen = true;
    g_bStopRequested = false;
}
