#include "bench/figures.h"

#include <psapi.h>
#include <stdio.h>

RunFigures g_Figures;

double ReadBenchMs()
{
    LARGE_INTEGER now, rate;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&rate);
    return 1000.0 * (double)now.QuadPart / (double)rate.QuadPart;
}

static double AddSeconds(const FILETIME& kernel, const FILETIME& user)
{
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

double ReadProcessCpuS()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return AddSeconds(kernel, user);
}

double ReadThreadCpuS()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return AddSeconds(kernel, user);
}

void MarkWindowShown()
{
    if (g_Figures.shownMs == 0.0)
    {
        g_Figures.shownMs = ReadBenchMs();
    }
}

void MarkFramePresented()
{
    // The steady figures start at the first frame: start-up is timed on its own.
    if (g_Figures.presented++ == 0)
    {
        g_Figures.firstFrameMs = ReadBenchMs();
        g_Figures.steadyCpuS = ReadProcessCpuS();
        g_Figures.steadyUiCpuS = ReadThreadCpuS();
    }
}

void PrintFigures(const char* name)
{
    const double seconds = (ReadBenchMs() - g_Figures.firstFrameMs) / 1000.0;
    const double cpu = ReadProcessCpuS() - g_Figures.steadyCpuS;
    const double uiCpu = ReadThreadCpuS() - g_Figures.steadyUiCpuS;
    const int frames = g_Figures.presented > 1 ? g_Figures.presented - 1 : 1;
    PROCESS_MEMORY_COUNTERS mem = {};
    mem.cb = sizeof(mem);
    GetProcessMemoryInfo(GetCurrentProcess(), &mem, sizeof(mem));
    printf("figures %s screen=%dx%d fps=%.2f cpu_ms_per_frame=%.2f ui_cpu_ms_per_frame=%.2f "
           "cpu_ms_per_s=%.1f peak_mb=%.1f entry_to_frame_ms=%.1f flash_ms=%.1f\n",
           name, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
           frames / (seconds > 0 ? seconds : 1), 1000.0 * cpu / frames, 1000.0 * uiCpu / frames,
           1000.0 * cpu / (seconds > 0 ? seconds : 1), mem.PeakWorkingSetSize / 1048576.0,
           g_Figures.firstFrameMs - g_Figures.entryMs, g_Figures.firstFrameMs - g_Figures.shownMs);
    fflush(stdout);
}
