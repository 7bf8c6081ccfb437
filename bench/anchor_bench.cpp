// The bare WGL anchor the saver's figures are measured against: the least a
// full-screen OpenGL program does to show the same thing at the same pace.
// One window, one pixel format from ChoosePixelFormat, one context; each frame
// at least 30 ms after the last (Sleep for the rest), cleared and swapped.
//   anchor_bench <seconds> empty   only the cleared frame
//   anchor_bench <seconds> band    plus one alpha-tested band with the ring's
//                                  texture, as large on screen as module 1's
//                                  ring at its default view
// Run it through bench/frames.sh, in the same virtual screen as the saver.
#include "bench/figures.h"
#include "render/tga.h"
#include "resource.h"

#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Module 1's ring at its default view (radius 8, height 10, 21 units away,
// 50-degree field of view) spans half the screen's width and 83 % of its
// height; the front half of the ring shows one and a half of the texture's
// three turns.
static const float BAND_WIDTH = 0.50f;  // of the screen
static const float BAND_HEIGHT = 0.83f; // of the screen
static const float BAND_TURNS = 1.5f;   // texture repeats across the band

static bool g_bQuit;
static DWORD g_dwRunMs;

static LRESULT CALLBACK AnchorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        g_bQuit = true;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static HGLRC CreateBareContext(HDC hdc)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 24;
    int format = ChoosePixelFormat(hdc, &pfd);
    if (format == 0 || !SetPixelFormat(hdc, format, &pfd))
    {
        return NULL;
    }
    HGLRC hrc = wglCreateContext(hdc);
    if (hrc != NULL && !wglMakeCurrent(hdc, hrc))
    {
        wglDeleteContext(hrc);
        hrc = NULL;
    }
    return hrc;
}

// The ring's own texture, decoded as the saver decodes it, one level only.
static bool UploadRingTexture()
{
    HRSRC resource = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_TGA_RING), "tga");
    HGLOBAL loaded = resource ? LoadResource(NULL, resource) : NULL;
    const uint8_t* data = loaded ? (const uint8_t*)LockResource(loaded) : NULL;
    TgaImage image = {};
    if (data == NULL || DecodeTgaImage(data, SizeofResource(NULL, resource), &image) != TGA_OK)
    {
        return false;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.pixels);
    FreeTgaPixels(&image);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    return true;
}

static void DrawBand()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-BAND_WIDTH, -BAND_HEIGHT);
    glTexCoord2f(BAND_TURNS, 0.0f);
    glVertex2f(BAND_WIDTH, -BAND_HEIGHT);
    glTexCoord2f(BAND_TURNS, 1.0f);
    glVertex2f(BAND_WIDTH, BAND_HEIGHT);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-BAND_WIDTH, BAND_HEIGHT);
    glEnd();
}

static DWORD WINAPI CloseLater(LPVOID window)
{
    Sleep(g_dwRunMs);
    PostMessageA((HWND)window, WM_CLOSE, 0, 0);
    return 0;
}

int main(int argc, char** argv)
{
    g_Figures.entryMs = ReadBenchMs();
    g_dwRunMs = 1000 * (DWORD)(argc > 1 ? atoi(argv[1]) : 10);
    const bool band = argc > 2 && strcmp(argv[2], "band") == 0;

    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = AnchorWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "AnchorBench";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "AnchorBench", "Anchor", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL,
                                NULL, wc.hInstance, NULL);
    MarkWindowShown();
    HDC hdc = hwnd ? GetDC(hwnd) : NULL;
    HGLRC hrc = hdc ? CreateBareContext(hdc) : NULL;
    if (hrc == NULL || (band && !UploadRingTexture()))
    {
        fprintf(stderr, "anchor_bench: no GL context or texture\n");
        return 1;
    }
    glViewport(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    HANDLE closer = CreateThread(NULL, 0, CloseLater, hwnd, 0, NULL);

    DWORD lastFrame = 0;
    while (!g_bQuit)
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            DispatchMessageA(&msg);
        }
        DWORD since = GetTickCount() - lastFrame;
        if (lastFrame != 0 && since < 30)
        {
            Sleep(30 - since);
        }
        lastFrame = GetTickCount();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (band)
        {
            DrawBand();
        }
        SwapBuffers(hdc);
        MarkFramePresented();
    }
    PrintFigures(band ? "anchor-band" : "anchor-empty");

    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    wglMakeCurrent(NULL, NULL);
    wglDeleteContext(hrc);
    ReleaseDC(hwnd, hdc);
    DestroyWindow(hwnd);
    return 0;
}
