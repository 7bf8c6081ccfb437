// Frame benchmark: runs the real saver window full screen in this process with
// one module enabled, and prints the same figures as the anchor: frames
// presented per second, CPU per frame and per second of saving (all threads),
// peak working set, and the time from the saver's entry to its first presented
// frame and from the window appearing to that frame (the black flash). Run it
// through bench/frames.sh, which gives it a 1920 x 1080 virtual screen under
// Wine and runs it beside the anchor.
//   frame_bench <seconds> <module>
#include "bench/figures.h"
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <stdio.h>
#include <stdlib.h>

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

static DWORD WINAPI CloseLater(LPVOID)
{
    Sleep(g_dwRunMs);
    PostMessageA(g_hSaverWnd, WM_CLOSE, 0, 0);
    return 0;
}

int main(int argc, char** argv)
{
    g_dwRunMs = 1000 * (DWORD)(argc > 1 ? atoi(argv[1]) : 10);
    int module = argc > 2 ? atoi(argv[2]) : 1;
    g_hInstance = GetModuleHandleA(NULL);
    StoreSingleModule(module);
    CountPresentedFrames();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchShow, NULL, GetCurrentThreadId());
    HANDLE closer = CreateThread(NULL, 0, CloseLater, NULL, 0, NULL);

    // The saver's own entry, as DispatchRunMode calls it for /s.
    g_Figures.entryMs = ReadBenchMs();
    RunSaverWindow(NULL);
    char name[16];
    snprintf(name, sizeof(name), "module%d", module);
    PrintFigures(name);

    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    UnhookWindowsHookEx(hook);
    return 0;
}
