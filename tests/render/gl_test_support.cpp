#include "gl_test_support.h"
#include "render/render.h"

static HWND CreateTestWindow(int width, int height, DWORD style)
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "SolmirRenderTest";
    RegisterClassA(&wc); // a second registration of the same class is harmless here
    HWND hwnd = CreateWindowExA(0, "SolmirRenderTest", "render test", WS_POPUP | style, 0, 0, width,
                                height, NULL, NULL, GetModuleHandleA(NULL), NULL);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
    {
        DispatchMessageA(&msg);
    }
    return hwnd;
}

HWND SharedGLTestWindow()
{
    static HWND shared = CreateTestWindow(GL_TEST_WIDTH, GL_TEST_HEIGHT, WS_VISIBLE);
    return shared;
}

HWND CreateHiddenTestWindow(int width, int height)
{
    return CreateTestWindow(width, height, 0);
}

void GLTest::SetUp()
{
    ASSERT_TRUE(CreateGLContext(SharedGLTestWindow(), 32));
}

void GLTest::TearDown()
{
    KillGLContext();
    for (const CapturedBox& box : capture.boxes)
    {
        ADD_FAILURE() << "unexpected box: " << box.caption << ": " << box.text;
    }
}
