// Frame benchmark: runs the real saver window full screen in this process with
// one module enabled, and prints the same figures as the anchor: frames
// presented per second, CPU per frame and per second of saving (all threads),
// peak working set, and the time from the saver's entry to its first presented
// frame and from the window appearing to that frame (the black flash). Run it
// through bench/frames.sh, which gives it a 1920 x 1080 virtual screen under
// Wine and runs it beside the anchor, or bench/monitors.sh, on two monitors.
// With "dark" it then tells the saver the displays went off and prints the
// CPU the process uses over the next `seconds`.
//   frame_bench <seconds> <module> [dark]
#include "bench/figures.h"
#include "engine/engine.h"
#include "host/host.h"
#include "settings/settings.h"
#include "render/render.h"
#include "shell/shell.h"

#include <GL/glu.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static DWORD g_dwRunMs; // how long the module runs

// Every frame the saver presents goes through its own SwapBuffers import;
// that slot is pointed here, so frames are counted as they are presented.
typedef BOOL(WINAPI* SwapBuffersProc)(HDC);
extern "C" SwapBuffersProc __imp_SwapBuffers;
static SwapBuffersProc g_pfnSwapBuffers;

static BOOL WINAPI CountSwapBuffers(HDC hdc)
{
    BOOL ok = g_pfnSwapBuffers(hdc);
    MarkFramePresented();
    return ok;
}

static void CountPresentedFrames()
{
    DWORD protect = 0;
    VirtualProtect(&__imp_SwapBuffers, sizeof(void*), PAGE_READWRITE, &protect);
    g_pfnSwapBuffers = __imp_SwapBuffers;
    __imp_SwapBuffers = CountSwapBuffers;
    VirtualProtect(&__imp_SwapBuffers, sizeof(void*), protect, &protect);
}

// Where the start-up goes: calls the saver makes through its imports before
// its first frame, each counted and timed on the way through.
struct StartupCost
{
    const char* name;
    int calls;
    double ms;
};

// Adds the time since it was made to its cost, for calls before the first frame.
struct CostTimer
{
    StartupCost* cost;
    double startMs;
    ~CostTimer()
    {
        if (g_Figures.presented == 0)
        {
            cost->calls++;
            cost->ms += ReadBenchMs() - startMs;
        }
    }
};

#define TIMED_IMPORT(type, name, params, args)                                                     \
    extern "C" type(WINAPI* __imp_##name) params;                                                  \
    static type(WINAPI* g_pfnReal##name) params;                                                   \
    static StartupCost g_cost##name = {#name, 0, 0.0};                                             \
    static type WINAPI Timed##name params                                                          \
    {                                                                                              \
        CostTimer timer = {&g_cost##name, ReadBenchMs()};                                          \
        return g_pfnReal##name args;                                                               \
    }

TIMED_IMPORT(int, DescribePixelFormat, (HDC dc, int format, UINT size, PIXELFORMATDESCRIPTOR* pfd),
             (dc, format, size, pfd))
TIMED_IMPORT(int, ChoosePixelFormat, (HDC dc, const PIXELFORMATDESCRIPTOR* pfd), (dc, pfd))
TIMED_IMPORT(BOOL, SetPixelFormat, (HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd),
             (dc, format, pfd))
TIMED_IMPORT(HGLRC, wglCreateContext, (HDC dc), (dc))
TIMED_IMPORT(BOOL, wglMakeCurrent, (HDC dc, HGLRC rc), (dc, rc))
TIMED_IMPORT(BOOL, wglDeleteContext, (HGLRC rc), (rc))
TIMED_IMPORT(GLint, gluBuild2DMipmaps,
             (GLenum target, GLint components, GLint width, GLint height, GLenum format,
              GLenum type, const void* data),
             (target, components, width, height, format, type, data))
TIMED_IMPORT(void, glTexImage2D,
             (GLenum target, GLint level, GLint internal, GLsizei width, GLsizei height,
              GLint border, GLenum format, GLenum type, const void* pixels),
             (target, level, internal, width, height, border, format, type, pixels))
// The probe waits for the GL with glFinish; that wait is its cost.
TIMED_IMPORT(void, glFinish, (), ())

static void Redirect(void** slot, void* hook, void** real)
{
    DWORD protect = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protect);
    *real = *slot;
    *slot = hook;
    VirtualProtect(slot, sizeof(void*), protect, &protect);
}

#define REDIRECT(name) Redirect((void**)&__imp_##name, (void*)Timed##name, (void**)&g_pfnReal##name)

static StartupCost* const g_StartupCosts[] = {
    &g_costDescribePixelFormat, &g_costChoosePixelFormat, &g_costSetPixelFormat,
    &g_costwglCreateContext,    &g_costwglMakeCurrent,    &g_costwglDeleteContext,
    &g_costgluBuild2DMipmaps,   &g_costglTexImage2D,      &g_costglFinish,
};

static void TimeStartupCalls()
{
    REDIRECT(DescribePixelFormat);
    REDIRECT(ChoosePixelFormat);
    REDIRECT(SetPixelFormat);
    REDIRECT(wglCreateContext);
    REDIRECT(wglMakeCurrent);
    REDIRECT(wglDeleteContext);
    REDIRECT(gluBuild2DMipmaps);
    REDIRECT(glTexImage2D);
    REDIRECT(glFinish);
}

static void PrintStartupCosts(const char* name)
{
    printf("startup %s", name);
    double timed = 0.0;
    for (const StartupCost* cost : g_StartupCosts)
    {
        printf(" %s=%dx/%.1fms", cost->name, cost->calls, cost->ms);
        timed += cost->ms;
    }
    printf(" rest=%.1fms\n", g_Figures.firstFrameMs - g_Figures.entryMs - timed);
    fflush(stdout);
}

// The saver window appears when it is shown, once its WM_CREATE is done and
// before CreateWindowEx has returned it; it is the only top-level window here.
static LRESULT CALLBACK WatchShow(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam &&
        (GetWindowLongA(call->hwnd, GWL_STYLE) & WS_CHILD) == 0)
    {
        MarkWindowShown();
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void SetStoredValue(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

// Only `module` enabled, at its built-in view, no cycling.
static void StoreSingleModule(int module)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, g_szProductKey);
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, g_szProductKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return;
    }
    SetStoredValue(key, "mod1 depth", 2100);
    char name[32];
    for (int m = 1; m <= 3; m++)
    {
        snprintf(name, sizeof(name), "mod%d active", m);
        SetStoredValue(key, name, m == module ? 1 : 0);
    }
    SetStoredValue(key, "cycle time", 9999);
    RegCloseKey(key);
}

static bool g_bDark; // measure the displays-off rest after the run

static void SendDisplayState(DWORD state)
{
    POWERBROADCAST_SETTING setting = {GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), {}};
    memcpy(setting.Data, &state, sizeof(state));
    SendMessageA(g_hSaverWnd, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, (LPARAM)&setting);
}

static DWORD WINAPI CloseLater(LPVOID)
{
    Sleep(g_dwRunMs);
    if (g_bDark)
    {
        SendDisplayState(0);
        // The tick in flight ends the frames; then the process should idle.
        Sleep(500);
        const double cpu = ReadProcessCpuS(), start = ReadBenchMs();
        Sleep(g_dwRunMs);
        const double percent =
            100.0 * (ReadProcessCpuS() - cpu) / ((ReadBenchMs() - start) / 1000.0);
        printf("dark cpu_percent_of_core=%.2f over_s=%.1f\n", percent,
               (ReadBenchMs() - start) / 1000.0);
        fflush(stdout);
        SendDisplayState(1);
    }
    PostMessageA(g_hSaverWnd, WM_CLOSE, 0, 0);
    return 0;
}

int main(int argc, char** argv)
{
    g_dwRunMs = 1000 * (DWORD)(argc > 1 ? atoi(argv[1]) : 10);
    int module = argc > 2 ? atoi(argv[2]) : 1;
    g_bDark = argc > 3 && strcmp(argv[3], "dark") == 0;
    g_hInstance = GetModuleHandleA(NULL);
    StoreSingleModule(module);
    CountPresentedFrames();
    // Bound first, so that the timers wrap the entries themselves, as they
    // wrapped a plain import's; the binding is not part of the figures then.
    LoadGlLibraries();
    TimeStartupCalls();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchShow, NULL, GetCurrentThreadId());
    HANDLE closer = CreateThread(NULL, 0, CloseLater, NULL, 0, NULL);

    // The saver's own entry, as DispatchRunMode calls it for /s.
    g_Figures.entryMs = ReadBenchMs();
    RunSaverWindow(NULL);
    char name[16];
    snprintf(name, sizeof(name), g_bDark ? "dark%d" : "module%d", module);
    PrintFigures(name);
    PrintStartupCosts(name);

    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    UnhookWindowsHookEx(hook);
    return 0;
}
