// What every frame benchmark measures and prints, the same way for the saver
// and for the bare WGL anchor it is compared with (bench/report.py reads it).
#pragma once

#include <windows.h>

struct RunFigures
{
    double entryMs;      // ms on the benchmark clock when the program's entry ran
    double shownMs;      // when the full-screen window appeared; 0 = not yet
    double firstFrameMs; // when the first frame was presented; 0 = not yet
    double steadyCpuS;   // process CPU seconds (all threads) at the first frame
    double steadyUiCpuS; // CPU seconds of the thread that draws, at the first frame
    int presented;       // frames presented so far
};

extern RunFigures g_Figures;

double ReadBenchMs();      // a monotonic millisecond clock
double ReadProcessCpuS();  // CPU seconds of every thread of this process
double ReadThreadCpuS();   // CPU seconds of the calling thread
void MarkWindowShown();    // the first call counts
void MarkFramePresented(); // call after each SwapBuffers
// One line: name, then figure=value pairs, measured from the first frame to now.
void PrintFigures(const char* name);
