#include "engine_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

DWORD g_dwTestNow;
std::vector<DWORD> g_TestSleeps;
bool g_bStopOnSleep;

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
    HINSTANCE instance = GetModuleHandleA(NULL);
    g_hInstance = instance;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "SolmirEngineTest";
    RegisterClassA(&wc);
    s_window = CreateWindowExA(0, "SolmirEngineTest", "Engine test", WS_POPUP | WS_CLIPCHILDREN, 0,
                               0, 64, 64, NULL, NULL, instance, NULL);
    if (s_window == NULL)
    {
        return;
    }
    for (int id = 1024; id <= 1028; ++id)
    {
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX | BS_PUSHLIKE, 0, 0, 1, 1,
                        s_window, (HMENU)(INT_PTR)id, instance, NULL);
    }
    // The program's own context set-up, so the scenes find their textures.
    if (!CreateGLContext(s_window, 32))
    {
        DestroyWindow(s_window);
        s_window = NULL;
    }
}

void EngineGLTest::TearDownTestSuite()
{
    if (s_window != NULL)
    {
        KillGLContext();
        DestroyWindow(s_window);
        s_window = NULL;
    }
    g_pfnTickCount = GetTickCount;
    g_pfnSleep = Sleep;
}

void EngineGLTest::StartAt(DWORD now)
{
    ASSERT_NE(s_window, (HWND)NULL) << "no GL context";
    g_dwTestNow = now;
    g_TestSleeps.clear();
    g_bStopOnSleep = false;
    g_pfnTickCount = TestTickCount;
    g_pfnSleep = TestSleep;
    g_bSaverMode = true;
    g_bFullScreen = true;
    g_bStopRequested = false;
}
