// Frame benchmark: runs the real saver window full screen in this process with
// one module enabled and prints frames presented per second, CPU time per frame
// and the peak working set. Run it through bench/frames.sh, which gives it a
// 1920 x 1080 virtual screen under Wine and runs it once per module.
//   frame_bench <seconds> <module>
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

static int g_nTicks;         // saver ticks seen, one frame each
static DWORD g_dwRunSeconds; // how long each module runs

static void SetStoredValue(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

// Only `module` enabled, at its built-in view, no cycling.
static void StoreSingleModule(int module)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quenwick\\Solmir");
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quenwick\\Solmir", 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &key, NULL) != ERROR_SUCCESS)
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

static LRESULT CALLBACK CountTicks(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = (const MSG*)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_SAVER_TICK)
    {
        g_nTicks++;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static DWORD WINAPI CloseLater(LPVOID)
{
    Sleep(g_dwRunSeconds * 1000);
    PostMessageA(g_hSaverWnd, WM_CLOSE, 0, 0);
    return 0;
}

static double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

int main(int argc, char** argv)
{
    g_dwRunSeconds = argc > 1 ? (DWORD)atoi(argv[1]) : 10;
    int module = argc > 2 ? atoi(argv[2]) : 1;
    g_hInstance = GetModuleHandleA(NULL);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountTicks, NULL, GetCurrentThreadId());
    {
        StoreSingleModule(module);
        HANDLE closer = CreateThread(NULL, 0, CloseLater, NULL, 0, NULL);
        double cpu0 = CpuSeconds();
        DWORD t0 = GetTickCount();
        RunSaverWindow(NULL);
        DWORD elapsed = GetTickCount() - t0;
        double cpu = CpuSeconds() - cpu0;
        WaitForSingleObject(closer, INFINITE);
        CloseHandle(closer);
        PROCESS_MEMORY_COUNTERS mem = {};
        mem.cb = sizeof(mem);
        GetProcessMemoryInfo(GetCurrentProcess(), &mem, sizeof(mem));
        // Each drawn frame advances the module's own animation by a known
        // step, which counts the frames independently of the message hook.
        double drawn = module == 1   ? g_fRingAngle / 0.675
                       : module == 2 ? g_fCylinderAngle / 0.3
                                     : (g_fOrbitPhase[1] - 1.5707963) / (0.05 * 0.43 * 0.35);
        printf("ticks %d, frames drawn by the animation's own count %.0f (probe frames included)\n",
               g_nTicks, drawn);
        int frames = g_nTicks > 0 ? g_nTicks : 1;
        printf(
            "%d x %d, module %d: %6.1f frames/s  %6.2f ms CPU/frame  peak working set %6.1f MB\n",
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), module,
            1000.0 * g_nTicks / (elapsed ? elapsed : 1), 1000.0 * cpu / frames,
            mem.PeakWorkingSetSize / 1048576.0);
        fflush(stdout);
    }
    UnhookWindowsHookEx(hook);
    return 0;
}
