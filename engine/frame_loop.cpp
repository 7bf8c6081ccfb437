// One frame of the animation per tick: keep the settings dialog's preview
// buttons in step, switch modules behind a fade once the cycle time has
// passed, hold frames at least FRAME_PERIOD_MS apart, draw and present.
#include "engine/engine.h"
#include "host/host.h"
#include "render/render.h"
#include "shell/shell.h"
#include "resource.h"

namespace
{

DWORD g_dwLastFrame; // tick when the last frame passed pacing

DWORD g_dwCycleStart; // tick when the shown module's interval began

const DWORD FRAME_PERIOD_MS = 30; // least time between the starts of two frames

} // namespace

DWORD PaceDelay(DWORD now, DWORD lastFrame)
{
    // The distance is taken both ways round, so a clock that stepped back
    // does not stall the loop. Unsigned negation keeps 0x80000000 defined.
    DWORD forward = now - lastFrame;
    DWORD elapsed = forward <= 0x80000000u ? forward : 0u - forward;
    return elapsed < FRAME_PERIOD_MS ? FRAME_PERIOD_MS - elapsed : 0;
}

bool CycleTimePassed(DWORD now, DWORD cycleStart, int cycleTime)
{
    // The interval saturates rather than wraps, so a huge stored cycle time
    // means "never" instead of some short interval.
    DWORD seconds = static_cast<DWORD>(cycleTime);
    DWORD interval = seconds > 0xFFFFFFFFu / 1000u ? 0xFFFFFFFFu : seconds * 1000u;
    return now - cycleStart > interval;
}

void MarkPreviewButton(HWND dialog, int module)
{
    for (int id = IDC_PREVIEW_MODULE1; id <= IDC_PREVIEW_LAST; ++id)
    {
        bool shown = id == IDC_PREVIEW_MODULE1 - 1 + module;
        CheckDlgButton(dialog, id, shown ? BST_CHECKED : BST_UNCHECKED);
    }
}

void ShowModule(int module)
{
    StoreViewToModule(g_nModule);
    g_nModule = module;
    LoadViewFromModule(g_nModule);
}

void StartModuleCycle()
{
    g_dwCycleStart = ReadTickCount();
}

void ShiftModuleCycle(DWORD ms)
{
    g_dwCycleStart += ms;
}

namespace
{

// Steps the fade that hides a module switch; the switch itself happens in
// the black frame between fade-out and fade-in.
void StepModuleCycle()
{
    if (g_nFadeState == 0)
    {
        g_nFadeState = 2;
    }
    if (g_nFadeState == 2)
    {
        if (FadeOutStep() == 0.0f)
        {
            ShowModule(NextActiveModule(g_nModule));
            g_nFadeState = 1;
        }
    }
    else if (FadeInStep() == 1.0f)
    {
        g_nFadeState = 0;
        StartModuleCycle();
    }
}

} // namespace

bool DrawModuleFrame(int module)
{
    // A module switched off is not drawn, even where the settings dialog shows it.
    const bool shown = module >= 1 && module <= kModuleCount && g_ModParams[module].active;
    const SceneView view = {g_fDepth, g_fHorz, g_fVert, g_fXrot, g_fYrot, g_fZrot};
    return DrawSceneFrame(shown ? module : 0, view, g_fSpeed);
}

void RenderFrame(HWND window)
{
    if (!g_bSaverMode)
    {
        MarkPreviewButton(window, g_nModule);
    }

    if (g_bSaverMode && CountActiveModules() > 1 &&
        CycleTimePassed(ReadTickCount(), g_dwCycleStart, g_nCycleTime))
    {
        StepModuleCycle();
    }

    DWORD delay = PaceDelay(ReadTickCount(), g_dwLastFrame);
    if (delay > 0)
    {
        SleepTicks(delay);
        if (g_bStopRequested)
        {
            return;
        }
    }
    g_dwLastFrame = ReadTickCount();

    // Far too slow: cleared frames only, whatever the keys switch to.
    if (!g_bFrameRateOk && g_fFrameRate < kFrameRateFloor && g_nModule != 0)
    {
        ShowModule(0);
    }

    if (DrawModuleFrame(g_nModule) && !g_bStopRequested)
    {
        SwapBuffers(g_hDC);
    }
}
